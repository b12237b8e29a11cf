#!/usr/bin/env bash
# Draws Brivane's icon from the machine's own font: the glyphs C and 8 side by side, white on
# black, centred, each font pixel a square of 3/32 of the canvas's side (rounded down). Writes
# OUTDIR/brivane.svg (the desktop icon, 32×32) and OUTDIR/brivane.ico (the Windows program's:
# 16×16, 32×32, 48×48 and 256×256 32-bit images), and for each SIDE given OUTDIR/SIDE/brivane.png,
# a grey-scale PNG of that side, which software centres show.
#   make-icon.sh OUTDIR [SIDE...]
set -euo pipefail
sortie=$1
shift
mkdir -p "$sortie"
police=$(dirname "$0")/../src/cpu.cpp
tailles=(16 32 48 256)

# The five bytes of a digit's glyph, read from the font table.
glyphe() { sed -n "s|^ *\(0x[^/]*\), // $1\$|\1|p" "$police" | tr -d ','; }
read -r -a c <<<"$(glyphe C)"
read -r -a huit <<<"$(glyphe 8)"
if [ ${#c[@]} -ne 5 ] || [ ${#huit[@]} -ne 5 ]; then
    echo "no glyphs C and 8 in $police" >&2
    exit 1
fi

# toile SIDE: the canvas of that side and its font pixel's size; the 9×5 glyph pair is centred.
toile() {
    cote=$1 taille=$(($1 * 3 / 32))
    gauche=$(((cote - 9 * taille) / 2)) haut=$(((cote - 5 * taille) / 2))
}
# allume X Y: 0 when canvas pixel (X, Y) is lit. Glyph columns are bits 7 to 4 of a row byte.
allume() {
    local x=$((($1 - gauche) / taille)) y=$((($2 - haut) / taille))
    (($1 >= gauche && $2 >= haut && x < 9 && y < 5 && x != 4)) || return 1
    if ((x < 4)); then (((c[y] >> (7 - x)) & 1)); else (((huit[y] >> (12 - x)) & 1)); fi
}

toile 32
{
    printf '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d">\n' "$cote" "$cote"
    printf '<rect width="%d" height="%d"/>\n' "$cote" "$cote"
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
# image SIDE: one image of the icon file: its header, its BGRA pixels bottom row first, then its
# AND mask (every pixel opaque; rows of whole 32-bit words). Rows of one glyph row are alike.
masque() { echo $((4 * $1 * (($1 + 31) / 32))); }
image() {
    local x y cle ligne='' derniere=
    toile "$1"
    octets 40 4 && octets "$cote" 4 && octets $((2 * cote)) 4 # the height counts the mask too
    octets 1 2 && octets 32 2 && octets 0 24
    for ((y = cote - 1; y >= 0; y--)); do
        cle=$(((y - haut + taille) / taille))
        if [ "$cle" != "$derniere" ]; then
            ligne='' derniere=$cle
            for ((x = 0; x < cote; x++)); do
                if allume $x "$y"; then ligne+='\xff\xff\xff\xff'; else ligne+='\x00\x00\x00\xff'; fi
            done
        fi
        printf '%b' "$ligne"
    done
    head -c "$(masque "$cote")" /dev/zero
}
{
    octets 0 2 && octets 1 2 && octets ${#tailles[@]} 2 # an icon file and its number of images
    debut=$((6 + 16 * ${#tailles[@]}))                   # the first image, after the directory
    for t in "${tailles[@]}"; do
        donnees=$((40 + t * t * 4 + $(masque "$t")))
        octets "$t" 1 && octets "$t" 1 && octets 0 2 && octets 1 2 && octets 32 2 # 256 as 0
        octets $donnees 4 && octets $debut 4
        debut=$((debut + donnees))
    done
    for t in "${tailles[@]}"; do image "$t"; done
} >"$sortie/brivane.ico"

# Big-endian 32-bit numbers, as PNG writes them.
be32() { printf '%b' "$(printf '\\x%02x' $(($1 >> 24 & 255)) $(($1 >> 16 & 255)) $(($1 >> 8 & 255)) $(($1 & 255)))"; }
# morceau TYPE FILE: a PNG chunk of that type holding FILE, with its CRC-32, which gzip computes.
morceau() {
    be32 "$(stat -c %s "$2")"
    { printf '%s' "$1" && cat "$2"; } >"$2.crc"
    cat "$2.crc"
    be32 "$(gzip -c <"$2.crc" | tail -c 8 | od -An -tu4 -N4)"
    rm "$2.crc"
}
for t in "$@"; do
    toile "$t"
    mkdir -p "$sortie/$t"
    png=$sortie/$t/brivane.png
    # The rows, each after filter byte 0, white where the glyphs are lit; then deflated by gzip
    # (no name, no date), framed as zlib: its header and the Adler-32 of the rows.
    for ((y = 0; y < cote; y++)); do
        ligne='\x00'
        for ((x = 0; x < cote; x++)); do
            if allume $x $y; then ligne+='\xff'; else ligne+='\x00'; fi
        done
        printf '%b' "$ligne"
    done >"$png.rangs"
    {
        printf '\x78\xda'
        gzip -9nc <"$png.rangs" | tail -c +11 | head -c -8
        be32 "$(od -An -v -tu1 "$png.rangs" | awk '{ for (i = 1; i <= NF; i++) {
            a = (a + $i) % 65521; b = (b + a) % 65521 } } BEGIN { a = 1 } END { printf "%.0f", b * 65536 + a }')"
    } >"$png.idat"
    { be32 "$cote" && be32 "$cote" && printf '\x08\x00\x00\x00\x00'; } >"$png.ihdr"
    : >"$png.iend"
    {
        printf '\x89PNG\r\n\x1a\n'
        morceau IHDR "$png.ihdr" && morceau IDAT "$png.idat" && morceau IEND "$png.iend"
    } >"$png"
    rm "$png".{rangs,idat,ihdr,iend}
done
