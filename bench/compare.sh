#!/usr/bin/env bash
# Side-by-side runs of our engine and vipsthumbnail on the same inputs, in one go, with every
# tool's exit status and outputs checked (a peer that fails stops the script instead of giving a
# ratio against nothing):
#   1. headline road: 6 photographs of 6000 x 4000, fit into 1600 x 1600, JPEG 80, metadata
#      kept, no sharpening, no watermark; pipeline_bench against vipsthumbnail with one thread
#      (VIPS_CONCURRENCY=1), whole processes, on camera-like 4:2:0 files and on 4:4:4 ones;
#   2. batch road: 24 such files through the batch run, one at a time and with one worker per
#      core, against `xargs -P$(nproc) vipsthumbnail`, paired runs, medians; the two runs of ours
#      must give the same bytes;
#   3. peak memory fitting PNGs of 18.75, 75 and 300 megapixels into 1600 x 1600;
#   4. quality: SSIM against ImageMagick's Lanczos on a photograph, and aliasing left on a
#      zone plate reduced 2.5 x, from PNG and JPEG sources, and 3.75 x (the headline road's
#      factor, where JPEG's DCT scaling could take half) from JPEG.
# Other work on the machine skews wall time: runs are paired and interleaved (the order swaps
# every pair), the ratios are medians of the pairs' ratios, CPU time (user + system) stands
# beside wall time, and the one-minute load average is printed with every figure.
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
# ImageMagick by a name that is ImageMagick: a plain `convert` may be something else.
magick=$(command -v magick || command -v convert-im6.q16 || true)
identify=$(command -v identify-im6.q16 || command -v identify || true)
[[ -n $magick ]] || { echo "missing ImageMagick (magick or convert-im6.q16)" >&2; exit 1; }
[[ -n $identify ]] || { echo "missing ImageMagick's identify" >&2; exit 1; }
for tool in vipsthumbnail vips exiv2 bc /usr/bin/time python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

