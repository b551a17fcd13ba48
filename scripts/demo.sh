#!/usr/bin/env bash
# Installs what is missing, builds the library and the demo host, and runs the demo.
#   --team   as a team: a loopback Redis and nginx, two windows on one project (demo-team.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
team=0
if [ "${1:-}" = "--team" ]; then team=1; shift; fi

bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DDYNFEED_BUILD_TESTS=OFF -DDYNFEED_BUILD_BENCHMARKS=OFF
cmake --build build -j"$(nproc)" --target dynfeed_demo dynfeed-publish
[ "$team" -eq 0 ] || exec bash scripts/demo-team.sh "$@"
exec ./build/app/dynfeed_demo "$@"
