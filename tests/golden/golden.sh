#!/usr/bin/env bash
# Runs the runs of one golden case file through brivane-trace and compares the end of each
# output with what the run expects. Usage (from the project's root): golden.sh TRACE CASE
# With --seeds DIR in place of TRACE, writes each run's ROM into DIR instead, as a seed of the
# fuzz target: 64 frames without events, then the ROM.
#
# Blank lines and lines that start with "# " are commentary. A run is a line "run: OPTIONS",
# split as the shell splits it, then its ROM: the code lines of a listing, as roms/assemble.sh
# reads them; or "rom: PATH", with no ROM argument at all for an empty PATH; or nothing, for the
# previous run's ROM. Then come "expected:" and the last lines of the output: what
# brivane-trace prints on standard output, then on standard error, then "status N" when it
# exits with N other than 0. The screen is compared as its lit rows, each after its number
# ("07 ..##.."), and only when the run expects some: rows left out above the first one expected
# are not compared. Runs with nothing but their "run:" line share the ROM and the expected lines
# of the next run that has them. Each ROM must also list (-d) as a listing that assembles back
# into it.
set -euo pipefail

trace=$1 graines=''
if [ "$1" = --seeds ]; then graines=$2 && shift; fi
dossier=$(mktemp -d)
trap 'rm -rf "$dossier"' EXIT
# Run N's lines up to "expected:" go to the file N, those after it to N.expected.
awk -v d="$dossier" '/^(#( |$)|$)/ { next } /^run:/ { f = d "/" ++n }
    /^expected:$/ { f = f ".expected"; printf "" > f; next } n { print > f }' "$2"

rang='^[0-9]{2} [.#]{64}$' # a lit row of the screen, after its number
echecs=0
for ((n = 1; n <= $(grep -c '^run:' "$2"); n++)); do
    bloc=$dossier/$n
    groupe+=("$(sed -n '1s/^run://p' "$bloc")")
    if [ ! -f "$bloc.expected" ]; then continue; fi
    runs=("${groupe[@]}") groupe=()
    if grep -q '^rom:' "$bloc"; then
        rom=$(sed -n 's/^rom: *//p' "$bloc")
    elif grep -q -E '^[0-9A-F]{3} [0-9A-F]{4}' "$bloc"; then
        rom=$bloc.ch8
        bash roms/assemble.sh "$bloc" >"$rom"
    fi
    if [ -n "$graines" ]; then
        [[ ! -f ${rom:-} ]] || { printf '\x3F\0' && cat "$rom"; } >"$graines/$(basename "$2" .case).$n"
        continue
    fi
    [[ ! -f ${rom:-} ]] || cmp <(timeout -k 5 30 "$trace" -d "$rom" | bash roms/assemble.sh /dev/stdin) \
        "$rom" || echecs=$((echecs + 1))
    ecran=$(grep -c -E "$rang" "$bloc.expected" || true)
    fin=$(grep -c -v -E "$rang" "$bloc.expected" || true)
    for ligne in "${runs[@]}"; do
        eval "options=($ligne)"
        # shellcheck disable=SC2154 # options is set by the eval above
        timeout -k 5 30 "$trace" "${options[@]}" ${rom:+"$rom"} >"$dossier/sortie" 2>"$dossier/erreurs" ||
            echo "status $?" >>"$dossier/erreurs"
        cat "$dossier/sortie" "$dossier/erreurs" |
            awk -v ecran="$ecran" '/^[.#]+$/ && length == 64 && r < 32 {
                if (ecran && /#/) printf "%02d %s\n", r, $0
                r++; next } { print }' >"$dossier/vu"
        # The screen's rows first, then the last $fin other lines, as expected.
        diff -u --label "expected (run:$ligne)" --label brivane-trace "$bloc.expected" \
            <(grep -E "$rang" "$dossier/vu"; grep -v -E "$rang" "$dossier/vu" | tail -n "$fin") ||
            echecs=$((echecs + 1))
    done
done
((echecs == 0))