export MAGICK=$magick  # for zone_plate.py
load() { cut -d' ' -f1 /proc/loadavg; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cores=$(nproc)
echo "cores: $cores   vips: $(vips --version)   $("$magick" -version | head -1)"
echo "$(date -u +%FT%TZ)   load $(load)"

fail() { echo "FAILED: $*" >&2; exit 1; }

# Runs a command; dies with its output when it fails.
must() {
  local log=$work/last.log
  "$@" >"$log" 2>&1 || { cat "$log" >&2; fail "$*"; }
}

# Runs a command and sets wall (seconds), cpu (user + system seconds) and kib (peak resident);
# not in a subshell, so that a failing tool stops the script.
measure() {
  local out=$work/time.txt
  /usr/bin/time -f '%e %U %S %M' -o "$out" "$@" >"$work/last.log" 2>&1 || {
    cat "$work/last.log" >&2
    fail "$*"
  }
  read -r wall cpu kib < <(awk '{printf "%s %.2f %s\n", $1, $2 + $3, $4}' "$out")
}

# Every file of a folder is a JPEG fitting 1600 x 1600 with one side 1600; the count must match.
check_outputs() {
  local folder=$1 want=$2 n=0 f size fmt w h
  for f in "$folder"/*; do
    size=$("$identify" -format '%m %w %h' "$f" 2>/dev/null) || fail "unreadable output $f"
    read -r fmt w h <<<"$size"
    [[ $fmt == JPEG ]] || fail "$f is $fmt, not JPEG"
    (( (w == 1600 && h <= 1600) || (h == 1600 && w <= 1600) )) || fail "$f is $w x $h"
    n=$((n + 1))
  done
  (( n == want )) || fail "$folder holds $n outputs, not $want"
}

median() { sort -g | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
ratio() { echo "scale=3; $1 / $2" | bc -l; }
# The median of the ratios a[i] / b[i] of two lists of paired figures.
paired_ratio() {
  local -n a=$1 b=$2
  local i
  for i in "${!a[@]}"; do ratio "${a[i]}" "${b[i]}"; done | median
}
runs=${BENCH_RUNS:-5}

photos=$work/photos photos420=$work/photos420
mkdir -p "$photos" "$photos420"
# A smooth plasma with noise compresses like a photograph: 4:4:4 as the headline files, 4:2:0 as
# a camera writes them.
must "$magick" -size 1500x1000 plasma:fractal -resize 6000x4000! -attenuate 0.25 +noise Gaussian \
  -quality 92 -sampling-factor 1x1 "$work/plasma.png"
for i in 0 1 2 3 4 5; do
  must "$magick" "$work/plasma.png" -roll +$((i * 997))+$((i * 631)) -quality 92 \
    -sampling-factor 1x1 "$photos/photo_$i.jpg"
  must "$magick" "$work/plasma.png" -roll +$((i * 997))+$((i * 631)) -quality 92 \
    -sampling-factor 2x2 "$photos420/photo_$i.jpg"
done
for f in "$photos"/*.jpg "$photos420"/*.jpg; do must exiv2 -M"set Exif.Image.Artist Bench" "$f"; done

# One figure line: medians of wall and CPU time, with the load seen by each run.
report() {
  local name=$1
  local -n w=$2 c=$3 l=$4
  printf '  %-34s wall %6.2f s  cpu %6.2f s   runs %s   load %s\n' "$name" \
    "$(printf '%s\n' "${w[@]}" | median)" "$(printf '%s\n' "${c[@]}" | median)" "${w[*]}" "${l[*]}"
}

if [[ $sections == *1* ]]; then
  for set in "$photos" "$photos420"; do
    kind="4:4:4"
    [[ $set == "$photos420" ]] && kind="4:2:0"
    echo
    echo "== 1. headline road ($kind): 6 x 24 MP JPEG q92, fit 1600, JPEG 80, metadata kept" \
      "($runs paired runs, order alternating)"
    ow=() oc=() ol=() vw=() vc=() vl=()
    run_ours() {
      ol+=("$(load)")
      measure "$pipeline" "$set" "$work/o" 1 plain
      ow+=("$wall") oc+=("$cpu")
    }
    run_vips() {
      vl+=("$(load)")
      measure env VIPS_CONCURRENCY=1 vipsthumbnail "$set"/*.jpg --size 1600x1600 \
        -o "$work/v/%s.jpg[Q=80]"
      vw+=("$wall") vc+=("$cpu")
    }
    for ((run = 1; run <= runs; run++)); do
      rm -rf "$work/o" "$work/v" && mkdir -p "$work/o" "$work/v"
      if ((run % 2)); then run_ours; run_vips; else run_vips; run_ours; fi
    done
    check_outputs "$work/o" 6
    check_outputs "$work/v" 6
    for f in "$work/o/photo_0.jpg" "$work/v/photo_0.jpg"; do
      exiv2 -K Exif.Image.Artist -P v "$f" 2>/dev/null | grep -q Bench || fail "$f lost its EXIF"
    done
    report "ours (pipeline_bench plain)" ow oc ol
    report "vipsthumbnail VIPS_CONCURRENCY=1" vw vc vl
    printf 'ours / vipsthumbnail, median of pairs: wall %s  cpu %s   (load now %s)\n' \
      "$(paired_ratio ow vw)" "$(paired_ratio oc vc)" "$(load)"
  done
fi

if [[ $sections == *2* ]]; then
  # The run's own time, without the process start that the application pays once, not per batch.
  run_time() { sed -n 's/^time: \([0-9.]*\) s.*/\1/p' "$work/last.log"; }
  for count in ${BENCH_BATCHES:-24 96}; do
    echo
    echo "== 2. batch road: $count x 24 MP JPEG, fit 1600, JPEG 80, metadata kept" \
      "($runs paired runs, order alternating)"
    batchin=$work/batch
    rm -rf "$batchin" && mkdir -p "$batchin"
    for ((i = 0; i < count; i++)); do
      cp "$photos/photo_$((i % 6)).jpg" "$batchin/img_$(printf %03d $i).jpg"
    done
    sw=() sc=() sl=() sr=() pw=() pc=() pl=() pr=() xw=() xc=() xl=()
    run_serial() {
      sl+=("$(load)")
      measure env BENCH_INPUT="$batchin" BENCH_PLAIN=1 BENCH_WORKERS=1 \
        "$batch" "$count" "$count" "$work/b1"
      sw+=("$wall") sc+=("$cpu") sr+=("$(run_time)")
    }
    run_parallel() {
      pl+=("$(load)")
      measure env BENCH_INPUT="$batchin" BENCH_PLAIN=1 "$batch" "$count" "$count" "$work/bn"
      pw+=("$wall") pc+=("$cpu") pr+=("$(run_time)")
      workers=$(grep -E 'workers at once' "$work/last.log")
    }
    run_xargs() {
      xl+=("$(load)")
      measure bash -c "ls '$batchin'/*.jpg | xargs -P$cores -n1 -I{} \
        vipsthumbnail {} --size 1600x1600 -o '$work/bv/%s.jpg[Q=80]'"
      xw+=("$wall") xc+=("$cpu")
    }
    for ((run = 1; run <= runs; run++)); do
      rm -rf "$work/b1" "$work/bn" "$work/bv" && mkdir -p "$work/b1" "$work/bn" "$work/bv"
      if ((run % 2)); then run_serial; run_parallel; else run_parallel; run_serial; fi
      run_xargs
      check_outputs "$work/b1" "$count"
      check_outputs "$work/bn" "$count"
      check_outputs "$work/bv" "$count"
      diff -r "$work/b1" "$work/bn" >/dev/null || fail "parallel outputs differ from one at a time"
    done
    echo "ours: $workers; one at a time and in parallel: byte-identical outputs in every run"
    echo "whole processes, medians:"
    report "ours, one at a time" sw sc sl
    report "ours, one worker per core" pw pc pl
    report "xargs -P$cores vipsthumbnail" xw xc xl
    printf '  the batch runs alone (own timer): one at a time %s s, parallel %s s\n' \
      "$(printf '%s\n' "${sr[@]}" | median)" "$(printf '%s\n' "${pr[@]}" | median)"
    printf 'speed-up over one at a time, median of pairs: %s whole processes, %s runs alone\n' \
      "$(paired_ratio sw pw)" "$(paired_ratio sr pr)"
    # Wall time under other people's load says little; the CPU the parallel run spends beyond
    # one at a time bounds the speed-up that free cores would give.
    printf 'speed-up bound on %d free cores (cores x CPU one at a time / CPU parallel): %s\n' \
      "$cores" "$(echo "$cores / $(paired_ratio pc sc)" | bc -l | cut -c1-5)"
    printf 'CPU of the parallel run / one at a time: %s   ours / xargs vips wall %s cpu %s' \
      "$(paired_ratio pc sc)" "$(paired_ratio pw xw)" "$(paired_ratio pc xc)"
    printf '   (load now %s)\n' "$(load)"
  done
fi

if [[ $sections == *3* ]]; then
  echo
  echo "== 3. peak memory (MiB) and time fitting a large image into 1600 x 1600, one thread"
  for case in 5000x3750.png 10000x7500.png 20000x15000.png 20000x15000.jpg; do
    size=${case%.*} ext=${case#*.}
    w=${size%x*} h=${size#*x}
    big=$work/mem/in/big.$ext
    rm -rf "$work/mem" && mkdir -p "$work/mem/in" "$work/mem/o" "$work/mem/v"
    # An upscaled photograph: smooth, with the file size of a real one; the JPEG at a quality
    # that makes it large enough to be read through a map.
    saveas=$big
    [[ $ext == jpg ]] && saveas="${big}[Q=99]"
    must vips thumbnail "$photos/photo_0.jpg" "$saveas" "$w" --height "$h" --size force
    l=$(load)
    measure "$pipeline" "$work/mem/in" "$work/mem/o" 1 plain
    ok=$kib ow=$wall oc=$cpu
    measure env VIPS_CONCURRENCY=1 vipsthumbnail "$big" --size 1600x1600 \
      -o "$work/mem/v/%s.jpg[Q=80]"
    vk=$kib vw=$wall vc=$cpu
    check_outputs "$work/mem/o" 1
    check_outputs "$work/mem/v" 1
    printf '%-16s %6.2f MP  file %4d MiB  peak ours %6.1f vips %6.1f (%s)' "$case" \
      "$(echo "$w * $h / 1000000" | bc -l)" "$(($(stat -c %s "$big") / 1048576))" \
      "$(echo "$ok / 1024" | bc -l)" "$(echo "$vk / 1024" | bc -l)" "$(ratio "$ok" "$vk")"
    printf '   time ours/vips wall %s cpu %s (%s/%s s)   load %s\n' "$(ratio "$ow" "$vw")" \
      "$(ratio "$oc" "$vc")" "$oc" "$vc" "$l"
  done
fi

if [[ $sections == *4* ]]; then
  echo
  echo "== 4. quality against ImageMagick's Lanczos (SSIM, higher is better) and zone-plate"
  echo "      aliasing (RMS levels above 1.5 x the new Nyquist, lower is better)"
  q=$work/q
  mkdir -p "$q/in" "$q/o" "$q/v"
  cp "$photos/photo_0.jpg" "$q/in/photo.jpg"
  must "$magick" "$q/in/photo.jpg" -filter Lanczos -resize 1600x1600 -depth 8 "$q/ref.png"
  mkdir -p "$q/in420"
  cp "$photos420/photo_0.jpg" "$q/in420/photo420.jpg"
  must "$magick" "$q/in420/photo420.jpg" -filter Lanczos -resize 1600x1600 -depth 8 \
    "$q/ref420.png"
  python3 "$here/zone_plate.py" make 4000 "$q/plate.pgm"
  must "$magick" "$q/plate.pgm" "$q/in/plate.png"
  must "$magick" "$q/plate.pgm" -quality 98 -sampling-factor 1x1 "$q/in/plate.jpg"
  python3 "$here/zone_plate.py" make 6000 "$q/plate6000.pgm"
  mkdir -p "$q/in3"
  must "$magick" "$q/plate6000.pgm" -quality 98 -sampling-factor 1x1 "$q/in3/plate6000.jpg"
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
  must "$pipeline" "$q/in3" "$q/o/c" 1 plain
  must "$pipeline" "$q/in420" "$q/o/d" 1 plain
  must env VIPS_CONCURRENCY=1 vipsthumbnail "$q/in420/photo420.jpg" --size 1600x1600 \
    -o "$q/v/photo420.jpg[Q=80]"
  must env VIPS_CONCURRENCY=1 vipsthumbnail "$q/in3/plate6000.jpg" --size 1600x1600 \
    -o "$q/v/plate6000.jpg[Q=80]"
  # A number or the script stops: a failing metric must not pass for a result.
  number() { [[ $1 =~ ^[0-9]+(\.[0-9]+)?$ ]] || fail "not a measurement: $1"; echo "$1"; }
  ssim() { number "$(python3 "$here/zone_plate.py" ssim "$1" "$2")"; }
  aliasing() { number "$(python3 "$here/zone_plate.py" alias 4000 "$1")"; }
  ours_ssim=$(ssim "$q/o/a/photo.jpg" "$q/ref.png")
  vips_ssim=$(ssim "$q/v/photo_jpg.jpg" "$q/ref.png")
  printf 'photograph SSIM     ours %s   vipsthumbnail %s\n' "$ours_ssim" "$vips_ssim"
  printf 'photograph 4:2:0 SSIM  ours %s   vipsthumbnail %s\n' \
    "$(ssim "$q/o/d/photo420.jpg" "$q/ref420.png")" "$(ssim "$q/v/photo420.jpg" "$q/ref420.png")"
  for kind in png jpg; do
    src=a
    [[ $kind == jpg ]] && src=b
    ours_alias=$(aliasing "$q/o/$src/plate.jpg")
    vips_alias=$(aliasing "$q/v/plate_$kind.jpg")
    printf 'zone plate (%s)     ours %s   vipsthumbnail %s\n' "$kind" "$ours_alias" "$vips_alias"
  done
  printf 'zone plate 3.75 x (jpg)  ours %s   vipsthumbnail %s\n' \
    "$(number "$(python3 "$here/zone_plate.py" alias 6000 "$q/o/c/plate6000.jpg")")" \
    "$(number "$(python3 "$here/zone_plate.py" alias 6000 "$q/v/plate6000.jpg")")"
fi
