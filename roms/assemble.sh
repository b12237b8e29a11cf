#!/usr/bin/env bash
# Turns an annotated listing into a ROM on standard output. A listing line that starts with a
# three-digit hex address is code: a four-digit hex word follows it, or a two-digit byte, the
# last byte of a ROM of odd length. Everything else is commentary. Addresses must follow on
# from 200, so the listing always says where each word lands. A code line whose word cannot be
# read stops the assembly with its line number; so does an address out of sequence. The last
# line may end without a newline, and lines may end as Windows ends them (CRLF).
set -euo pipefail

attendu=$((0x200))
numero=0
while IFS= read -r ligne || [[ -n $ligne ]]; do
    numero=$((numero + 1))
    read -r adresse mot _ <<<"${ligne%$'\r'}" || true
    [[ $adresse =~ ^[0-9A-F]{3}$ ]] || continue
    if ! [[ $mot =~ ^[0-9A-F]{2}([0-9A-F]{2})?$ ]]; then
        printf 'line %d: cannot read "%s": a word is four hex digits, a last byte two\n' \
            "$numero" "${ligne%$'\r'}" >&2
        exit 1
    fi
    if ((0x$adresse != attendu)); then
        printf 'line %d: address %s out of sequence (expected %X)\n' "$numero" "$adresse" \
            "$attendu" >&2
        exit 1
    fi
    printf "\\x${mot:0:2}"
    if ((${#mot} == 4)); then printf "\\x${mot:2:2}"; fi
    attendu=$((attendu + ${#mot} / 2))
done <"$1"
