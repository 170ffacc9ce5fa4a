#!/usr/bin/env bash
# Converts every JPEG of a folder, metadata kept, into JPEG, PNG, TIFF and WebP through the
# engine, then compares each output with its source through exiftool: the maker-note tags it
# holds, those that read differently (previews, thumbnails and other places in the old file left
# aside: they are not carried), and validation warnings the source does not show. Prints one line per output and
# totals per output type.
#
# Usage: bench/kept_metadata_check.sh <build folder> <folder of camera files> [output folder]
set -euo pipefail
build=$1
sources=$2
out=${3:-$(mktemp -d)}
"$build/bench/kept_metadata_bench" "$out" "$sources"/*.jpg || true

ignored='Preview[A-Za-z]*|Thumbnail[A-Za-z]*|OriginalDecisionDataOffset'
notes() { exiftool -a -G1 -s -MakerNotes:all "$1" 2>/dev/null | grep -Ev "\] *($ignored) " || true; }
warnings() { exiftool -validate -warning -a "$1" 2>/dev/null | sed -n 's/^Warning *: //p' | sort -u; }

declare -A carried left differs warned
printf '%-20s %-5s %5s %5s %6s %s\n' file type src out differ new-warnings
for source in "$sources"/*.jpg; do
  name=$(basename "$source" .jpg)
  notes "$source" >"$out/$name.src-notes"
  warnings "$source" >"$out/$name.src-warnings"
  have=$(wc -l <"$out/$name.src-notes")
  for ext in jpg png tif webp; do
    file="$out/$name.$ext"
    [ -f "$file" ] || { printf '%-20s %-5s missing\n' "$name" "$ext"; continue; }
    notes "$file" >"$out/$name.$ext-notes"
    got=$(wc -l <"$out/$name.$ext-notes")
    diff=$(comm -23 <(sort "$out/$name.src-notes") <(sort "$out/$name.$ext-notes") | wc -l)
    new=$(comm -13 "$out/$name.src-warnings" <(warnings "$file") | paste -sd ';' -)
    if [ "$have" -gt 0 ]; then
      if [ "$got" -eq 0 ]; then left[$ext]=$((${left[$ext]:-0} + 1)); else
        carried[$ext]=$((${carried[$ext]:-0} + 1))
        [ "$diff" -eq 0 ] || differs[$ext]=$((${differs[$ext]:-0} + 1))
      fi
    fi
    [ -z "$new" ] || warned[$ext]=$((${warned[$ext]:-0} + 1))
    printf '%-20s %-5s %5s %5s %6s %s\n' "$name" "$ext" "$have" "$got" "$diff" "$new"
  done
done
echo
printf '%-5s %8s %9s %8s %13s\n' type carried "read-diff" "left-out" "new-warnings"
for ext in jpg png tif webp; do
  printf '%-5s %8s %9s %8s %13s\n' "$ext" "${carried[$ext]:-0}" "${differs[$ext]:-0}" \
    "${left[$ext]:-0}" "${warned[$ext]:-0}"
done
echo "outputs in $out"
