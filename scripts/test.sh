#!/usr/bin/env bash
# Installs what is missing, builds Brivane and runs every test: unit tests and the end-to-end
# tests of the real program under Xvfb. With --sanitize, the same in a separate build with
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

dossier=build
options=()
if [ "${1:-}" = "--sanitize" ]; then
    dossier=build-sanitize
    options=(-DBRIVANE_SANITIZE=ON)
fi

bash scripts/deps.sh
cmake -S . -B "$dossier" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
cmake --build "$dossier" -j2
cd "$dossier"
ctest --output-on-failure -j2
