#!/usr/bin/env bash
# One end-to-end scenario of the real program, on an Xvfb display of its own:
#   e2e.sh SCENARIO BRIVANE XOUTIL
# The program runs from its own folder (it finds sound/beep.wav there) and reads the ROM path
# on stdin; xdotool types on the keypad, xoutil reads the window and the recorded sound.
set -euo pipefail
scenario=$1
brivane=$(realpath "$2")
xoutil=$(realpath "$3")
tmp=$(mktemp -d)
xvfb='' prog='' win=''
# A sanitized build is checked for leaks, but for the few bytes that libX11 keeps at exit.
lsan="suppressions=$tmp/lsan.supp:print_suppressions=0"
echo 'leak:libX11.so' >"$tmp/lsan.supp"
prompt="Indiquez le 'chemin absolu/absolute path' de votre rom :  "

cleanup() {
    if [ -n "$prog" ]; then kill "$prog" 2>/dev/null || true; fi
    if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
    rm -rf "$tmp"
}
trap cleanup EXIT
die() { echo "FAIL e2e.$scenario: $*" >&2 && exit 1; }
# poll SECONDS CMD...: runs CMD every 50 ms until it succeeds, for at most SECONDS.
poll() {
    local n=$(($1 * 20))
    shift
    until "$@"; do ((--n > 0)) && sleep 0.05 || return 1; done
}
# rom FILE < listing: writes the ROM of the listing lines "ADDRESS WORD meaning", whose
# addresses must follow each other from 200.
rom() {
    local at=$((0x200)) a w rest
    : >"$1"
    while read -r a w rest; do
        [ $((16#$a)) -eq $at ] || die "ROM listing $1: $a where $(printf %X $at) was due"
        printf '%b' "\\x${w:0:2}\\x${w:2:2}" >>"$1"
        at=$((at + 2))
    done
}

timeout 50 Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" \
    2>"$tmp/xvfb.log" &
xvfb=$!
poll 10 test -s "$tmp/display" || die "Xvfb did not start: $(cat "$tmp/xvfb.log")"
DISPLAY=":$(cat "$tmp/display")"
export DISPLAY

# start LINE [VAR=VALUE...]: starts the program, typing LINE at its prompt, and finds its window.
start() {
    local line=$1
    shift
    (cd "$(dirname "$brivane")" && exec env SDL_AUDIODRIVER=dummy LSAN_OPTIONS="$lsan" "$@" \
        timeout 30 "$brivane" <<<"$line" >"$tmp/out" 2>"$tmp/err") &
    prog=$!
    win=$(timeout 10 xdotool search --sync --name '^Brivane by Orvalde$' | head -n 1) ||
        die "no window captioned 'Brivane by Orvalde'"
    xdotool windowfocus --sync "$win"
}
running() { kill -0 "$prog" 2>/dev/null; }
press() { xdotool keydown "$1" sleep 0.1 keyup "$1" sleep 0.1; }
close_window() { "$xoutil" close "$win" || die "could not ask the window to close"; }
# finish key|close: the program, done with its loop, must wait for a key or a close, then
# end with status 0, with nothing on stderr; its stdout must be the prompt followed by what
# finish reads on stdin.
finish() {
    sleep 0.5
    running || die "the program ended before the final $1"
    if [ "$1" = key ]; then press a; else close_window; fi
    poll 5 eval '! running' || die "the program is still running after the final $1"
    local rc=0
    wait "$prog" || rc=$?
    prog=''
    [ "$rc" -eq 0 ] || die "exit status $rc: $(cat "$tmp/err")"
    # The disk audio driver writes a warning of its own.
    [ "$scenario" = sound ] || [ ! -s "$tmp/err" ] || die "stderr: $(cat "$tmp/err")"
    [ "$(cat "$tmp/out" && echo .)" = "$prompt$(cat && echo .)" ] ||
        die "stdout was [$(cat "$tmp/out")]"
}
shows() { [ "$("$xoutil" grid "$win")" = "$1" ]; }
# expect PICTURE: waits until the window shows PICTURE (32 lines of 64 cells, '#' lit).
expect() {
    "$xoutil" grid "$win" >/dev/null || die "the window cannot be read as a 64x32 grid"
    poll 5 shows "$1" || die "the window shows (left) instead of (right):
$("$xoutil" grid "$win" | paste -d ' ' - <(echo "$1"))"
}
# pic ROW...: the picture whose top rows are ROW..., padded with unlit cells.
pic() {
    local i r
    for ((i = 1; i <= 32; i++)); do
        r=${!i:-}
        while [ ${#r} -lt 64 ]; do r+=.; done
        echo "$r"
    done
}

case $scenario in
    picture)
        rom "$tmp/rom" <<'EOF'
200 6201  V2 = 1: y (V0 = 0: digit, V1 = 0: x)
202 F029  I = glyph V0                 <- every digit, eight to a row
204 D125  draw it at (V1, V2)
206 7001  V0 += 1
208 7105  V1 += 5
20A 3128  skip if V1 == 40: row full
20C 1202  jp 202
20E 6100  V1 = 0
210 7206  V2 += 6
212 3010  skip if V0 == 16: all drawn
214 1202  jp 202
216 6A3C  VA = 60
218 6B0E  VB = 14
21A A228  I = 228: a row of 8 pixels
21C DAB1  draw it at (60, 14): it wraps to column 0
21E 6A2C  VA = 44
220 6B1E  VB = 30
222 A028  I = 40: glyph 8
224 DAB5  draw it at (44, 30): its last three rows wrap to the top
226 1226  jp 226: stay
228 FF00  the row of 8 pixels
EOF
        start "$tmp/rom"
        expect "$(cat <<'EOF'
............................................####................
####...#..####.####.#..#.####.####.####.....#..#................
#..#..##.....#....#.#..#.#....#.......#.....####................
#..#...#..####.####.####.####.####...#..........................
#..#...#..#.......#....#....#.#..#..#...........................
####..###.####.####....#.####.####..#...........................
................................................................
####.####.####.###..####.###..####.####.........................
#..#.#..#.#..#.#..#.#....#..#.#....#............................
####.####.####.###..#....#..#.####.####.........................
#..#....#.#..#.#..#.#....#..#.#....#............................
####.####.#..#.###..####.###..####.#............................
................................................................
................................................................
####........................................................####
................................................................
................................................................
................................................................
................................................................
................................................................
................................................................
................................................................
................................................................
................................................................
................................................................
................................................................
................................................................
................................................................
................................................................
................................................................
............................................####................
............................................#..#................
EOF
        )"
        close_window
        finish key </dev/null
        ;;
    keys | quit_in_key_wait)
        rom "$tmp/rom" <<'EOF'
200 F00A  V0 = next keypad key pressed   <- three keys
202 F029  I = its glyph
204 D125  draw it at (V1, 0)
206 7105  V1 += 5
208 6A03  VA = 3
20A FA15  delay timer = VA: let the window show it
20C FA07  VA = delay timer
20E 3A00  skip if VA == 0
210 120C  jp 20C
212 310F  skip if V1 == 15
214 1200  jp 200
216 6305  V3 = 5: the key watched
218 6414  V4 = 20: x of the status glyph
21A 6501  V5 = 1: status shown, key 5 released
21C F529  I = glyph V5
21E D425  draw it at (20, 0)
220 6600  V6 = 0                         <- status: 2 held, 1 released, else a fault
222 E3A1  skip if key 5 is not held
224 7602  V6 += 2
226 E39E  skip if key 5 is held
228 7601  V6 += 1
22A 9560  skip if V5 != V6
22C 1220  jp 220: no change
22E F529  I = glyph V5
230 D425  erase the old status
232 8560  V5 = V6
234 F529  I = glyph V5
236 D425  draw the new one
238 1220  jp 220
EOF
        start "$tmp/rom"
        press a       # not on the keypad: no key for the wait
        press KP_Home # keypad 7: key 1
        expect "$(pic ..#. .##. ..#. ..#. .###)"
        if [ "$scenario" = keys ]; then
            press KP_Divide # key F
            expect "$(pic ..#..#### .##..#... ..#..#### ..#..#... .###.#...)"
            press KP_Enter # key B
            read -r -a fb <<<'..#..####.###. .##..#....#..# ..#..####.###. ..#..#....#..# .###.#....###.'
            released=("${fb[0]}........#." "${fb[1]}.......##." "${fb[2]}........#."
                "${fb[3]}........#." "${fb[4]}.......###")
            expect "$(pic "${released[@]}")"
            xdotool keydown KP_Begin # keypad 5: key 5
            expect "$(pic "${fb[0]}......####" "${fb[1]}.........#" "${fb[2]}......####" \
                "${fb[3]}......#..." "${fb[4]}......####")"
            xdotool keyup KP_Begin
            expect "$(pic "${released[@]}")"
        else
            sleep 0.2 # in the second key wait, where the close request comes
        fi
        close_window
        finish key </dev/null
        ;;
    sound)
        rom "$tmp/rom" <<'EOF'
