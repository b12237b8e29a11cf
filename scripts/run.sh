#!/usr/bin/env bash
# Installs what building and playing need, builds Brivane and starts it on the given ROM (the
# bundled demo when none is given), typing the ROM's path at its prompt. The tests, their
# tools and the benchmarks are left out of this build; scripts/test.sh adds them. The build
# folder is build/, or $BRIVANE_BUILD when set.
set -euo pipefail
cd "$(dirname "$0")/.."

rom=$(realpath -- "${1:-roms/demo.ch8}")
dossier=${BRIVANE_BUILD:-build}
bash scripts/deps.sh
cmake -S . -B "$dossier" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DBRIVANE_BENCH=OFF >/dev/null
cmake --build "$dossier" -j2 --target brivane
cd "$dossier" # the program finds sound/beep.wav from its working directory
exec ./brivane <<<"$rom"
