#!/usr/bin/env bash
# Installs what building and playing need, builds Brivane and brivane-trace, and starts Brivane
# on the given ROM (the bundled demo when none is given), typing the ROM's path at its prompt.
# A relative ROM path starts from the folder the command is typed in. The tests, their tools and
# the benchmarks are left out of this build; scripts/test.sh adds them. The build folder is
# build/, or $BRIVANE_BUILD when set (from the project's folder).
# Run it as yourself: missing packages are installed through sudo. Run through sudo, it
# installs them, then builds and plays as the user who called sudo, so that nothing in the
# tree is left owned by root.
set -euo pipefail
rom=$(realpath -m -- "${1:-$(dirname "$0")/../roms/demo.ch8}")
cd "$(dirname "$0")/.."

bash scripts/deps.sh
if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
    exec sudo -E -H -u "$SUDO_USER" -- bash scripts/run.sh "$rom"
fi
dossier=${BRIVANE_BUILD:-build}
cmake -S . -B "$dossier" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DBRIVANE_BENCH=OFF -DBRIVANE_WERROR=OFF >/dev/null
cmake --build "$dossier" -j2 --target brivane brivane-trace
cd "$dossier" # the program finds sound/beep.wav from its working directory
exec ./brivane <<<"$rom"
