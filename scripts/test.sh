#!/usr/bin/env bash
# Installs what is missing, builds Brivane and runs every test: unit tests, the end-to-end
# tests of the real program under Xvfb, those of the Windows program under wine, and one short
# run of each benchmark. With --sanitize, the Linux tests only, in a separate build with
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

dossier=build
if [ "${1:-}" = "--sanitize" ]; then
    dossier=build-sanitize
    options=(-DBRIVANE_SANITIZE=ON -DBRIVANE_WINDOWS_ZIP=)
    bash scripts/deps.sh test bench
else
    options=(-DBRIVANE_WINDOWS_ZIP="$PWD/build-win/brivane-win.zip")
    bash scripts/deps.sh test bench wine wine64
    bash scripts/build-windows.sh -DBRIVANE_WERROR=ON
fi

cmake -S . -B "$dossier" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DBRIVANE_BENCH=ON \
    -DBRIVANE_WERROR=ON "${options[@]}" >/dev/null
cmake --build "$dossier" -j2
cd "$dossier"
ctest --output-on-failure -j2
