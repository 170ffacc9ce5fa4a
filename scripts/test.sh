#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and runs every test through CTest,
# then gives each fuzz target a short bounded run over its committed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/check-test-tools.sh
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
    log="build-fuzz/$name.log"
    # Crash inputs land in build-fuzz/, not in the source tree; a failure shows the report.
    # A fixed seed makes a slower machine run a prefix of the same inputs, not new ones.
    if ! "./build-fuzz/tests/fuzz/$name" -seed=1 -max_total_time=20 -timeout=25 -rss_limit_mb=2048 \
        -artifact_prefix="build-fuzz/$name-" "$corpus" >"$log" 2>&1; then
      tail -n 60 "$log"
      rm -rf "$corpus"
      echo "fuzz target $name failed (input saved under build-fuzz/)" >&2
      exit 1
    fi
    tail -n 1 "$log"
    rm -rf "$corpus"
  done
fi
