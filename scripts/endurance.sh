#!/usr/bin/env bash
# Long run: the real program plays a ROM (by default the busy ROM assembled from bench/busy.lst,
# which never waits for a key) for SECONDS on an Xvfb display of its own, with the dummy audio
# driver, and is watched the whole time:
#   memory: VmRSS and VmHWM of /proc/PID/status every 10 s, with the load average;
#   pace:   every frame sleep of its main thread, timestamped by strace as in measure.sh; the
#           frame period runs from one sleep's start to the next one's. Only the sleeps stop
#           the program, about 60 times a second, a few tens of µs each.
# Prints the resident memory after the first minute and at the end, then the frame period's
# median and 99th percentile for each slice of SLICE seconds (default 600), then the verdict:
# no growth of VmHWM after the first minute (beyond 1 %), and no slice whose median period is
# more than 0.2 ms away from the first slice's.
#   bash scripts/endurance.sh SECONDS [ROM]             build-endurance/brivane (built here)
#   bash scripts/endurance.sh --wine DIR SECONDS [ROM]  DIR/brivane-win.exe under wine, in a
#                                                       wine prefix of its own (WINEPREFIX)
#   bash scripts/endurance.sh --report OUT              the report again, from a recorded run
# Everything recorded stays in the folder OUT (default: a new one under /tmp), printed first.
# The work is in functions called from the last line, so bash has read the whole file before
# anything runs: the file can change during a long run without derailing it.
set -euo pipefail
cd "$(dirname "$0")/.."

wine='' pid='' xvfb=''
tranche=${SLICE:-600}
cleanup() {
    if [ -n "$pid" ]; then kill -KILL "$pid" 2>/dev/null || true; fi
    if [ -n "$wine" ]; then wineserver -k 2>/dev/null || true; fi
    stop_xvfb
}
trap cleanup EXIT
die() { echo "endurance: $*" >&2 && exit 1; }
# shellcheck source=xvfb.sh
source scripts/xvfb.sh

# mesurer SECONDS ROM: runs the program and records it in $tmp.
mesurer() {
    local secondes=$1 rom=$2
    if [ -n "$rom" ]; then
        cp -- "$rom" "$tmp/rom.ch8"
    else
        bash roms/assemble.sh bench/busy.lst >"$tmp/rom.ch8"
    fi
    bash scripts/deps.sh xvfb x11-utils strace ${wine:+wine wine64}
    start_xvfb $((secondes + 300))

    if [ -z "$wine" ]; then
        cmake -S . -B build-endurance -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
            -DBRIVANE_BENCH=OFF >/dev/null
        cmake --build build-endurance -j2 --target brivane >/dev/null
        dossier=build-endurance programme=./brivane
        printf '%s\n' "$tmp/rom.ch8" >"$tmp/path"
        # SDL_Delay(16) is clock_nanosleep(CLOCK_REALTIME, 0, {tv_sec=0, tv_nsec=16000000}).
        appels=nanosleep,clock_nanosleep motif='\{tv_sec=0, tv_nsec=16000000\}'
    else
        export WINEPREFIX=${WINEPREFIX:-/tmp/endurance-wine} WINEDEBUG=-all
        export WINEDLLOVERRIDES='mscoree,mshtml=' # no Mono or Gecko installers
        [ -f "$WINEPREFIX/system.reg" ] || timeout 120 wineboot -i >/dev/null 2>&1 ||
            die "wineboot failed"
        cp "$tmp/rom.ch8" "$wine/rom.ch8"
        printf 'rom.ch8' >"$wine/PATHROM.txt"
        : >"$tmp/path"
        dossier=$wine programme='wine brivane-win.exe'
        # Wine's Sleep(16) is a pselect6 with no descriptors for the time left until its deadline,
        # 15.5 to 16 ms (then a short one if a signal cut it); the other threads' waits are longer.
        appels=pselect6 motif='pselect6\(0, NULL, NULL, NULL, \{tv_sec=0, '
        motif+='tv_nsec=1[0-6][0-9][0-9][0-9][0-9][0-9][0-9]\}'
    fi

    # A server on the same display number that was still shutting down can delete this one's
    # socket (other runs share the machine): start another until a client gets through.
    local essais=3
    until xprop -root >/dev/null 2>&1; do
        ((--essais > 0)) || die "the X display does not answer: $(cat "$tmp/xvfb.log")"
        stop_xvfb
        start_xvfb $((secondes + 300))
    done

    # The shell writes its pid, which exec hands on to the program, even under strace and wine.
    # -ff: one trace file per thread, so the main thread's lines are not cut by the others'.
    (cd "$dossier" && exec env SDL_AUDIODRIVER=dummy strace --seccomp-bpf -ff -ttt -T \
        -e trace="$appels" -o "$tmp/trace" sh -c 'echo $$ >"$0" && exec '"$programme" "$tmp/pid" \
        <"$tmp/path" >"$tmp/out" 2>"$tmp/err") &
    prog=$!
    poll 30 test -s "$tmp/pid" || die "the program did not start: $(cat "$tmp/err")"
    pid=$(cat "$tmp/pid")
    # The first frame sleep starts the clock.
    premier() { grep -m 1 -E "$motif" "$tmp/trace.$pid" 2>/dev/null | awk '{ print $1 }'; }
    poll 60 premier >/dev/null || die "no frame: $(cat "$tmp/out" "$tmp/err")"
    t0=$(premier)

    # memory: "SECONDS VmRSS VmHWM LOAD1" every 10 s, kB.
    memoire() {
        awk -v t="$1" -v charge="$(cut -d ' ' -f 1 /proc/loadavg)" '
            $1 == "VmRSS:" { r = $2 } $1 == "VmHWM:" { h = $2 }
            END { printf "%d %d %d %s\n", t, r, h, charge }' "/proc/$pid/status"
    }
    fin=$(awk -v t0="$t0" -v s="$secondes" 'BEGIN { printf "%d", t0 + s }')
    while :; do
        maintenant=${EPOCHREALTIME%.*}
        ((maintenant < fin)) || break
        kill -0 "$pid" 2>/dev/null || die "the program ended early: $(cat "$tmp/out" "$tmp/err")"
        memoire $((maintenant - ${t0%.*})) >>"$tmp/memory"
        sleep 10
    done
    kill -KILL "$pid"
    if [ -n "$wine" ]; then wineserver -k 2>/dev/null || true; fi # strace follows it too
    { wait "$prog"; } 2>/dev/null || true # strace dies by the signal that killed the program
    pid=''
    printf '%s\n' "$t0" "$fin" "$motif" >"$tmp/run" # for the report
}

