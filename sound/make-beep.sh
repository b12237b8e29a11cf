#!/usr/bin/env bash
# Writes beep.wav beside this script: 0.15 s of an 880 Hz square wave, 16-bit mono PCM at
# 22050 Hz, with 5 ms ramps at both ends so that it starts and stops without a click.
set -euo pipefail

taux=22050
echantillons=$((taux * 15 / 100))
rampe=$((taux * 5 / 1000))
amplitude=8000
periode=$((taux / 880))

# Little-endian bytes of a number, as printf escapes: le 2 513 gives \x01\x02.
le() {
    local n=$(($2 & ((1 << ($1 * 8)) - 1))) s='' i
    for ((i = 0; i < $1; i++)); do
        s+=$(printf '\\x%02x' $(((n >> (8 * i)) & 255)))
    done
    printf '%s' "$s"
}

donnees=$((echantillons * 2))
{
    printf 'RIFF'"$(le 4 $((36 + donnees)))"'WAVEfmt '
    printf "$(le 4 16)$(le 2 1)$(le 2 1)$(le 4 $taux)$(le 4 $((taux * 2)))$(le 2 2)$(le 2 16)"
    printf 'data'"$(le 4 $donnees)"
    for ((t = 0; t < echantillons; t++)); do
        niveau=$amplitude
        ((t < rampe)) && niveau=$((amplitude * t / rampe))
        ((echantillons - t < rampe)) && niveau=$((amplitude * (echantillons - t) / rampe))
        ((t % periode >= periode / 2)) && niveau=$((-niveau))
        printf "$(le 2 $niveau)"
    done
} >"$(dirname "$0")/beep.wav"
