#!/usr/bin/env bash
# Checks scripts/run.sh:
# - on a machine with no package, it asks for those that building and playing need, and no more;
# - it builds and starts Brivane where none of the test or benchmark packages can be found, in a
#   build folder left configured with tests and benchmarks on, as scripts/test.sh leaves build/.
#   The program runs from its build folder (its beep is there) on a ROM path relative to the
#   caller's folder, a directory there, under SDL's dummy drivers: it must report the ROM, then
#   end with status 0 at the SIGTERM that SDL turns into a quit request.
#   check-run.sh FOLDER       (FOLDER: a scratch build folder, emptied first)
set -euo pipefail
dossier=$(realpath -m -- "$1")
rm -rf "$dossier"
mkdir -p "$dossier"
cat >"$dossier/CMakeCache.txt" <<'FIN'
BUILD_TESTING:BOOL=ON
BRIVANE_BENCH:BOOL=ON
CMAKE_DISABLE_FIND_PACKAGE_GTest:BOOL=ON
CMAKE_DISABLE_FIND_PACKAGE_X11:BOOL=ON
CMAKE_DISABLE_FIND_PACKAGE_benchmark:BOOL=ON
FIN
fail() { echo "FAIL: $*" >&2 && cat "$dossier/out" >&2 && exit 1; }
run=$(dirname "$(realpath "$0")")/../scripts/run.sh

# No package installed (a dpkg-query that knows none) and a user who is not root: the packages
# are named and asked of sudo, which refuses here; nothing is built.
mkdir "$dossier/faux"
printf '#!/bin/sh\nexit 1\n' >"$dossier/faux/dpkg-query"
printf '#!/bin/sh\necho 1000\n' >"$dossier/faux/id"
printf '#!/bin/sh\necho "sudo $*"; exit 1\n' >"$dossier/faux/sudo"
chmod +x "$dossier/faux/dpkg-query" "$dossier/faux/id" "$dossier/faux/sudo"
paquets="g++ make cmake libsdl1.2-dev libsdl-mixer1.2-dev"
PATH=$dossier/faux:$PATH BRIVANE_BUILD=$dossier bash "$run" >"$dossier/out" 2>&1 &&
    fail "run.sh went on without its packages"
[ "$(cat "$dossier/out")" = "Missing packages: $paquets; installing them with sudo.
sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq" ] || fail "run.sh asks for other packages"

# A relative ROM path starts from the caller's folder: there, d is a directory.
mkdir "$dossier/d"
cd "$dossier"
BRIVANE_BUILD=$dossier SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
    bash "$run" d >"$dossier/out" 2>&1 &
prog=$! # run.sh execs the program in the same process
# The quit request needs SDL's SIGTERM handler: wait until the process catches SIGTERM (bit 15
# of SigCgt) under the program's own name.
attrape() {
    [ "$(cat "/proc/$prog/comm")" = brivane ] &&
        (($(awk '$1 == "SigCgt:" { print "0x" $2 }' "/proc/$prog/status") & 0x4000))
}
until attrape 2>/dev/null; do
    kill -0 "$prog" 2>/dev/null || fail "run.sh ended before the program started"
    ((SECONDS < 300)) || fail "no program after 300 s"
    sleep 0.1
done
[ "$(readlink "/proc/$prog/cwd")" = "$dossier" ] || fail "the program runs outside its folder"
kill -TERM "$prog"
rc=0
wait "$prog" || rc=$?
[ "$rc" -eq 0 ] || fail "exit status $rc"
grep -qF "Error opening file: Is a directory." "$dossier/out" ||
    fail "the ROM path was not taken from the caller's folder"
echo "run.sh built and started the program without the test packages"
