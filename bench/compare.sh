#!/usr/bin/env bash
# Side-by-side runs of our engine and vipsthumbnail on the same inputs, in one go, with every
# tool's exit status and outputs checked (a peer that fails stops the script instead of giving a
# ratio against nothing):
#   1. headline road: 6 photographs of 6000 x 4000, fit into 1600 x 1600, JPEG 80, metadata
#      kept, no sharpening, no watermark; pipeline_bench against vipsthumbnail with one thread
#      (VIPS_CONCURRENCY=1), whole processes, paired runs, medians;
#   2. batch road: 24 such files through the batch run, one at a time and with one worker per
#      core, against `xargs -P$(nproc) vipsthumbnail`, paired runs, medians; the two runs of ours
#      must give the same bytes;
#   3. peak memory fitting PNGs of 18.75, 75 and 300 megapixels into 1600 x 1600;
#   4. quality: SSIM against ImageMagick's Lanczos on a photograph, and aliasing left on a
#      zone plate reduced 2.5 x, from PNG and JPEG sources.
#
# Usage: bench/compare.sh <Release build folder> [sections, default "1 2 3 4"]
set -euo pipefail

build=${1:?usage: compare.sh <Release build folder> [sections]}
sections=${2:-1 2 3 4}
pipeline=$build/bench/pipeline_bench
batch=$build/bench/batch_run_bench
here=$(cd "$(dirname "$0")" && pwd)
for tool in "$pipeline" "$batch"; do
  [[ -x $tool ]] || { echo "missing $tool" >&2; exit 1; }
done
for tool in vipsthumbnail vips convert identify exiv2 bc /usr/bin/time python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cores=$(nproc)
echo "cores: $cores   vips: $(vips --version)   $(date -u +%FT%TZ)"

fail() { echo "FAILED: $*" >&2; exit 1; }

# Runs a command; dies with its output when it fails.
must() {
  local log=$work/last.log
  "$@" >"$log" 2>&1 || { cat "$log" >&2; fail "$*"; }
}

# Seconds and peak resident KiB of a command: "<seconds> <kib>".
measure() {
  local out=$work/time.txt
  /usr/bin/time -f '%e %M' -o "$out" "$@" >"$work/last.log" 2>&1 || {
    cat "$work/last.log" >&2
    fail "$*"
  }
  cat "$out"
}

