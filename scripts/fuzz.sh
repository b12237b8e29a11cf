#!/usr/bin/env bash
# Builds the fuzz target (fuzz/brivane_fuzz.cpp) with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/, then fuzzes it for SECONDS (default 60; 0: no
# limit) in one process, starting from seeds made at run time: each listing of the golden cases,
# and roms/demo.ch8, each run 64 frames without events. New inputs go to build-fuzz/corpus/. Further arguments go to libFuzzer
# (-runs=10000000 for a campaign). Prints the number of inputs run, and exits nonzero on any
# finding (crash, leak, timeout, broken check), whose input libFuzzer saves in build-fuzz/ as
# crash-*, leak-* or timeout-*.
#   bash scripts/fuzz.sh [SECONDS [LIBFUZZER OPTION...]]
set -euo pipefail
cd "$(dirname "$0")/.."

secondes=${1:-60}
shift || true
dossier=build-fuzz
bash scripts/deps.sh fuzz
rm -rf "$dossier/seeds"
mkdir -p "$dossier/corpus" "$dossier/seeds"

# A case's runs each begin at a "run:" line; a run's listing is the code lines after it, with
# their addresses in sequence from 200 (a report's lines never are). A run without one has none.
for cas in tests/golden/*.case; do
    awk -v base="$dossier/seeds/$(basename "$cas" .case)" '/^run:/ { n++; k = 0 }
        n && $1 == sprintf("%03X", 512 + 2 * k) && length($2) == 4 && $2 ~ /^[0-9A-F]+$/ {
            print > (base "." n ".lst"); k++ }' "$cas"
done
for liste in "$dossier"/seeds/*.lst; do
    { printf '\x3F\x00'; bash roms/assemble.sh "$liste"; } >"${liste%.lst}"
    rm "$liste"
done
{ printf '\x3F\x00'; cat roms/demo.ch8; } >"$dossier/seeds/demo"

read -ra sdl < <(sdl-config --cflags)
read -ra bibliotheques < <(sdl-config --libs)
# Comparisons are not traced: the decode table's scan made them most of the time of a run, and
# the seeds hold every instruction word they would have led to.
options=(-std=c++17 -g -O1 -fno-omit-frame-pointer "-fsanitize=fuzzer,address,undefined"
    -fno-sanitize-coverage=trace-cmp
    -fno-sanitize-recover=all -Wall -Wextra -Wpedantic -Wconversion -Werror -Isrc "${sdl[@]}")
clang++ "${options[@]}" fuzz/brivane_fuzz.cpp src/cpu.cpp src/pixel.cpp src/hote.cpp \
    "${bibliotheques[@]}" -lSDL_mixer -o "$dossier/brivane_fuzz"

cd "$dossier"
# -timeout: an input running 10 s counts as a hang, a finding.
set +e
./brivane_fuzz -max_total_time="$secondes" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$@" corpus seeds 2>&1 | tee journal
statut=${PIPESTATUS[0]}
set -e
awk '$1 == "stat::number_of_executed_units:" { n = $2 } $1 == "stat::average_exec_per_sec:" {
    r = $2 } END { if (n != "") printf "fuzz: %d inputs run, %d a second\n", n, r }' journal
exit "$statut"
