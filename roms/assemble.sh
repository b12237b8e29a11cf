#!/usr/bin/env bash
# Turns an annotated listing into a ROM on standard output. A listing line that starts with a
# three-digit hex address and a four-digit hex word is code; everything else is commentary.
# A two-digit byte in place of the word is code too: the last byte of a ROM of odd length.
# Addresses must follow on from 200, so the listing always says where each word lands.
set -euo pipefail

attendu=$((0x200))
while read -r adresse mot _; do
    [[ $adresse =~ ^[0-9A-F]{3}$ && $mot =~ ^[0-9A-F]{2}([0-9A-F]{2})?$ ]] || continue
    if ((0x$adresse != attendu)); then
        printf 'address %s out of sequence (expected %X)\n' "$adresse" "$attendu" >&2
        exit 1
    fi
    printf "\\x${mot:0:2}"
    if ((${#mot} == 4)); then printf "\\x${mot:2:2}"; fi
    attendu=$((attendu + ${#mot} / 2))
done <"$1"
