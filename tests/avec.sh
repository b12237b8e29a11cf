#!/usr/bin/env bash
# avec.sh "TOOL..." COMMAND...: runs COMMAND where every TOOL is installed; else says which is
# not and exits 77, which CTest reports as a skip (a package build has no display, wine or git).
for outil in $1; do
    case $outil in
        python3-xlib) /usr/bin/python3 -c 'import Xlib' 2>/dev/null ;; # as xoutil runs
        *) command -v "$outil" >/dev/null ;;
    esac || { echo "skipped: $outil is not installed" && exit 77; }
done
shift
exec "$@"
