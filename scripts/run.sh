#!/usr/bin/env bash
# Installs what building and playing need, builds Brivane and starts it on the given ROM (the
# bundled demo when none is given), typing the ROM's path at its prompt. The tests, their
# tools and the benchmarks are left out of this build; scripts/test.sh adds them.
set -euo pipefail
cd "$(dirname "$0")/.."

rom=$(realpath -- "${1:-roms/demo.ch8}")
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DBRIVANE_BENCH=OFF \
    >/dev/null
cmake --build build -j2 --target brivane
cd build # the program finds sound/beep.wav from its working directory
exec ./brivane <<<"$rom"
