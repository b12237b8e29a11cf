#!/usr/bin/env bash
# Draws Brivane's icon from the machine's own font: the glyphs C and 8 side by side, white on
# black, each font pixel a 3×3 square on a 32×32 canvas. Writes OUTDIR/brivane.svg (the desktop
# icon) and OUTDIR/brivane.ico (the Windows program's: one 32×32 32-bit image).
#   make-icon.sh OUTDIR
set -euo pipefail
sortie=$1
police=$(dirname "$0")/../src/cpu.cpp
cote=32 taille=3 gauche=2 haut=8 # the 9×5 glyph pair, centred

# The five bytes of a digit's glyph, read from the font table.
glyphe() { sed -n "s|^ *\(0x[^/]*\), // $1\$|\1|p" "$police" | tr -d ','; }
read -r -a c <<<"$(glyphe C)"
read -r -a huit <<<"$(glyphe 8)"
if [ ${#c[@]} -ne 5 ] || [ ${#huit[@]} -ne 5 ]; then
    echo "no glyphs C and 8 in $police" >&2
    exit 1
fi

# allume X Y: 0 when canvas pixel (X, Y) is lit. Glyph columns are bits 7 to 4 of a row byte.
allume() {
    local x=$((($1 - gauche) / taille)) y=$((($2 - haut) / taille))
    (($1 >= gauche && $2 >= haut && x < 9 && y < 5 && x != 4)) || return 1
    if ((x < 4)); then (((c[y] >> (7 - x)) & 1)); else (((huit[y] >> (12 - x)) & 1)); fi
}

{
    printf '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d">\n' $cote $cote
    printf '<rect width="%d" height="%d"/>\n' $cote $cote
    for ((y = haut; y < haut + 5 * taille; y += taille)); do
        for ((x = gauche; x < gauche + 9 * taille; x += taille)); do
            if allume $x $y; then
                printf '<rect x="%d" y="%d" width="%d" height="%d" fill="#fff"/>\n' \
                    $x $y $taille $taille
            fi
        done
    done
    printf '</svg>\n'
} >"$sortie/brivane.svg"

# Little-endian fields of the icon file.
octets() {
    local i
    for ((i = 0; i < $2; i++)); do
        printf '%b' "\\x$(printf %02x $((($1 >> 8 * i) & 255)))"
    done
}
donnees=$((40 + cote * cote * 4 + cote * cote / 8)) # header, BGRA pixels, AND mask
{
    octets 0 2 && octets 1 2 && octets 1 2 # an icon file holding one image
    octets $cote 1 && octets $cote 1 && octets 0 2 && octets 1 2 && octets 32 2
    octets $donnees 4 && octets 22 4
    octets 40 4 && octets $cote 4 && octets $((2 * cote)) 4 # the height counts the mask too
    octets 1 2 && octets 32 2 && octets 0 24
    for ((y = cote - 1; y >= 0; y--)); do # bottom row first
        for ((x = 0; x < cote; x++)); do
            if allume $x $y; then printf '\xff\xff\xff\xff'; else printf '\x00\x00\x00\xff'; fi
        done
    done
    octets 0 $((cote * cote / 8)) # every pixel opaque
} >"$sortie/brivane.ico"
