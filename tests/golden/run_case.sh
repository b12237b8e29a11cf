#!/usr/bin/env bash
# Runs one golden case and compares brivane-trace's output with the report the case expects.
# Usage (from the project's root): run_case.sh BRIVANE-TRACE CASE-FILE
#
# A case file holds, in this order: free text saying what the case shows; a line "run: OPTIONS"
# with the options given to brivane-trace; either a line "rom: PATH" naming a ROM of the
# project or a line "listing:" followed by an annotated listing that roms/assemble.sh turns into
# the ROM; then a line "expected:" followed by the exact output expected.
set -euo pipefail

trace=$1
cas=$2
dossier=$(mktemp -d)
trap 'rm -rf "$dossier"' EXIT

entete=$(sed -n '/^listing:$/q; /^expected:$/q; p' "$cas")
options=$(sed -n 's/^run://p' <<<"$entete")
rom=$(sed -n 's/^rom: *//p' <<<"$entete")
sed '1,/^expected:$/d' "$cas" >"$dossier/attendu"
if [[ -z $rom ]]; then
    rom=$dossier/rom.ch8
    sed -n '/^listing:$/,/^expected:$/p' "$cas" >"$dossier/listing"
    bash roms/assemble.sh "$dossier/listing" >"$rom"
fi

statut=0
# shellcheck disable=SC2086 # the options are separate words
"$trace" $options "$rom" >"$dossier/obtenu" 2>"$dossier/erreurs" || statut=$?
if ((statut != 0)); then
    echo "brivane-trace$options: exit status $statut"
    cat "$dossier/erreurs"
    exit 1
fi
diff -u --label expected --label brivane-trace "$dossier/attendu" "$dossier/obtenu"
