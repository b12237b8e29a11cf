#!/usr/bin/env bash
# Installs the Debian packages that building and playing Brivane need (compiler, make, CMake,
# SDL 1.2, SDL_mixer 1.2), and the extras named as arguments: a group or a package. Root
# installs them directly; another user through sudo, after saying which.
#   package  dpkg-dev, which reads debian/ and builds the .deb
#   test   GoogleTest, Xvfb, the X tools and python3-xlib of the end-to-end tests, what
#          makes the .deb from a fresh clone and checks it (git, the package group, lintian,
#          desktop-file-validate, appstreamcli)
#   fuzz   clang with its sanitizer and libFuzzer runtimes, those of Debian's default clang
#   bench  Google Benchmark
# Quiet when everything is already there.
set -euo pipefail

paquets=(g++ make cmake libsdl1.2-dev libsdl-mixer1.2-dev)
for extra in "$@"; do
    case $extra in
        package) paquets+=(dpkg-dev) ;;
        test) paquets+=(libgtest-dev python3-xlib xvfb xdotool x11-utils git dpkg-dev lintian
            appstream desktop-file-utils) ;;
        fuzz) paquets+=(clang libclang-rt-dev) ;;
        bench) paquets+=(libbenchmark-dev) ;;
        *) paquets+=("$extra") ;;
    esac
done

manquants=()
for p in "${paquets[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || manquants+=("$p")
done
[ ${#manquants[@]} -eq 0 ] && exit 0

root=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        echo "Missing packages: ${manquants[*]}; run this script as root to install them." >&2
        exit 1
    fi
    echo "Missing packages: ${manquants[*]}; installing them with sudo." >&2
    root=(sudo)
fi
"${root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${manquants[@]}" >/dev/null
