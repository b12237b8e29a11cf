#!/usr/bin/env bash
# One end-to-end scenario of the real program, on an Xvfb display of its own:
#   e2e.sh SCENARIO BRIVANE XOUTIL TRACE   (BRIVANE: the Linux program; for the win_* scenarios
#                                           the Windows zip, run under wine)
# The program runs from its own folder (it finds sound/beep.wav there) and reads the ROM path
# at its prompt, or from PATHROM.txt on Windows; xdotool types on the keypad, xoutil reads and
# closes the window, SDL's disk audio driver records the sound. The window must show what
# brivane-trace (TRACE) reports for the same ROM and keys, the machine's own work being checked
# by the golden cases.
set -euo pipefail
scenario=$1 brivane=$(realpath "$2") xoutil=$(realpath "$3") trace=$(realpath "$4")
tmp=$(mktemp -d) prog='' win='' dossier=''
# A sanitized build is checked for leaks, but for the few bytes that libX11 keeps at exit.
export LSAN_OPTIONS="suppressions=$tmp/lsan.supp:print_suppressions=0"
echo 'leak:libX11.so' >"$tmp/lsan.supp"
prompt="Indiquez le 'chemin absolu/absolute path' de votre rom :  "

# The program runs under timeout, which leads a process group of its own with it: killed
# whole, whatever the program does.
cleanup() {
    if [ -n "$prog" ]; then kill -KILL -- "-$prog" "$prog" 2>/dev/null || true; fi
    if [[ $scenario == win_* ]]; then wineserver -k 2>/dev/null || true; fi
    stop_xvfb
    rm -rf "$tmp"
}
trap cleanup EXIT
die() { echo "FAIL e2e.$scenario: $*" >&2 && exit 1; }
# shellcheck source=../../scripts/xvfb.sh
source "$(dirname "$0")/../../scripts/xvfb.sh"
start_xvfb 200 # the wine scenarios may first make a wine prefix

