#!/usr/bin/env bash
# Builds the fuzz target (fuzz/brivane_fuzz.cpp, CMake's option BRIVANE_FUZZ) with clang,
# libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer into build-fuzz/, then fuzzes it for
# SECONDS (default 60; 0: no limit) in one process, starting from the seeds the build makes
# (each ROM of the golden cases, and roms/demo.ch8). New inputs go to build-fuzz/corpus/.
# Further arguments go to libFuzzer (-runs=10000000 for a campaign). Prints the number of inputs
# run, and exits nonzero on any finding (crash, leak, timeout, broken check), whose input
# libFuzzer saves in build-fuzz/ as crash-*, leak-* or timeout-*.
#   bash scripts/fuzz.sh [SECONDS [LIBFUZZER OPTION...]]
set -euo pipefail
cd "$(dirname "$0")/.."

secondes=${1:-60}
shift || true
dossier=build-fuzz
bash scripts/deps.sh fuzz
rm -rf "$dossier/seeds"
CXX=clang++ cmake -S . -B "$dossier" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRIVANE_FUZZ=ON \
    -DBUILD_TESTING=OFF -DBRIVANE_WERROR=ON >/dev/null
cmake --build "$dossier" -j2 --target brivane_fuzz brivane_fuzz_seeds
mkdir -p "$dossier/corpus"

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
