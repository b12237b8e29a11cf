#!/usr/bin/env bash
# Builds the fuzz target's seed inputs from their listings: fuzz/seeds/NAME.lst gives
# fuzz/corpus/NAME, or DIR/NAME when a folder is given. In a listing, a line "ev FF CC" is an
# event (its frame and code bytes in hex; the input format is described at the top of
# fuzz/brivane_fuzz.cpp), a line "rom PATH.lst" takes the ROM from another listing, and the
# code lines make the ROM, assembled by roms/assemble.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

sortie=${1:-fuzz/corpus}
mkdir -p "$sortie"
for liste in fuzz/seeds/*.lst; do
    n=0
    script=''
    rom=$liste
    while read -r mot a b _; do
        if [[ $mot == ev && $a =~ ^[0-9A-F]{2}$ && $b =~ ^[0-9A-F]{2}$ ]]; then
            n=$((n + 1))
            script+="\\x$a\\x$b"
        elif [[ $mot == rom && $a == *.lst ]]; then
            rom=$a
        fi
    done <"$liste"
    {
        printf '%b' "\\x$(printf %02X "$n")$script"
        bash roms/assemble.sh "$rom"
    } >"$sortie/$(basename "$liste" .lst)"
done
