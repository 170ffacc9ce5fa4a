#!/usr/bin/env bash
# Runs pipeline_bench beside vipsthumbnail and ImageMagick's convert on the same inputs, on the
# same road as far as each tool has it (fit into 1600 x 1600, sharpen, a text label, JPEG
# quality 80, metadata kept), and prints each tool's rate and the ratios.
#
# Usage: bench/compare.sh <pipeline_bench binary> [input folder]
# Without an input folder, 12 photographs of 4000 x 3000 pixels are generated first.
set -euo pipefail

bench=${1:?usage: compare.sh <pipeline_bench binary> [input folder]}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [[ $# -ge 2 ]]; then
  input=$2
else
  input=$work/input
  mkdir -p "$input"
  # A smooth plasma with noise compresses like a photograph.
  convert -size 1000x750 plasma:fractal -resize 4000x3000! -attenuate 0.3 +noise Gaussian \
    -quality 92 "$input/photo_00.jpg"
  for i in $(seq -w 1 11); do cp "$input/photo_00.jpg" "$input/photo_$i.jpg"; done
fi
count=$(find "$input" -maxdepth 1 -type f | wc -l)

# Elapsed seconds of a command, its output discarded.
elapsed() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

mkdir -p "$work/ours" "$work/vips" "$work/magick"
ours_line=$("$bench" "$input" "$work/ours")
ours=$(sed -E 's/.*seconds ([0-9.]+).*/\1/' <<<"$ours_line")
peak=$(sed -E 's/.*peak_rss_mib ([0-9.]+).*/\1/' <<<"$ours_line")

vips=$(elapsed bash -c "for f in '$input'/*; do
  vipsthumbnail \"\$f\" --size 1600x1600 -o '$work/vips/%s.jpg[Q=80,keep=exif]'; done")

magick=$(elapsed bash -c "for f in '$input'/*; do
  b=\$(basename \"\$f\"); convert \"\$f\" -resize 1600x1600 -unsharp 0x1.2+0.5+0 \
    -gravity southeast -fill white -pointsize 24 -annotate +20+20 'Glimbrik benchmark' \
    -quality 80 '$work/magick/'\"\${b%.*}.jpg\"; done")

rate() { echo "scale=3; $count / $1" | bc -l; }
printf 'inputs            %d images\n' "$count"
printf 'pipeline_bench    %8.3f s  %7s images/s  peak %s MiB\n' "$ours" "$(rate "$ours")" "$peak"
printf 'vipsthumbnail     %8.3f s  %7s images/s\n' "$vips" "$(rate "$vips")"
printf 'convert           %8.3f s  %7s images/s\n' "$magick" "$(rate "$magick")"
printf 'time ratio ours/vipsthumbnail  %s\n' "$(echo "scale=2; $ours / $vips" | bc -l)"
printf 'time ratio ours/convert        %s\n' "$(echo "scale=2; $ours / $magick" | bc -l)"
