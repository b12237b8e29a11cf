#!/usr/bin/env bash
# brivane-trace refuses bad usage with status 2, a usage text on standard error and nothing on
# standard output, and reports a ROM it cannot read as brivane does, with status 1.
# Usage (from the project's root): usage.sh BRIVANE-TRACE
set -uo pipefail

trace=$1
rom=roms/demo.ch8
sortie=$(mktemp)
erreurs=$(mktemp)
attente=$(mktemp) # a ROM whose first word waits for a key: its run ends in frame 0
trap 'rm -f "$sortie" "$erreurs" "$attente"' EXIT
printf '\xF0\x0A' >"$attente"
echecs=0

echouer()
{
    echo "brivane-trace $1: $2"
    echecs=$((echecs + 1))
}

# Each line: the arguments of one bad run, split on spaces; "''" stands for an empty argument.
while read -r -a arguments; do
    arguments=("${arguments[@]/#\'\'/}")
    "$trace" "${arguments[@]}" >"$sortie" 2>"$erreurs"
    statut=$?
    ((statut == 2)) || echouer "${arguments[*]}" "exit status $statut, not 2"
    grep -qi usage "$erreurs" || echouer "${arguments[*]}" "no usage text on standard error"
    [[ ! -s $sortie ]] || echouer "${arguments[*]}" "wrote to standard output"
done <<EOF_ARGS
-x $rom
$rom $rom
-n
-n 5
-n 0 $rom
-n 10000001 $rom
-n abc $rom
-n 5x $rom
-n -1 $rom
-n '' $rom
$rom -n
-k
-k x:down:1 $rom
-k 1:press:1 $rom
-k 1:down:G $rom
-k 1:down: $rom
-k 1:down:12 $rom
-k 1:down:1, $rom
-k ,1:down:1 $rom
-k 1:down:1,,2:up:1 $rom
-k '' $rom
-k 1:quit:2 $rom
-k -1:down:1 $rom
-k 1:up $rom
EOF_ARGS

# A ROM that cannot be read: brivane's message on standard output, status 1.
verifierRom()
{
    "$trace" "$1" >"$sortie" 2>"$erreurs"
    statut=$?
    ((statut == 1)) || echouer "$1" "exit status $statut, not 1"
    [[ $(cat "$sortie") == "$2" ]] || echouer "$1" "printed '$(cat "$sortie")', not '$2'"
}
verifierRom /nonexistent/rom.ch8 "Error opening file: No such file or directory."
verifierRom roms "Error opening file: Is a directory."

# The limits themselves are accepted.
while read -r -a arguments; do
    "$trace" "${arguments[@]}" "$attente" >"$sortie" 2>"$erreurs"
    statut=$?
    ((statut == 0)) || echouer "${arguments[*]}" "exit status $statut, not 0"
    [[ ! -s $erreurs ]] || echouer "${arguments[*]}" "wrote to standard error"
done <<EOF_ARGS
-n 1
-n 10000000
-t -k 0:down:f,0:up:F,9999999:quit
EOF_ARGS
# Options may follow the ROM.
"$trace" roms/demo.ch8 -n 1 >"$sortie" 2>"$erreurs"
grep -qx "end: all 1 frames run" "$sortie" || echouer "ROM -n 1" "did not run one frame"

((echecs == 0))
