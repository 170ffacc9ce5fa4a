#!/usr/bin/env bash
# Installs what is missing, builds in Release and starts the application.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DGLIMBRIK_TESTS=OFF >/dev/null
cmake --build build --target glimbrik
exec ./build/src/glimbrik "$@"
