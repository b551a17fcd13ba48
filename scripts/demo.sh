#!/usr/bin/env bash
# Installs what is missing, builds the library and the demo host, and runs the demo.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DDYNFEED_BUILD_TESTS=OFF -DDYNFEED_BUILD_BENCHMARKS=OFF
cmake --build build -j"$(nproc)" --target dynfeed_demo
exec ./build/app/dynfeed_demo "$@"