# rapporter: the figures and the verdict, from what $tmp holds.
rapporter() {
    local t0 fin motif
    { read -r t0 && read -r fin && read -r motif; } <"$tmp/run" ||
        die "$tmp holds no recorded run"
    # Each frame of the main thread: "SLICE PERIOD_MS", from the sleeps that match the pattern.
    motif=$motif awk -v t0="$t0" -v tranche="$tranche" -v fin="$fin" '$0 ~ ENVIRON["motif"] {
        if (vu++ && $1 <= fin) printf "%d %.3f\n", (debut - t0) / tranche, ($1 - debut) * 1000
        debut = $1
    }' "$tmp/trace.$(cat "$tmp/pid")" >"$tmp/frames"
    [ "$(wc -l <"$tmp/frames")" -ge 100 ] || die "too few frames: $(cat "$tmp/out" "$tmp/err")"

    # The memory sample at 60 s (or the first after it), and the last one.
    debut=$(awk '$1 >= 60 { print; exit }' "$tmp/memory")
    dernier=$(tail -n 1 "$tmp/memory")
    [ -n "$debut" ] || die "the run is shorter than a minute"
    kib() { awk -v k="$1" 'BEGIN { printf "%.1f MiB", k / 1024 }'; }
    read -r s1 r1 h1 _ <<<"$debut"
    read -r s2 r2 h2 _ <<<"$dernier"
    printf '%-10s %8s %12s %12s\n' '' seconds VmRSS VmHWM \
        'first min' "$s1" "$(kib "$r1")" "$(kib "$h1")" 'end' "$s2" "$(kib "$r2")" "$(kib "$h2")"
    echo "load average (1 min) over the run: $(awk '{ print $4 }' "$tmp/memory" | sort -n |
        awk '{ a[NR] = $1 } END { printf "min %s, median %s, max %s", a[1], a[int((NR + 1) / 2)], a[NR] }')"

    printf '%-14s %7s %10s %10s %10s\n' slice frames median p99 max
    sort -k 1,1n -k 2,2n "$tmp/frames" | awk -v tranche="$tranche" '
        function ligne() {
            printf "%5d-%-5d s %7d %7.3f ms %7.3f ms %7.3f ms\n", s * tranche, (s + 1) * tranche, n,
                p[int((n + 1) / 2)], p[int((n * 99 + 99) / 100)], p[n]
            print s, p[int((n + 1) / 2)] > "/dev/stderr"
        }
        NR > 1 && $1 != s { ligne(); n = 0 }
        { s = $1; p[++n] = $2 }
        END { ligne() }' 2>"$tmp/medians"

    verdict=PASS
    if ((h2 * 100 > h1 * 101)); then
        verdict=FAIL
        echo "memory grew after the first minute: VmHWM $h1 -> $h2 kB"
    fi
    if ! awk 'NR == 1 { m = $2 } ($2 - m > 0.2 || m - $2 > 0.2) { exit 1 }' "$tmp/medians"; then
        verdict=FAIL
        echo "the median frame period drifted by more than 0.2 ms"
    fi
    echo "$verdict"
    [ $verdict = PASS ]
}

principal() {
    if [ "${1:-}" = --report ]; then
        tmp=${2:?usage: endurance.sh --report OUT}
        rapporter
        return
    fi
    if [ "${1:-}" = --wine ]; then
        wine=$(realpath -- "$2")
        shift 2
    fi
    local secondes=${1:?usage: endurance.sh [--wine DIR] SECONDS [ROM]}
    tmp=${OUT:-$(mktemp -d /tmp/endurance.XXXXXX)}
    mkdir -p "$tmp"
    echo "endurance: recording in $tmp"
    mesurer "$secondes" "${2:-}"
    rapporter
}

principal "$@"
