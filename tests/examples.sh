#!/usr/bin/env bash
# The examples of the README and of the man pages run as shown. In a code block (README) or an
# .nf block (man page), each line "$ COMMAND" from the first one on is run, in order, in a
# scratch folder, and what it prints on both streams must be the lines under it. The folder
# holds roms/ and build/, as the source folder does after scripts/run.sh, and brivane-trace is
# on the PATH, as installed. A "$ cat FILE" whose FILE is not there first writes it from the
# lines shown, as the reader would.
#   examples.sh SOURCE TRACE
set -euo pipefail
source=$(realpath "$1")
build=$(dirname "$(realpath "$2")")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export TMPDIR=$tmp PATH=$build:$PATH
echecs=0 commandes=0
for doc in "$source/README.md" "$source"/packaging/*.[0-9]; do
    rm -rf "$tmp/ici" && mkdir "$tmp/ici" && cp -r "$source/roms" "$tmp/ici/" && ln -s "$build" "$tmp/ici/build"
    awk '/^(```|\.nf$)/ && !dans { dans = 1; vu = 0; next } /^(```|\.fi$)/ { dans = 0 }
        dans && /^\$ / { vu = 1 } dans && vu' "$doc" | sed 's/\\-/-/g; s/\\e/\\/g; s/\\&//g' \
        >"$tmp/attendu"
    mapfile -t lignes <"$tmp/attendu"
    commandes=$((commandes + $(grep -c '^\$ ' "$tmp/attendu" || true)))
    (
        cd "$tmp/ici"
        for ((i = 0; i < ${#lignes[@]}; i++)); do
            [[ ${lignes[i]} == '$ '* ]] || continue
            commande=${lignes[i]#\$ }
            echo "${lignes[i]}"
            if [[ $commande =~ ^cat\ ([^ ]+)$ && ! -e ${BASH_REMATCH[1]} ]]; then
                tail -n +$((i + 2)) "$tmp/attendu" | sed '/^\$ /,$d' >"${BASH_REMATCH[1]}"
            fi
            [[ $commande != 'cd '* ]] || { eval "$commande" && continue; }
            timeout -k 5 60 bash -c "$commande" 2>&1 || echo "status $?"
        done
    ) >"$tmp/vu"
    diff -u --label "$doc" --label "as run" "$tmp/attendu" "$tmp/vu" || echecs=$((echecs + 1))
done
((echecs == 0 && commandes > 0))
