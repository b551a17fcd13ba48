#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   1. the whole suite;
#   2. the suites that look at pixels again on Qt's plain (non-SIMD) code paths;
#   3. one short run of every benchmark program;
#   4. the threaded suites again under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
jobs="$(nproc)"
stage() { printf '\n==== %s ====\n' "$*"; }

stage "build and run every test"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure --no-tests=error -j"$jobs")

stage "pixel suites on Qt's plain code paths"
# A picture compare that depends on the processor's SIMD path fails here on every machine.
(cd build && QT_NO_CPU_FEATURE="sse4.1 avx2 avx512f" \
    ctest --output-on-failure --no-tests=error -L pixels -j"$jobs")

stage "benchmark smoke run"
for bench in build/bench/bench_*; do
    [ -f "$bench" ] && [ -x "$bench" ] || continue
    out="$(DYNFEED_BENCH_SMOKE=1 QT_QPA_PLATFORM=offscreen "$bench" --benchmark_min_time=0 2>&1)" \
        || { echo "$out"; echo "FAIL: $bench exited with an error"; exit 1; }
    if grep -q "ERROR OCCURRED" <<<"$out"; then
        echo "$out"; echo "FAIL: $bench reported an error"; exit 1
    fi
    echo "ok: $bench"
done

stage "threaded suites under ThreadSanitizer"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DDYNFEED_SANITIZE=thread \
    -DDYNFEED_BUILD_APP=OFF -DDYNFEED_BUILD_BENCHMARKS=OFF
threaded=$(cd build && ctest -N -L threads | sed -n 's/^ *Test *#[0-9]*: *//p')
if [ -z "$threaded" ]; then
    echo "FAIL: no threaded suites found"; exit 1
fi
cmake --build build-tsan -j"$jobs" --target $threaded
(cd build-tsan && ctest --output-on-failure --no-tests=error -L threads)
