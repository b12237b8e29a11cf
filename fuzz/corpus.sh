#!/usr/bin/env bash
# Builds the fuzz target's seed inputs from their listings: fuzz/seeds/NAME.lst gives
# fuzz/corpus/NAME, or DIR/NAME when a folder is given. The input format is described at the top
# of fuzz/brivane_fuzz.cpp. In a listing, a line "head FF RR NX" gives the input's first three
# bytes in hex (frames - 1; the sprite check's registers; its rows and the FX55/FX65 check's X),
# 3F 00 00 (64 frames) when there is none; a line "ev DD CC" is an event (hex: the frames since
# the previous event, and its code); a line "rom PATH.lst" takes the ROM from another listing;
# and the code lines make the ROM, assembled by roms/assemble.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

octet='^[0-9A-F]{2}$'
sortie=${1:-fuzz/corpus}
mkdir -p "$sortie"
for liste in fuzz/seeds/*.lst; do
    n=0
    entete='\x3F\x00\x00'
    script=''
    rom=$liste
    while read -r mot a b c _; do
        if [[ $mot == head && $a =~ $octet && $b =~ $octet && $c =~ $octet ]]; then
            entete="\\x$a\\x$b\\x$c"
        elif [[ $mot == ev && $a =~ $octet && $b =~ $octet ]]; then
            n=$((n + 1))
            script+="\\x$a\\x$b"
        elif [[ $mot == rom && $a == *.lst ]]; then
            rom=$a
        fi
    done <"$liste"
    {
        printf '%b' "$entete\\x$(printf %02X "$n")$script"
        bash roms/assemble.sh "$rom"
    } >"$sortie/$(basename "$liste" .lst)"
done