find_window() {
    win=$(timeout -k 5 "$1" xdotool search --sync --name '^Brivane by Orvalde$' | head -n 1) ||
        die "no window captioned 'Brivane by Orvalde'"
    timeout -k 5 10 xdotool windowfocus --sync "$win"
}
# start LINE [VAR=VALUE...]: starts the program and finds its window. LINE is typed only once
# the prompt shows, as a user would: a prompt left in the buffer leaves the path unread. SDL
# turns SIGTERM into a quit request, which a program gone wrong may ignore: hence -k. 50 s, as
# a sanitized build on a busy machine may need, ends it before CTest's 60 s end the script.
start() {
    local line=$1
    shift
    (cd "$(dirname "$brivane")" && exec env SDL_AUDIODRIVER=dummy "$@" \
        timeout -k 5 50 "$brivane" < <(poll 5 grep -qsF "$prompt" "$tmp/out" && echo "$line") \
        >"$tmp/out" 2>"$tmp/err") &
    prog=$!
    find_window 10
}
# unpack ZIP: unpacks the Windows zip into an empty folder, dossier, the one it holds.
unpack() {
    mkdir "$tmp/pkg"
    (cd "$tmp/pkg" && cmake -E tar xf "$1") || die "cannot unpack $1"
    dossier=$(echo "$tmp"/pkg/*)
    [ -d "$dossier" ] || die "$1 does not hold one folder"
}
# start_win PATHROM [VAR=VALUE...]: starts the Windows program, unpacked from its zip, under
# wine in its own folder, with the file PATHROM as PATHROM.txt (. keeps the one it has).
start_win() {
    export WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' # no Mono or Gecko installers
    export LC_ALL=C.UTF-8 # wine names Unix files in the locale's encoding, as a desktop's is
    if [ -z "$dossier" ]; then
        unpack "$brivane"
        # A wine prefix is made once and kept: its first start takes 10 to 20 s.
        [ -f "$WINEPREFIX/system.reg" ] || timeout -k 5 120 wineboot -i >/dev/null 2>&1 ||
            die "wineboot failed"
    fi
    rm -f "$dossier"/std*.txt
    if [ "$1" != . ]; then cp "$1" "$dossier/PATHROM.txt"; fi
    shift
    (cd "$dossier" && exec env "$@" timeout -k 5 60 wine brivane-win.exe >"$tmp/out" 2>&1) &
    prog=$!
}
press() { timeout -k 5 10 xdotool keydown "$1" sleep 0.1 keyup "$1" sleep 0.1; }
close_window() { timeout -k 5 10 "$xoutil" close "$win" || die "could not ask the window to close"; }
# reap SECONDS MESSAGE: waits for the program to end (dies with MESSAGE if it does not);
# its exit status is left in rc.
reap() {
    poll "$1" eval '! kill -0 "$prog" 2>/dev/null' || die "$2"
    rc=0
    wait "$prog" || rc=$?
    prog=''
}
# end_run key|close: the program, done with its loop, must wait for a key or a close, then
# end with status 0.
end_run() {
    sleep 0.5
    kill -0 "$prog" || die "the program ended before the final $1"
    if [ "$1" = key ]; then press a; else close_window; fi
    reap 10 "the program is still running after the final $1"
    [ "$rc" -eq 0 ] || die "exit status $rc: $(cat "$tmp/err" "$tmp/out")"
}
# finish key|close: end_run; nothing on stderr (but the disk audio driver's warning, in SDL 1.2's
# words or those of sdl12-compat's SDL2), and on stdout the prompt alone.
finish() {
    end_run "$1"
    grep -v -q -E -e '^(WARNING: You are using the SDL disk writer|(CRITICAL: )? Writing to file)' \
        -e '^CRITICAL: You are using the SDL disk i/o audio driver!$' "$tmp/err" &&
        die "stderr: $(cat "$tmp/err")"
    [ "$(cat "$tmp/out" && echo .)" = "$prompt." ] || die "stdout was [$(cat "$tmp/out")]"
}
# beeps FILE: the length in ms of each beep of a raw S16LE stereo recording, one per line: a
# beep is a stretch of samples above 500, with gaps under 661 frames in it; its length is told
# by the sign changes of beep.wav's 880 Hz, whatever rate the driver records at (SDL 1.2's disk
# driver records at 22050 Hz, sdl12-compat's at 44100).
beeps() {
    od -An -v -td2 -w4 "$1" | awk 'function fin() { if (start) print int(bascules * 1000 / 1760) }
        $1 > 500 || $1 < -500 || $2 > 500 || $2 < -500 {
            if (!start || NR - last > 661) { fin(); start = NR; bascules = 0 }
            else if (($1 < 0) != negatif) bascules++
            negatif = $1 < 0; last = NR } END { fin() }'
}
shows() { [ "$(timeout -k 5 10 "$xoutil" grid "$win")" = "$1" ]; }
# expect ROM [EVENTS]: waits until the window shows the grid that brivane-trace reports for ROM
# run with EVENTS (its -k list).
expect() {
    local attendu
    attendu=$(timeout -k 5 30 "$trace" ${2:+-k "$2"} "$1" | head -n 32) ||
        die "brivane-trace failed on $1"
    poll 5 shows "$attendu" || die "the window shows (left) instead of (right):
$(timeout -k 5 10 "$xoutil" grid "$win" | paste -d ' ' - <(echo "$attendu"))"
}
# play_demo ROM KEY=VALUE...: the demo shows its digits, ignores a key off the keypad, then
# shows the digit of each keypad KEY pressed (keypad 7 is key 1); then, while the demo waits
# for the next key, the window is closed.
play_demo() {
    local rom=$1 events='' k
    shift
    expect "$rom"
    press a
    for k; do
        press "${k%=*}"
        events+="${events:+,}999:down:${k#*=},999:up:${k#*=}" # for the key waits
        expect "$rom" "$events"
    done
    sleep 0.3
    close_window
}
demo=$(realpath "$(dirname "$0")/../../roms/demo.ch8")

case $scenario in
    demo)
        # Every keypad key, each with a beep as long as beep.wav (0.15 s). The close, taken by
        # the key wait, ends the run; a second close ends the final wait.
        start "$demo" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$tmp/audio" SDL_DISKAUDIODELAY=46
        play_demo "$demo" KP_Insert=0 KP_Home=1 KP_Up=2 KP_Prior=3 KP_Left=4 KP_Begin=5 \
            KP_Right=6 KP_End=7 KP_Down=8 KP_Next=9 KP_Delete=A KP_Enter=B KP_Subtract=C \
            KP_Add=D KP_Multiply=E KP_Divide=F
        finish close
        beeps=$(beeps "$tmp/audio" | tr '\n' ' ')
        [[ $beeps =~ ^(1[0-9][0-9]\ ){16}$ ]] || die "beeps of [ $beeps] ms, not 16 of 0.15 s"
        ;;
    win_demo)
        # The zip as shipped, unzipped and started with nothing else done, plays its demo (wine
        # has no sound card here: the dummy driver stands in for one). Empty message files are
        # deleted. Then PATHROM.txt as Windows users make it, naming folders with a space and
        # letters outside ASCII: PowerShell 5's "echo PATH > PATHROM.txt" (UTF-16 LE with a
        # byte-order mark; К is 1A 04, which text mode would take for the end of the file), and
        # Explorer's "Copy as path" pasted into Notepad and saved as "UTF-8 with BOM".
        mkdir "$tmp/mes rôms" "$tmp/Кроме"
        cp "$demo" "$tmp/mes rôms/démo.ch8" && cp "$demo" "$tmp/Кроме/демо.ch8"
        { printf '\xFF\xFE' && printf 'Z:%s\\Кроме\\демо.ch8\r\n' "${tmp//\//\\}" |
            iconv -f UTF-8 -t UTF-16LE; } >"$tmp/powershell"
        printf '\xEF\xBB\xBF"Z:%s\\mes rôms\\démo.ch8"\r\n' "${tmp//\//\\}" >"$tmp/copie"
        for pathrom in . "$tmp/powershell" "$tmp/copie"; do
            start_win "$pathrom" SDL_AUDIODRIVER=dummy
            find_window 60
            play_demo "$demo" KP_Divide=F
            end_run key
            [ -z "$(ls "$dossier"/std*.txt 2>/dev/null)" ] || die "$pathrom: $(cat "$dossier"/std*)"
        done
        ;;
    win_errors)
        # An empty path, a directory, a device: reported in stdout.txt; the window waits for a key.
        for cas in '=No such file or directory' 'roms=Is a directory' 'NUL=Invalid argument'; do
            printf '%s' "${cas%%=*}" >"$tmp/pathrom"
            start_win "$tmp/pathrom" SDL_AUDIODRIVER=dummy
            find_window 60
            end_run key
            [ "$(tr -d '\r' <"$dossier/stdout.txt")" = "Error opening file: ${cas#*=}." ] ||
                die "stdout.txt: $(cat "$dossier/stdout.txt")"
        done
        # Wine has no sound device here: SDL_mixer cannot start, which ends the program.
        start_win .
        reap 60 "the program runs with no sound device"
        [ "$rc" -eq 1 ] || die "exit status $rc with no sound device"
        [[ "$(tr -d '\r' <"$dossier/stderr.txt")" == \
            "Problème d'initialisation de SDL_MIXER: "?* ]] ||
            die "stderr.txt: $(cat "$dossier/stderr.txt")"
        ;;
    *) die "unknown scenario" ;;
esac
echo "e2e.$scenario passed"
