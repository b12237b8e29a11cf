#!/usr/bin/env bash
# Makes the README's pictures from the real program: `bash scripts/run.sh` on the demo ROM, on
# an Xvfb display of its own with the dummy audio driver, each picture the window's content
# only (512x256), captured by ImageMagick's import:
#   docs/brivane-demo.png       the window as it first appears: the sixteen digits
#   docs/brivane-demo-key.png   after a press of the keypad's 5: its digit below them
# The build folder is run.sh's: build/, or $BRIVANE_BUILD when set.
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=xvfb.sh
source scripts/xvfb.sh
scratch screenshot

bash scripts/deps.sh xvfb xdotool imagemagick
start_xvfb 600 # run.sh may first have to build the program
SDL_AUDIODRIVER=dummy bash scripts/run.sh >"$tmp/run.log" 2>&1 &
prog=$! # run.sh ends by exec'ing the program: the same process
window() { xdotool search --name '^Brivane by Orvalde$' >"$tmp/win"; }
until window; do
    kill -0 "$prog" 2>/dev/null || die "run.sh ended without a window: $(cat "$tmp/run.log")"
    sleep 0.2
done
win=$(head -n 1 "$tmp/win")

# shot N: the window's content as a binary PPM, $tmp/N.ppm.
shot() { import -window "$win" "ppm:$tmp/$1.ppm"; }
# settled BEFORE: true once two shots 250 ms apart agree, show a lit pixel and differ from the
# picture BEFORE; the program draws on its own clock, and stops redrawing while it waits for a
# key. The last shot is left in $tmp/b.ppm.
settled() {
    shot a && sleep 0.25 && shot b && cmp -s "$tmp/a.ppm" "$tmp/b.ppm" &&
        [ -n "$(tr -cd '\377' <"$tmp/b.ppm" | head -c 1)" ] && ! cmp -s "$tmp/b.ppm" "$1"
}
# keep NAME: the settled window as docs/NAME.png, checked to be 512x256; without time stamps,
# so that the same picture makes the same file.
keep() {
    head -n 2 "$tmp/b.ppm" | tail -n 1 | grep -qx '512 256' || die "the window is not 512x256"
    import -window "$win" -strip -define png:exclude-chunks=date,time "png:docs/$1.png"
    cp "$tmp/b.ppm" "$tmp/$1.ppm"
    echo "docs/$1.png"
}

poll 20 settled /dev/null || die "the demo's digits did not settle"
keep brivane-demo
xdotool windowfocus --sync "$win" keydown KP_Begin sleep 0.1 keyup KP_Begin
poll 20 settled "$tmp/brivane-demo.ppm" || die "no digit appeared for the keypad's 5"
keep brivane-demo-key
