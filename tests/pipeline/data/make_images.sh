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
# The other formats the imaging component reads: the same squares as PNG,
# GIF, TIFF and (small, run-length coded) BMP, and a TIFF with orientation 6.
quad 480 320 wide.png
quad 320 480 tall.gif
quad 480 320 wide.tif -type TrueColor -compress LZW
quad 192 128 BMP3:wide.bmp -type Palette -compress RLE
convert -size 64x64 xc:gray50 -type TrueColor -compress LZW grey_orient6.tif
exiftool -q -overwrite_original -n -Orientation=6 grey_orient6.tif
# Transparent below: red and lime above, nothing (white, fully transparent)
# below, as PNG and as GIF.
convert -size 320x320 xc:none -fill red -draw "rectangle 0,0 159,159" -fill lime -draw "rectangle 160,0 319,159" \
    -fill 'rgba(255,255,255,0)' -draw "rectangle 0,160 319,319" -strip PNG32:transparent.png
convert transparent.png -strip transparent.gif
# A PNG of 1 KiB whose header claims 65536 x 16384 RGBA pixels, with enough
# data for its first rows: a decoder that sizes its buffer in 32 bits gets
# none and writes the rows past it.
python3 - <<'PY'
import struct, zlib
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
w, h = 65536, 16384
rows = zlib.compress(b'\0' * ((w * 4 + 1) * 4), 9)
with open('huge_header.png', 'wb') as f:
    f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', rows) + chunk(b'IEND', b''))
PY
