#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks (Google Benchmark, bench/) and runs them; the
# arguments go to the benchmark program, e.g. --benchmark_repetitions=5.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh bench
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DBRIVANE_BENCH=ON \
    >/dev/null
cmake --build build -j2 --target brivane_bench
exec build/bench/brivane_bench "$@"
