#!/usr/bin/env bash
# Installs what is missing, builds in Release and starts the application.
# The package check and the configure step run only while the stamp below does not match what
# they depend on (the package list, the configure options, the CMake files), so a second start
# costs little more than the application's own; ninja itself re-runs CMake when a CMake file or
# the source list changes.
set -euo pipefail
cd "$(dirname "$0")/.."
options=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DGLIMBRIK_TESTS=OFF -DGLIMBRIK_BENCH=OFF)
stamp=build/.run-stamp
key=$({
  cat scripts/setup.sh CMakeLists.txt cmake/*.cmake {src,resources}/CMakeLists.txt
  echo "${options[*]}"
} | sha1sum)
if [[ ! -f build/build.ninja || "$(cat "$stamp" 2>/dev/null)" != "$key" ]]; then
  bash scripts/setup.sh
  cmake -S . -B build "${options[@]}" >/dev/null
  echo "$key" >"$stamp"
fi
# Only what the application needs, with every core.
ninja -C build -j "$(nproc)" --quiet glimbrik
exec ./build/src/glimbrik "$@"
