#!/bin/bash
# Makes the bundled sample photos: simple drawn landscapes, each labelled with
# its number and an arrow that points up when the photo is shown upright. Some
# are stored turned or mirrored, with the EXIF orientation that puts them right.
# usage: tools/make-samples.sh [folder]   (needs imagemagick and exiftool)
set -eu
out=${1:-samples}
mkdir -p "$out/more"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# draw NAME WIDTH HEIGHT SKY1 SKY2 GROUND LABEL
draw() {
    local name=$1 w=$2 h=$3 sky1=$4 sky2=$5 ground=$6 label=$7
    local hy=$((h * 2 / 3)) sx=$((w * 3 / 4)) sy=$((h / 4)) sr=$((h / 10))
    convert -size ${w}x${h} gradient:"$sky1"-"$sky2" \
        -fill "$ground" -draw "polygon 0,$h 0,$hy $((w / 4)),$((hy - h / 10)) $((w / 2)),$hy $((w * 3 / 4)),$((hy - h / 16)) $w,$((hy + h / 20)) $w,$h" \
        -fill '#ffe680' -draw "circle $sx,$sy $((sx + sr)),$sy" \
        -fill white -stroke black -strokewidth 3 \
        -draw "polygon $((w / 4)),$((h / 8)) $((w / 4 - h / 12)),$((h / 4)) $((w / 4 + h / 12)),$((h / 4))" \
        -draw "rectangle $((w / 4 - h / 40)),$((h / 4)) $((w / 4 + h / 40)),$((h * 2 / 5))" \
        -gravity south -pointsize $((h / 9)) -annotate +0+$((h / 12)) "$label" \
        -quality 82 -strip "$tmp/$name.jpg"
}

# store NAME ORIENTATION TRANSFORM OUT: turns the upright picture into the way a
# camera would have stored it, and records the orientation that undoes it.
store() {
    local name=$1 orientation=$2 transform=$3 dest=$4
    convert "$tmp/$name.jpg" $transform -quality 82 "$dest"
    exiftool -q -overwrite_original -n -Orientation=$orientation "$dest"
}

draw p1 800 600 '#1d3b8a' '#f0a860' '#2f5e2a' '1'
draw p2 800 600 '#87c5ff' '#e8f4ff' '#6b8e23' '2'
draw p3 600 800 '#402060' '#ff8040' '#3b3b3b' '3'
draw p4 800 600 '#0b1030' '#3050a0' '#203018' '4  EXIF 6'
draw p5 800 600 '#ffd0a0' '#ff7070' '#806040' '5  EXIF 3'
draw p6 640 640 '#60a0d0' '#d0f0ff' '#508050' '6  EXIF 8'
draw p7 800 600 '#a0d0a0' '#f0fff0' '#405a30' '7  EXIF 2'

store p1 1 "" "$out/01-evening.jpg"
store p2 1 "" "$out/02-noon.JPG"
store p3 1 "" "$out/03-tall.jpg"
store p4 6 "-rotate -90" "$out/04-sideways.jpg"
store p5 3 "-rotate 180" "$out/05-upside-down.jpg"
store p6 8 "-rotate 90" "$out/more/06-other-side.jpg"
store p7 2 "-flop" "$out/more/07-mirrored.jpg"
du -sh "$out"
