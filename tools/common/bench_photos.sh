# Sourced by the benchmark scripts: bench_photos DIR WIDTHxHEIGHT COUNT [NAME]
# makes COUNT photo-like JPEGs in DIR, NAME_1.jpg and on (NAME: photo):
# smooth colour fields with fine noise, JPEG quality 90.
bench_photos() {
    local dir=$1 size=$2 count=$3 name=${4:-photo} w h i
    w=${size%x*} h=${size#*x}
    for i in $(seq 1 "$count"); do
        convert -size "$((w / 8))x$((h / 8))" plasma:fractal -seed "$i" -resize "${w}x${h}!" \
            -attenuate 0.4 +noise Gaussian -quality 90 "$dir/${name}_$i.jpg"
    done
    echo "$count photos of ${w}x${h} ($(du -sh "$dir" | cut -f1))"
}
