#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and runs every test through CTest,
# then gives each fuzz target a short bounded run over its committed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DGLIMBRIK_SANITIZE=address -DGLIMBRIK_BENCH=ON >/dev/null
cmake --build build-test -j "$jobs"
export ASAN_OPTIONS=detect_leaks=0
ctest --test-dir build-test --output-on-failure -j "$jobs" --timeout 600

if compgen -G "tests/fuzz/*_fuzz.cpp" >/dev/null; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DGLIMBRIK_FUZZ=ON -DGLIMBRIK_BENCH=OFF -DGLIMBRIK_SANITIZE=address >/dev/null
  for src in tests/fuzz/*_fuzz.cpp; do
    name=$(basename "$src" .cpp)
    cmake --build build-fuzz -j "$jobs" --target "$name"
    corpus=$(mktemp -d)
    cp -r "tests/fuzz/corpus/$name/." "$corpus/" 2>/dev/null || true
    "./build-fuzz/tests/fuzz/$name" -max_total_time=20 -rss_limit_mb=2048 "$corpus" 2>&1 | tail -n 3
    rm -rf "$corpus"
  done
fi
