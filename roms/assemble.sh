#!/usr/bin/env bash
# Turns an annotated listing into a ROM on standard output. A listing line that starts with a
# three-digit hex address and a four-digit hex word is code; everything else is commentary.
# Addresses must run from 200 in steps of 2, so the listing always says where each word lands.
set -euo pipefail

attendu=$((0x200))
while read -r adresse mot _; do
    [[ $adresse =~ ^[0-9A-F]{3}$ && $mot =~ ^[0-9A-F]{4}$ ]] || continue
    if ((0x$adresse != attendu)); then
        printf 'address %s out of sequence (expected %X)\n' "$adresse" "$attendu" >&2
        exit 1
    fi
    printf "\\x${mot:0:2}\\x${mot:2:2}"
    attendu=$((attendu + 2))
done <"$1"
