#!/usr/bin/env bash
# Brivane as people get it, install it and start it; each mode works in a scratch folder.
#   install.sh run          scripts/run.sh: on a machine with no package it asks sudo for those
#                           that building and playing need, and no more; where none of the test
#                           or benchmark packages can be found it builds Brivane in a folder left
#                           configured with tests and benchmarks on (as scripts/test.sh leaves
#                           build/), and starts it there on a ROM path relative to the caller's
#                           folder.
#   install.sh beep BUILD   where brivane finds its beep: sound/beep.wav of the working folder,
#                           else beside the program, else in the data folder of an install; with
#                           none, one line on stderr and the rest of the run unchanged.
#   install.sh deb SOURCE   the README's package command on a fresh clone of SOURCE: the archive
#                           and the Debian package, whose files, dependencies (SDL's libraries,
#                           no compiler, no -dev package), changelog entry and desktop entry are
#                           checked, with no lintian error, warning or hardening tag.
#   install.sh zip ZIP      the Windows zip: text files with CRLF line ends, a stripped program
#                           whose icon has 16, 32, 48 and 256 pixel images.
set -euo pipefail
mode=$1
tmp=$(realpath "$(mktemp -d)")
trap 'rm -rf "$tmp"' EXIT
rom=$tmp/absent.ch8
fail() { echo "FAIL: $*" >&2 && cat "$tmp/out" "$tmp/err" >&2 2>/dev/null; exit 1; }