200 6B1E  VB = 30: frames between beeps
202 6001  V0 = 1
204 F018  sound timer = 1: first beep
206 221C  call 21C
208 603C  V0 = 60
20A F018  sound timer = 60: second beep, as short as the first
20C 221C  call 21C
20E 60FF  V0 = 255
210 F018  sound timer = 255: third beep
212 221C  call 21C
214 6003  V0 = 3
216 F029  I = glyph 3
218 D115  draw it at (0, 0): done
21A 121A  jp 21A: stay
21C FB15  delay timer = VB               <- wait VB frames
21E FA07  VA = delay timer
220 3A00  skip if VA == 0
222 121E  jp 21E
224 00EE  return
EOF
        start "$tmp/rom" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$tmp/audio" \
            SDL_DISKAUDIODELAY=46
        expect "$(pic '####' '...#' '####' '...#' '####')"
        close_window
        finish key </dev/null
        # The beep lasts as long as beep.wav (0.15 s), whatever the sound timer holds.
        beeps=$("$xoutil" beeps "$tmp/audio" | tr '\n' ' ')
        [[ $beeps =~ ^(1[0-9][0-9]\ ){3}$ ]] || die "beeps of [ $beeps] ms, not 3 of 0.15 s"
        ;;
    errors)
        # The window opens all the same and waits for a key or a close.
        long="$tmp/$(printf '%*s' $((199 - ${#tmp} - 1)) '' | tr ' ' d)"
        mkdir "$long" # a 199-character path: read whole, and a directory is no ROM
        start "$tmp/none.ch8"
        finish key <<<'Error opening file: No such file or directory.'
        start "$long"
        finish close <<<'Error opening file: Is a directory.'
        start "${long}x" # 200 characters: refused
        finish key <<<'Error opening file: File name too long.'
        start ''
        finish key <<<'Error opening file: No such file or directory.'
        ;;
    *) die "unknown scenario" ;;
esac
echo "e2e.$scenario passed"
