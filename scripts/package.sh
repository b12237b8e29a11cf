#!/usr/bin/env bash
# Makes the Debian package and the release archive: installs what that needs (dpkg-dev, then
# the build dependencies that debian/control names, through sudo unless run as root), builds
# the package with dpkg-buildpackage, which writes brivane_<version>_<arch>.deb beside the
# source folder, then the one-folder archive of the same build with CPack,
# build-package/brivane-<version>-linux-x86_64.tar.gz. DEB_BUILD_OPTIONS=nocheck leaves out
# the tests that the package build runs.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh package
root=()
[ "$(id -u)" -eq 0 ] || root=(sudo)
profils=()
[[ " ${DEB_BUILD_OPTIONS:-} " != *" nocheck "* ]] || profils=(-P nocheck)
"${root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get build-dep -y -qq "${profils[@]}" ./ >/dev/null
dpkg-buildpackage -us -uc -b
cpack -B build-package --config "obj-$(dpkg-architecture -qDEB_HOST_GNU_TYPE)/CPackConfig.cmake"
echo "Built ../brivane_$(dpkg-parsechangelog -S Version)_$(dpkg --print-architecture).deb and" \
    "build-package/brivane-$(dpkg-parsechangelog -S Version | cut -d - -f 1)-linux-x86_64.tar.gz"