# Every file of a folder is a JPEG fitting 1600 x 1600 with one side 1600; the count must match.
check_outputs() {
  local folder=$1 want=$2 n=0 f size fmt w h
  for f in "$folder"/*; do
    size=$(identify -format '%m %w %h' "$f" 2>/dev/null) || fail "unreadable output $f"
    read -r fmt w h <<<"$size"
    [[ $fmt == JPEG ]] || fail "$f is $fmt, not JPEG"
    (( (w == 1600 && h <= 1600) || (h == 1600 && w <= 1600) )) || fail "$f is $w x $h"
    n=$((n + 1))
  done
  (( n == want )) || fail "$folder holds $n outputs, not $want"
}

median() { sort -g | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
ratio() { echo "scale=3; $1 / $2" | bc -l; }

photos=$work/photos
mkdir -p "$photos"
# A smooth plasma with noise compresses like a photograph.
must convert -size 1500x1000 plasma:fractal -resize 6000x4000! -attenuate 0.25 +noise Gaussian \
  -quality 92 "$photos/photo_0.jpg"
for i in 1 2 3 4 5; do
  must convert "$photos/photo_0.jpg" -roll +$((i * 997))+$((i * 631)) -quality 92 \
    "$photos/photo_$i.jpg"
done
for f in "$photos"/*.jpg; do must exiv2 -M"set Exif.Image.Artist Bench" "$f"; done

if [[ $sections == *1* ]]; then
  echo
  echo "== 1. headline road: 6 x 24 MP JPEG, fit 1600, JPEG 80, metadata kept (5 paired runs)"
  ours=() vips=()
  for run in 1 2 3 4 5; do
    rm -rf "$work/o" "$work/v" && mkdir -p "$work/o" "$work/v"
    read -r s _ < <(measure "$pipeline" "$photos" "$work/o" 1 plain)
    ours+=("$s")
    read -r s _ < <(measure env VIPS_CONCURRENCY=1 vipsthumbnail "$photos"/*.jpg \
      --size 1600x1600 -o "$work/v/%s.jpg[Q=80]")
    vips+=("$s")
  done
  check_outputs "$work/o" 6
  check_outputs "$work/v" 6
  for f in "$work/o/photo_0.jpg" "$work/v/photo_0.jpg"; do
    exiv2 -K Exif.Image.Artist -P v "$f" 2>/dev/null | grep -q Bench || fail "$f lost its EXIF"
  done
  o=$(printf '%s\n' "${ours[@]}" | median)
  v=$(printf '%s\n' "${vips[@]}" | median)
  printf 'ours (pipeline_bench plain)      median %6.2f s   runs %s\n' "$o" "${ours[*]}"
  printf 'vipsthumbnail VIPS_CONCURRENCY=1 median %6.2f s   runs %s\n' "$v" "${vips[*]}"
  printf 'time ratio ours / vipsthumbnail  %s (target <= 0.75)\n' "$(ratio "$o" "$v")"
fi

if [[ $sections == *2* ]]; then
  echo
  echo "== 2. batch road: 24 x 24 MP JPEG, fit 1600, JPEG 80, metadata kept (5 paired runs)"
  batchin=$work/batch
  mkdir -p "$batchin"
  for i in $(seq -w 0 23); do cp "$photos/photo_$((10#$i % 6)).jpg" "$batchin/img_$i.jpg"; done
  # The run's own time, without the process start that the application pays once, not per batch.
  run_time() { sed -n 's/^time: \([0-9.]*\) s.*/\1/p' "$work/last.log"; }
  ones=() manys=() vps=() one_runs=() many_runs=()
  for run in 1 2 3 4 5; do
    rm -rf "$work/b1" "$work/bn" "$work/bv" && mkdir -p "$work/b1" "$work/bn" "$work/bv"
    read -r s _ < <(measure env BENCH_INPUT="$batchin" BENCH_PLAIN=1 BENCH_WORKERS=1 \
      "$batch" 24 24 "$work/b1")
    ones+=("$s") one_runs+=("$(run_time)")
    read -r s _ < <(measure env BENCH_INPUT="$batchin" BENCH_PLAIN=1 "$batch" 24 24 "$work/bn")
    manys+=("$s") many_runs+=("$(run_time)")
    workers=$(grep -E 'workers at once' "$work/last.log")
    read -r s _ < <(measure bash -c "ls '$batchin'/*.jpg | xargs -P$cores -n1 -I{} \
      vipsthumbnail {} --size 1600x1600 -o '$work/bv/%s.jpg[Q=80]'")
    vps+=("$s")
    check_outputs "$work/b1" 24
    check_outputs "$work/bn" 24
    check_outputs "$work/bv" 24
    diff -r "$work/b1" "$work/bn" >/dev/null || fail "parallel outputs differ from one at a time"
  done
  one=$(printf '%s\n' "${ones[@]}" | median)
  many=$(printf '%s\n' "${manys[@]}" | median)
  vp=$(printf '%s\n' "${vps[@]}" | median)
  one_run=$(printf '%s\n' "${one_runs[@]}" | median)
  many_run=$(printf '%s\n' "${many_runs[@]}" | median)
  echo "ours: $workers"
  echo "ours one at a time and with $cores workers: byte-identical outputs in every run"
  echo "whole processes, medians:"
  printf '  ours, one at a time          %6.2f s  %6.2f images/s   runs %s\n' "$one" \
    "$(ratio 24 "$one")" "${ones[*]}"
  printf '  ours, one worker per core    %6.2f s  %6.2f images/s   runs %s\n' "$many" \
    "$(ratio 24 "$many")" "${manys[*]}"
  printf '  xargs -P%d vipsthumbnail      %6.2f s  %6.2f images/s   runs %s\n' "$cores" "$vp" \
    "$(ratio 24 "$vp")" "${vps[*]}"
  echo "the batch runs alone (their own timer), medians:"
  printf '  ours, one at a time          %6.3f s   runs %s\n' "$one_run" "${one_runs[*]}"
  printf '  ours, one worker per core    %6.3f s   runs %s\n' "$many_run" "${many_runs[*]}"
  printf 'speed-up over one at a time  %s whole processes, %s runs alone (target >= 6 on 8 cores)\n' \
    "$(ratio "$one" "$many")" "$(ratio "$one_run" "$many_run")"
  printf 'time ratio ours / xargs vips %s (target < 1)\n' "$(ratio "$many" "$vp")"
fi

if [[ $sections == *3* ]]; then
  echo
  echo "== 3. peak memory fitting a PNG into 1600 x 1600 (MiB)"
  for size in 5000x3750 10000x7500 20000x15000; do
    w=${size%x*} h=${size#*x}
    png=$work/mem/in/big.png
    rm -rf "$work/mem" && mkdir -p "$work/mem/in" "$work/mem/o" "$work/mem/v"
    # An upscaled photograph: smooth, with the file size of a real one.
    must vips thumbnail "$photos/photo_0.jpg" "$work/mem/in/big.png" "$w" --height "$h" \
      --size force
    read -r _ ok < <(measure "$pipeline" "$work/mem/in" "$work/mem/o" 1 plain)
    read -r _ vk < <(measure env VIPS_CONCURRENCY=1 vipsthumbnail "$work/mem/in/big.png" \
      --size 1600x1600 -o "$work/mem/v/%s.jpg[Q=80]")
    check_outputs "$work/mem/o" 1
    check_outputs "$work/mem/v" 1
    printf '%-12s %6.2f MP  file %5d MiB  ours %7.1f  vipsthumbnail %7.1f  ratio %s\n' "$size" \
      "$(echo "$w * $h / 1000000" | bc -l)" "$(( $(stat -c %s "$png") / 1048576 ))" \
      "$(echo "$ok / 1024" | bc -l)" "$(echo "$vk / 1024" | bc -l)" "$(ratio "$ok" "$vk")"
  done
  unset png
fi

if [[ $sections == *4* ]]; then
  echo
  echo "== 4. quality against ImageMagick's Lanczos (SSIM, higher is better) and zone-plate"
  echo "      aliasing (RMS levels above 1.5 x the new Nyquist, lower is better)"
  q=$work/q
  mkdir -p "$q/in" "$q/o" "$q/v"
  cp "$photos/photo_0.jpg" "$q/in/photo.jpg"
  must convert "$q/in/photo.jpg" -filter Lanczos -resize 1600x1600 -depth 8 "$q/ref.png"
  python3 "$here/zone_plate.py" make 4000 "$q/plate.pgm"
  must convert "$q/plate.pgm" "$q/in/plate.png"
  must convert "$q/plate.pgm" -quality 98 -sampling-factor 1x1 "$q/in/plate.jpg"
  must "$pipeline" "$q/in" "$q/o" 1 plain
  for f in photo.jpg plate.png plate.jpg; do
    must env VIPS_CONCURRENCY=1 vipsthumbnail "$q/in/$f" --size 1600x1600 \
      -o "$q/v/${f%.*}_${f#*.}.jpg[Q=80]"
  done
  # pipeline_bench names outputs by base name: plate.png and plate.jpg share one; redo apart.
  rm -rf "$q/o" && mkdir -p "$q/o" "$q/in2/a" "$q/in2/b"
  cp "$q/in/photo.jpg" "$q/in/plate.png" "$q/in2/a/"
  cp "$q/in/plate.jpg" "$q/in2/b/"
  must "$pipeline" "$q/in2/a" "$q/o/a" 1 plain
  must "$pipeline" "$q/in2/b" "$q/o/b" 1 plain
  # A number or the script stops: a failing metric must not pass for a result.
  number() { [[ $1 =~ ^[0-9]+(\.[0-9]+)?$ ]] || fail "not a measurement: $1"; echo "$1"; }
  ssim() { number "$(python3 "$here/zone_plate.py" ssim "$1" "$2")"; }
  aliasing() { number "$(python3 "$here/zone_plate.py" alias 4000 "$1")"; }
  ours_ssim=$(ssim "$q/o/a/photo.jpg" "$q/ref.png")
  vips_ssim=$(ssim "$q/v/photo_jpg.jpg" "$q/ref.png")
  printf 'photograph SSIM     ours %s   vipsthumbnail %s\n' "$ours_ssim" "$vips_ssim"
  for kind in png jpg; do
    src=a
    [[ $kind == jpg ]] && src=b
    ours_alias=$(aliasing "$q/o/$src/plate.jpg")
    vips_alias=$(aliasing "$q/v/plate_$kind.jpg")
    printf 'zone plate (%s)     ours %s   vipsthumbnail %s\n' "$kind" "$ours_alias" "$vips_alias"
  done
fi