# lance FOLDER COMMAND...: COMMAND started in FOLDER, the ROM path $rom on its stdin, under
# SDL's dummy drivers; once the program has reported its ROM it is asked to quit (SIGTERM,
# which SDL turns into a quit request) and must end with status 0. Sets ici to its folder.
lance() {
    rm -f "$tmp/out" # the last run's report is not this one's
    (cd "$1" && shift && exec env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$@" \
        <<<"$rom" >"$tmp/out" 2>"$tmp/err") &
    until grep -qs 'Error opening file' "$tmp/out"; do
        { kill -0 $! 2>/dev/null && ((SECONDS < 300)); } || fail "no report from $*"
        sleep 0.1
    done
    ici=$(readlink "/proc/$!/cwd")
    kill -TERM $!
    wait $! || fail "exit status $? from $*"
}

case $mode in
    run)
        run=$(dirname "$(realpath "$0")")/../scripts/run.sh
        mkdir -p "$tmp/build" "$tmp/faux" "$tmp/d"
        printf '%s:BOOL=ON\n' BUILD_TESTING BRIVANE_BENCH \
            CMAKE_DISABLE_FIND_PACKAGE_{GTest,benchmark} >"$tmp/build/CMakeCache.txt"
        # No package installed (a dpkg-query that knows none) and a user who is not root: the
        # packages are named and asked of sudo, which refuses here; nothing is built.
        printf '#!/bin/sh\nexit 1\n' >"$tmp/faux/dpkg-query"
        printf '#!/bin/sh\necho 1000\n' >"$tmp/faux/id"
        printf '#!/bin/sh\necho "sudo $*"; exit 1\n' >"$tmp/faux/sudo"
        chmod +x "$tmp"/faux/*
        PATH=$tmp/faux:$PATH BRIVANE_BUILD=$tmp/build bash "$run" >"$tmp/out" 2>&1 &&
            fail "run.sh went on without its packages"
        [ "$(cat "$tmp/out")" = "Missing packages: g++ make cmake libsdl1.2-dev \
libsdl-mixer1.2-dev; installing them with sudo.
sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq" ] || fail "run.sh asks for others"
        # The caller's folder holds d, a directory; run.sh execs the program in its build folder.
        lance "$tmp" env BRIVANE_BUILD="$tmp/build" bash "$run" d
        [ "$ici" = "$tmp/build" ] || fail "the program runs in $ici"
        grep -qF "Error opening file: Is a directory." "$tmp/out" ||
            fail "the ROM path was not taken from the caller's folder"
        ;;
    beep)
        build=$(realpath "$2")
        mkdir -p "$tmp/seul" "$tmp/vide" "$tmp/ici/sound"
        cp "$build/brivane" "$tmp/seul/"
        cp "$build/sound/beep.wav" "$tmp/ici/sound/"
        cmake --install "$build" --component deb --prefix "$tmp/usr" >/dev/null
        lance "$tmp/ici" "$tmp/seul/brivane"
        [ ! -s "$tmp/err" ] || fail "not found in the working folder"
        lance "$tmp/vide" "$build/brivane"
        [ ! -s "$tmp/err" ] || fail "not found beside the program"
        lance "$tmp/vide" "$tmp/usr/games/brivane"
        [ ! -s "$tmp/err" ] || fail "not found in the installed data folder"
        # A path of 200 characters is refused unread, and the program waits for its quit.
        rom=$(printf '%0200d' 0) lance "$tmp/vide" "$tmp/seul/brivane"
        { [ "$(wc -l <"$tmp/err")" = 1 ] && [ "$(cat "$tmp/err")" = "No beep, playing silently: \
Couldn't open $tmp/seul/../share/games/brivane/sound/beep.wav" ]; } || fail "not one line on stderr"
        [ "$(cat "$tmp/out")" = "Indiquez le 'chemin absolu/absolute path' de votre rom :  \
Error opening file: File name too long." ] || fail "stdout changed"
        ;;
    deb)
        git clone -q "$2" "$tmp/clone"
        bash "$tmp/clone/scripts/package.sh" >"$tmp/out" 2>"$tmp/err" || fail "package.sh"
        deb=$(echo "$tmp"/clone/build-package/brivane_*_*.deb)
        version=$(dpkg-deb -f "$deb" Version)
        [ -f "$tmp/clone/build-package/brivane-$version-linux-x86_64.tar.gz" ] || fail "no archive"
        fichiers=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }')
        [ "$fichiers" = "$(printf './usr/%s\n' games/brivane{,-trace} \
            share/applications/brivane.desktop share/doc/brivane/{changelog.gz,copyright} \
            share/games/brivane/{roms/demo.ch8,sound/beep.wav} \
            share/icons/hicolor/scalable/apps/brivane.svg \
            share/man/man{1/brivane-trace.1,6/brivane.6}.gz)" ] ||
            fail "files: $fichiers"
        noms=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | awk '{ print $1 }')
        { grep -qx libsdl1.2debian <<<"$noms" && grep -qx libsdl-mixer1.2 <<<"$noms" &&
            ! grep -Eq -- '-dev$|^(gcc|g\+\+|cpp|clang)' <<<"$noms"; } || fail "Depends: $noms"
        lintian -I --fail-on error,warning "$deb" >"$tmp/out" || fail "lintian"
        ! grep -q hardening- "$tmp/out" || fail "built without Debian's hardening flags"
        dpkg-deb -x "$deb" "$tmp/deb"
        zcat "$tmp/deb/usr/share/doc/brivane/changelog.gz" | head -n 1 |
            grep -qF "brivane ($version)" || fail "no changelog entry for $version"
        entree=$tmp/deb/usr/share/applications/brivane.desktop
        desktop-file-validate "$entree" || fail "desktop entry"
        { grep -qx 'Terminal=true' "$entree" && grep -qx 'Categories=Game;Emulator;' "$entree"; } ||
            fail "the desktop entry needs a terminal and is a game"
        ;;
    zip)
        (cd "$tmp" && cmake -E tar xf "$2") || fail "cannot unzip $2"
        for texte in README LICENSE PATHROM; do
            [ "$(grep -cv $'\r$' "$tmp/brivane-win/$texte.txt")" = 0 ] || fail "$texte.txt: LF"
        done
        exe=$tmp/brivane-win/brivane-win.exe
        ! x86_64-w64-mingw32-objdump -h "$exe" | grep -q debug || fail "not stripped"
        [ "$(wrestool -x -t 14 "$exe" | icotool -l - | grep -o 'width=[0-9]*' | tr '\n' ' ')" = \
            "width=16 width=32 width=48 width=256 " ] || fail "icon sizes"
        ;;
esac
echo "install.sh $mode passed"
