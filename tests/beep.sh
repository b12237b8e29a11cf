#!/usr/bin/env bash
# Where brivane finds its beep: sound/beep.wav of the working directory, else beside the
# program, else in the data folder of an install; with none, one line on stderr, and the run
# goes on with its other output unchanged.
#   beep.sh BUILD   (BUILD: the build folder, holding brivane with sound/ beside it)
set -euo pipefail
build=$(realpath "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*: [$(cat "$tmp/err")]" >&2 && exit 1; }
# run PROGRAM FOLDER: PROGRAM started in FOLDER on a missing ROM under SDL's dummy drivers, and
# asked to quit (SIGTERM) once it has reported the ROM; it must end with status 0.
run() {
    (cd "$2" && exec env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$1" \
        <<<"$tmp/absent.ch8" >"$tmp/out" 2>"$tmp/err") &
    timeout 10 bash -c "until grep -qs Error '$tmp/out'; do sleep 0.05; done" || fail "no report"
    kill -TERM $!
    wait $! || fail "exit status $?"
}
mkdir -p "$tmp/seul" "$tmp/vide" "$tmp/ici/sound"
cp "$build/brivane" "$tmp/seul/"
cp "$build/sound/beep.wav" "$tmp/ici/sound/"
cmake --install "$build" --component deb --prefix "$tmp/usr" >/dev/null
run "$tmp/seul/brivane" "$tmp/ici"
[ ! -s "$tmp/err" ] || fail "not found in the working directory"
run "$build/brivane" "$tmp/vide"
[ ! -s "$tmp/err" ] || fail "not found beside the program"
run "$tmp/usr/games/brivane" "$tmp/vide"
[ ! -s "$tmp/err" ] || fail "not found in the installed data folder"
run "$tmp/seul/brivane" "$tmp/vide"
[ "$(cat "$tmp/err")" = "No beep, playing silently: Couldn't open \
$tmp/seul/../share/games/brivane/sound/beep.wav" ] || fail "not one line on stderr"
[ "$(cat "$tmp/out")" = "Indiquez le 'chemin absolu/absolute path' de votre rom :  \
Error opening file: No such file or directory." ] || fail "stdout changed: $(cat "$tmp/out")"
echo "the beep is found, or its absence said once"
