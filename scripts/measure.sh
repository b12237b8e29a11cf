#!/usr/bin/env bash
# Measures the real program, build/brivane, on a ROM (by default the busy ROM assembled from
# bench/busy.lst, which never waits for a key), on an Xvfb display of its own with the dummy
# audio driver, and prints a table. Two runs, each measured for 10 s once its window is mapped:
#   plain:        start-up (path written on stdin -> window mapped, as xev sees it on the root
#                 window), CPU time (utime + stime of /proc/PID/stat, all threads) as a share
#                 of one core, peak resident memory (VmHWM of /proc/PID/status);
#   under strace: the main thread's 16 ms frame sleeps (clock_nanosleep), timestamped; the
#                 frame period is the time from one sleep's start to the next one's, and the
#                 work is the time from one sleep's end to the next one's start.
#   bash scripts/measure.sh [path/to/rom.ch8]
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=xvfb.sh
source scripts/xvfb.sh
scratch measure
seen() { grep -q "$@" "$tmp/events"; }
# mapped T0: the time of the first window mapped after T0.
mapped() {
    awk -v t0="$1" '$1 == "MapNotify" && $2 > t0 { print $2; f = 1; exit } END { exit !f }' \
        "$tmp/events"
}

if [ $# -gt 0 ]; then
    rom=$(realpath -- "$1")
else
    rom=$tmp/busy.ch8
    bash roms/assemble.sh bench/busy.lst >"$rom"
fi
bash scripts/deps.sh test strace
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target brivane >/dev/null

start_xvfb 120
# Every event on the root window's children, with the time it came: "NAME SECONDS" lines.
stdbuf -oL xev -root -event substructure -event property 2>"$tmp/xev.log" |
    while read -r nom _; do echo "$nom $EPOCHREALTIME"; done >"$tmp/events" &
# xev listens once it reports a property set on the root window.
poll 10 eval 'xprop -root -f BRIVANE_MESURE 8s -set BRIVANE_MESURE pret; seen ^PropertyNotify' ||
    die "xev does not report root window events: $(cat "$tmp/xev.log")"

# run [COMMAND...]: starts build/brivane from its folder (under COMMAND, if any) and waits for
# its prompt, writes the ROM's path on its stdin and waits for its window to be mapped. Sets
# pid (the program's process) and startup (ms from the path written to the window mapped).
run() {
    rm -f "$tmp/in" "$tmp/pid" && mkfifo "$tmp/in"
    # The shell writes its pid, which exec hands on to the program, even under strace.
    (cd build && exec env SDL_AUDIODRIVER=dummy "$@" sh -c 'echo $$ >"$0" && exec ./brivane' \
        "$tmp/pid" <"$tmp/in" >"$tmp/out" 2>"$tmp/err") &
    prog=$!
    exec 4>"$tmp/in"
    poll 10 grep -q 'rom :' "$tmp/out" || die "no prompt: $(cat "$tmp/err")"
    pid=$(cat "$tmp/pid")
    local t0=$EPOCHREALTIME
    printf '%s\n' "$rom" >&4
    exec 4>&-
    poll 10 mapped "$t0" >/dev/null || die "no window mapped: $(cat "$tmp/out" "$tmp/err")"
    startup=$(awk -v t0="$t0" -v t1="$(mapped "$t0")" 'BEGIN { printf "%.0f", (t1 - t0) * 1000 }')
}
# ticks: the program's CPU time so far, utime + stime in clock ticks; the fields counted
# after the command name's closing parenthesis.
ticks() { sed 's/.*) //' "/proc/$pid/stat" | awk '{ print $12 + $13 }'; }
stop() {
    kill -KILL "$pid"
    wait "$prog" 2>/dev/null || true
    prog=''
}

run
c0=$(ticks) w0=$EPOCHREALTIME
sleep 10
c1=$(ticks) w1=$EPOCHREALTIME
cpu=$(awk -v c="$((c1 - c0))" -v hz="$(getconf CLK_TCK)" -v w0="$w0" -v w1="$w1" \
    'BEGIN { printf "%.1f", c / hz / (w1 - w0) * 100 }')
hwm=$(awk '$1 == "VmHWM:" { printf "%.1f", $2 / 1024 }' "/proc/$pid/status")
plain_startup=$startup
stop

# -ff: one trace file per thread, so the main thread's lines are not cut by the audio thread's.
run strace --seccomp-bpf -ff -ttt -T -e trace=nanosleep,clock_nanosleep -o "$tmp/trace"
sleep 10
stop
# From "START clock_nanosleep(..., {tv_sec=0, tv_nsec=16000000}, ...) = 0 <DURATION>" lines,
# each frame's period, then its work, in ms.
awk 'index($0, "{tv_sec=0, tv_nsec=16000000}") {
    gsub(/[<>]/, "", $NF)
    if (vu++) printf "%.3f %.3f\n", ($1 - debut) * 1000, ($1 - fin) * 1000
    debut = $1
    fin = $1 + $NF
}' "$tmp/trace.$pid" >"$tmp/frames"
n=$(wc -l <"$tmp/frames")
[ "$n" -ge 10 ] || die "only $n frames: does the ROM wait for a key? $(cat "$tmp/out")"
# centile COLUMN P: the P-th percentile (nearest rank) of a column of $tmp/frames.
centile() {
    sort -n -k "$1" "$tmp/frames" | awk -v k="$1" -v p="$2" -v n="$n" \
        'NR == int((n * p + 99) / 100) { print $k }'
}

# over16 MS: what a frame period has on top of the 16 ms sleep.
over16() { awk -v p="$1" 'BEGIN { printf "%.3f", p - 16 }'; }
p50=$(centile 1 50) p99=$(centile 1 99)

printf 'ROM %s, %s frames timed\n' "${1:-bench/busy.lst}" "$n"
printf '%-44s %10s\n' \
    'start-up: path written -> window mapped' "$plain_startup ms" \
    'CPU time over 10 s, share of one core' "$cpu %" \
    'peak resident memory (VmHWM)' "$hwm MiB" \
    'frame period, median' "$p50 ms" \
    'frame period, 99th percentile' "$p99 ms" \
    'work on top of the 16 ms sleep, median' "$(over16 "$p50") ms" \
    'work on top of the 16 ms sleep, 99th pct' "$(over16 "$p99") ms" \
    'work between two sleeps, median' "$(centile 2 50) ms" \
    'work between two sleeps, 99th percentile' "$(centile 2 99) ms"
