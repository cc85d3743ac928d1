#!/bin/sh
# Makes the test photos in this folder (ImageMagick). Each has a centred square
# of four coloured quadrants (red, green / blue, yellow from the top left) and
# magenta margins that a square crop cuts off.
set -e
cd "$(dirname "$0")"
quad() { # width height output [options]
    w=$1 h=$2 out=$3
    shift 3
    if [ "$w" -gt "$h" ]; then s=$h x=$(((w - h) / 2)) y=0; else s=$w x=0 y=$(((h - w) / 2)); fi
    m=$((s / 2))
    convert -size "${w}x${h}" xc:magenta \
        -fill red -draw "rectangle $x,$y $((x + m - 1)),$((y + m - 1))" \
        -fill lime -draw "rectangle $((x + m)),$y $((x + s - 1)),$((y + m - 1))" \
        -fill blue -draw "rectangle $x,$((y + m)) $((x + m - 1)),$((y + s - 1))" \
        -fill yellow -draw "rectangle $((x + m)),$((y + m)) $((x + s - 1)),$((y + s - 1))" \
        -sampling-factor 1x1 -quality 98 -strip "$@" "$out"
}
quad 480 320 wide.jpg
quad 320 480 tall.jpg
quad 300 200 small.jpg
# Odd but valid photos: a 20:1 panorama, progressive, CMYK, a single pixel.
quad 2000 100 panorama.jpg
quad 480 320 progressive.jpg -interlace JPEG
quad 320 480 cmyk.jpg -colorspace CMYK
convert -size 1x1 xc:red -quality 90 -strip one_pixel.jpg
# A plain grey photo with EXIF orientation 6 written big-endian.
convert -size 64x64 xc:gray50 -quality 90 -strip grey_orient6.jpg
exiftool -q -overwrite_original -n -ExifByteOrder=MM -Orientation=6 grey_orient6.jpg
