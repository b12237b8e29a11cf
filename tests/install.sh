#!/usr/bin/env bash
# Brivane as people get it, install it and start it; each mode works in a scratch folder.
#   install.sh run          scripts/run.sh builds without the test and benchmark packages in a
#                           folder left configured with them on (as scripts/test.sh leaves
#                           build/) and starts the program there on a ROM path relative to the
#                           caller's folder.
#   install.sh beep BUILD   the default install holds nothing outside bin, share and lib; brivane
#                           finds its beep in sound/ of the working folder, else beside the
#                           program (that of the archive CPack makes from BUILD), else in the data
#                           folder of the install; with none, one line on stderr and the rest of
#                           the run unchanged.
#   install.sh deb SOURCE   the README's package command on a fresh clone of SOURCE, then the
#                           source package from an orig tarball that git archive makes: no
#                           lintian error or warning, the games layout, SDL's libraries as the
#                           dependencies, the beep found from the installed program.
#   install.sh zip ZIP      the Windows zip: text files with CRLF line ends, a stripped program.
# Every program started here runs under a time limit, in a process group that the exit trap ends.
set -euo pipefail
mode=$1
tmp=$(realpath "$(mktemp -d)")
pid=''
trap 'if [ -n "$pid" ]; then kill -KILL -- -"$pid" 2>/dev/null || true; fi; rm -rf "$tmp"' EXIT
trap 'exit 1' INT TERM
rom=$tmp/absent.ch8
fail() { echo "FAIL: $*" >&2 && cat "$tmp/out" "$tmp/err" >&2 2>/dev/null; exit 1; }

# lance FOLDER COMMAND...: COMMAND started in FOLDER, the ROM path $rom on its stdin, under
# SDL's dummy drivers and a limit of $limite seconds (30 by default); once the program has
# reported its ROM it is asked to quit (SIGTERM, which SDL turns into a quit request) and must
# end with status 0. Sets ici to its folder.
lance() {
    rm -f "$tmp/out" # the last run's report is not this one's
    (cd "$1" && shift && exec setsid env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
        timeout -k 2 "${limite:-30}" "$@" <<<"$rom" >"$tmp/out" 2>"$tmp/err") &
    pid=$!
    until grep -qs 'Error opening file' "$tmp/out"; do
        kill -0 $pid 2>/dev/null || fail "no report from $*"
        sleep 0.1
    done
    ici=$(readlink "/proc/$(tr -d ' ' <"/proc/$pid/task/$pid/children")/cwd") # the program's
    kill -TERM $pid # which timeout hands on to the program
    wait $pid || fail "exit status $? from $*"
    pid=''
    # SDL's own notices (as sdl12-compat's "CRITICAL: You are using the SDL disk i/o audio
    # driver!") are not the program's.
    sed -i -E '/^(CRITICAL|WARNING|INFO): /d' "$tmp/err"
}

case $mode in
    run)
        run=$(dirname "$(realpath "$0")")/../scripts/run.sh
        mkdir -p "$tmp/build" "$tmp/d"
        printf '%s:BOOL=ON\n' BUILD_TESTING BRIVANE_BENCH \
            CMAKE_DISABLE_FIND_PACKAGE_{GTest,benchmark} >"$tmp/build/CMakeCache.txt"
        # The caller's folder holds d, a directory; run.sh execs the program in its build folder.
        limite=600 lance "$tmp" env BRIVANE_BUILD="$tmp/build" bash "$run" d
        [ "$ici" = "$tmp/build" ] || fail "the program runs in $ici"
        grep -qF "Error opening file: Is a directory." "$tmp/out" ||
            fail "the ROM path was not taken from the caller's folder"
        ;;
    beep)
        build=$(realpath "$2")
        mkdir -p "$tmp/seul" "$tmp/vide" "$tmp/ici/sound"
        cp "$build/brivane" "$tmp/seul/"
        cp "$build/sound/beep.wav" "$tmp/ici/sound/"
        cmake --install "$build" --prefix "$tmp/usr" >/dev/null
        hors=$(cd "$tmp/usr" && find . -type f | grep -v -E '^\./(bin|games|share|lib[^/]*)/' || true)
        [ -z "$hors" ] || fail "installed outside bin, share and lib: $hors"
        installe=$(find "$tmp/usr" -name brivane -type f)
        lance "$tmp/ici" "$tmp/seul/brivane"
        [ ! -s "$tmp/err" ] || fail "not found in the working folder"
        cpack --config "$build/CPackConfig.cmake" -B "$tmp/cpack" >/dev/null # the one-folder archive
        tar xzf "$tmp"/cpack/*.tar.gz -C "$tmp"
        lance "$tmp/vide" "$tmp"/brivane-*/brivane
        { [ ! -s "$tmp/err" ] && [ -f "$tmp"/brivane-*/roms/demo.ch8 ]; } ||
            fail "not found beside the program"
        lance "$tmp/vide" "$installe"
        [ ! -s "$tmp/err" ] || fail "not found in the installed data folder"
        # A path of 200 characters is refused unread, and the program waits for its quit.
        rom=$(printf '%0200d' 0) lance "$tmp/vide" "$tmp/seul/brivane"
        { [ "$(wc -l <"$tmp/err")" = 1 ] && grep -qx "No beep, playing silently: Couldn't open \
$tmp/seul/\.\./share/\(games/\)\?brivane/sound/beep\.wav\(: .*\)\?" "$tmp/err"; } ||
            fail "not one line on stderr" # SDL 2's reason ends with the C library's
        [ "$(cat "$tmp/out")" = "Indiquez le 'chemin absolu/absolute path' de votre rom :  \
Error opening file: File name too long." ] || fail "stdout changed"
        ;;
    deb)
        git clone -q "$2" "$tmp/brivane"
        cd "$tmp/brivane"
        DEB_BUILD_OPTIONS=nocheck bash scripts/package.sh >"$tmp/out" 2>"$tmp/err" ||
            fail "package.sh"
        version=$(dpkg-parsechangelog -S Version)
        git archive --prefix="brivane-${version%-*}/" -o "../brivane_${version%-*}.orig.tar.gz" HEAD -- . ':!debian'
        dpkg-buildpackage -S -us -uc -d >"$tmp/out" 2>"$tmp/err" || fail "source package"
        deb=$tmp/brivane_${version}_$(dpkg --print-architecture).deb
        for changes in ../brivane_"${version}"_{source,"$(dpkg --print-architecture)"}.changes; do
            lintian --pedantic -I --fail-on error,warning "$changes" >"$tmp/out" 2>&1 ||
                fail "lintian $changes"
        done
        hors=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' |
            grep -v -E '^\./usr/(games|share|lib)/' || true)
        [ -z "$hors" ] || fail "in the .deb outside usr/games, usr/share and usr/lib: $hors"
        dpkg-deb -x "$deb" "$tmp/deb"
        mkdir "$tmp/vide"
        lance "$tmp/vide" "$tmp/deb/usr/games/brivane"
        [ ! -s "$tmp/err" ] || fail "the installed program has no beep"
        ;;
    zip)
        (cd "$tmp" && cmake -E tar xf "$2") || fail "cannot unzip $2"
        for texte in README LICENSE PATHROM; do
            [ "$(grep -cv $'\r$' "$tmp/brivane-win/$texte.txt")" = 0 ] || fail "$texte.txt: LF"
        done
        ! x86_64-w64-mingw32-objdump -h "$tmp/brivane-win/brivane-win.exe" | grep -q debug ||
            fail "not stripped"
        ;;
esac
echo "install.sh $mode passed"
