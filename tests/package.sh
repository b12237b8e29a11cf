#!/usr/bin/env bash
# The Debian package that the package test makes in BUILD: its files, its dependencies
# (computed: SDL's libraries, no compiler and no -dev package), no lintian error or warning,
# a changelog entry for its version, and a desktop entry that desktop-file-validate accepts.
#   package.sh BUILD
set -euo pipefail
deb=$(echo "$1"/brivane_*_*.deb)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2 && exit 1; }
fichiers=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }')
[ "$fichiers" = "$(sed 's|^|./usr/|' <<'FIN'
games/brivane
games/brivane-trace
share/applications/brivane.desktop
share/doc/brivane/changelog.gz
share/doc/brivane/copyright
share/games/brivane/roms/demo.ch8
share/games/brivane/sound/beep.wav
share/icons/hicolor/scalable/apps/brivane.svg
share/man/man1/brivane-trace.1.gz
share/man/man6/brivane.6.gz
FIN
)" ] || fail "files: $fichiers"
noms=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | awk '{ print $1 }')
{ grep -qx libsdl1.2debian <<<"$noms" && grep -qx libsdl-mixer1.2 <<<"$noms" &&
    ! grep -Eq -- '-dev$|^(gcc|g\+\+|cpp|clang)' <<<"$noms"; } || fail "Depends: $noms"
lintian --fail-on error,warning "$deb" || fail "lintian"
dpkg-deb -x "$deb" "$tmp"
zcat "$tmp/usr/share/doc/brivane/changelog.gz" | head -n 1 |
    grep -qF "brivane ($(dpkg-deb -f "$deb" Version))" || fail "no changelog entry for this version"
entree=$tmp/usr/share/applications/brivane.desktop
desktop-file-validate "$entree" || fail "desktop entry"
{ grep -qx 'Terminal=true' "$entree" && grep -qx 'Categories=Game;Emulator;' "$entree"; } ||
    fail "the desktop entry needs a terminal and is a game"
echo "$deb passed"
