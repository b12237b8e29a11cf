#!/usr/bin/env bash
# Makes the release archive and the Debian package: installs what that needs (dpkg-dev, see
# scripts/deps.sh), configures build-package/ with the programs alone, compiled and linked with
# Debian's hardening flags, and writes build-package/brivane-<version>-linux-x86_64.tar.gz and
# build-package/brivane_<version>_amd64.deb.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh package
# All of them: Debian 12's defaults leave out bind-now.
drapeaux() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
# CMake reads no CPPFLAGS, which hold -D_FORTIFY_SOURCE=2: they go with the compiler's flags.
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=None -DBUILD_TESTING=OFF -DBRIVANE_BENCH=OFF \
    -DBRIVANE_WERROR=OFF -DCMAKE_CXX_FLAGS="$(drapeaux CPPFLAGS) $(drapeaux CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(drapeaux LDFLAGS)" >/dev/null
cmake --build build-package -j2 --target package
