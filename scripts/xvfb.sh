# Sourced by the scripts that run Brivane on an X display of their own (tests/e2e/e2e.sh,
# scripts/measure.sh, scripts/screenshot.sh, scripts/endurance.sh). The caller defines die and
# has a scratch folder in $tmp, or has scratch make both.

# scratch NAME: a scratch folder in $tmp and die, whose messages start with NAME; at exit the
# program whose pid is in $prog is killed, the server stopped and the folder removed.
scratch() {
    tmp=$(mktemp -d)
    prog=''
    nom=$1
    die() { echo "$nom: $*" >&2 && exit 1; }
    trap 'if [ -n "$prog" ]; then kill -KILL "$prog" 2>/dev/null || true; fi; stop_xvfb; rm -rf "$tmp"' EXIT
}

# poll SECONDS CMD...: runs CMD every 50 ms until it succeeds, for at most SECONDS.
poll() {
    local n=$(($1 * 20))
    shift
    until "$@"; do ((--n > 0)) && sleep 0.05 || return 1; done
}

# start_xvfb SECONDS: an Xvfb server on a free display, for at most SECONDS; exports DISPLAY.
xvfb=''
start_xvfb() {
    timeout "$1" Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" \
        2>"$tmp/xvfb.log" &
    xvfb=$!
    poll 10 test -s "$tmp/display" || die "Xvfb did not start: $(cat "$tmp/xvfb.log")"
    export DISPLAY=":$(cat "$tmp/display")"
}

# Waited for: a server still shutting down would delete the socket of the next one given the
# same display number.
stop_xvfb() {
    if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null || true; fi
}
