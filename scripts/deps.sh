#!/usr/bin/env bash
# Installs, as root, the Debian packages that building, running and testing Brivane need, and
# those named as arguments. Quiet when everything is already there.
set -euo pipefail

paquets=(g++ make cmake libsdl1.2-dev libsdl-mixer1.2-dev libgtest-dev googletest
    xvfb xdotool x11-utils libx11-dev clang libclang-rt-14-dev libbenchmark-dev "$@")

manquants=()
for p in "${paquets[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || manquants+=("$p")
done
[ ${#manquants[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${manquants[*]}; run this script as root to install them." >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${manquants[@]}" >/dev/null
