#!/usr/bin/env bash
# Installs what is missing, builds Brivane and runs every test: unit tests, the end-to-end
# tests of the real program under Xvfb, those of the Windows program under wine, and one short
# run of each benchmark. With --sanitize, the Linux tests only, in a separate build with
# AddressSanitizer and UndefinedBehaviorSanitizer. Every tool is installed here, so a test that
# CTest reports as skipped fails the run: a skip would hide a broken test.
# Run it as yourself: what needs root (packages, apt's source entry) goes through sudo. Run
# through sudo, it installs the packages, then builds and tests as the user who called sudo, so
# that nothing in the tree is left owned by root.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--sanitize" ]; then
    bash scripts/deps.sh test bench
else
    bash scripts/deps.sh test bench wine wine64
fi
if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
    exec sudo -E -H -u "$SUDO_USER" -- bash scripts/test.sh "$@"
fi
dossier=build
if [ "${1:-}" = "--sanitize" ]; then
    dossier=build-sanitize
    options=(-DBRIVANE_SANITIZE=ON -DBRIVANE_WINDOWS_ZIP=)
else
    options=(-DBRIVANE_WINDOWS_ZIP="$PWD/build-win/brivane-win.zip")
    bash scripts/build-windows.sh -DBRIVANE_WERROR=ON
fi

cmake -S . -B "$dossier" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DBRIVANE_BENCH=ON \
    -DBRIVANE_WERROR=ON "${options[@]}" >/dev/null
cmake --build "$dossier" -j2
cd "$dossier"
ctest --output-on-failure -j2 | tee ctest-sortie.txt
if grep -q "^The following tests did not run:" ctest-sortie.txt; then
    echo "Skipped tests above: every tool is installed here, so a skip is a broken test." >&2
    exit 1
fi
