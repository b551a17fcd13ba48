#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the whole suite, then the
# threaded tests again under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
jobs="$(nproc)"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DDYNFEED_SANITIZE=thread \
    -DDYNFEED_BUILD_APP=OFF -DDYNFEED_BUILD_BENCHMARKS=OFF
threaded=$(cd build && ctest -N -L threads | sed -n 's/^ *Test *#[0-9]*: *//p')
if [ -n "$threaded" ]; then
    cmake --build build-tsan -j"$jobs" --target $threaded
    (cd build-tsan && ctest --output-on-failure -L threads)
fi
