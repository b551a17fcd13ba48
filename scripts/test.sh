#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   0. the format of every tracked source (clang-format, the repository's .clang-format);
#   1. the whole suite, built with warnings as errors;
#   1b. the installed package: installed into a temporary prefix, examples/minimal_host built
#       against it with find_package(dynfeed) and run;
#   2. the suites that look at pixels again on Qt's plain (non-SIMD) code paths;
#   3. one short run of every benchmark program;
#   4. the threaded suites again under ThreadSanitizer;
#   5. the whole suite again under AddressSanitizer (leaks included) and UndefinedBehaviorSanitizer;
#   6. each libFuzzer harness in fuzz/ for a bounded time (DYNFEED_FUZZ_SECONDS, default 60).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
jobs="$(nproc)"
stage() { printf '\n==== %s ====\n' "$*"; }

stage "source format"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
echo "ok: every tracked source is formatted"

stage "build and run every test"
# -Werror reaches our own targets only (dynfeed_warnings), never the generated message code.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDYNFEED_WERROR=ON
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure --no-tests=error -j"$jobs")

stage "installed package"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install build --prefix "$prefix/usr" >/dev/null
cmake -S examples/minimal_host -B "$prefix/minimal_host" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_PREFIX_PATH="$prefix/usr"
cmake --build "$prefix/minimal_host" -j"$jobs"
# The run paths of the installed libraries find each other; nothing from the build tree is used.
env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen "$prefix/minimal_host/minimal_host"
if ldd "$prefix/usr/bin/dynfeed_demo" "$prefix/usr/bin/gen_sample" | grep "not found"; then
    echo "FAIL: an installed program does not find its libraries"; exit 1
fi
echo "ok: the installed package builds and runs a host"

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

stage "whole suite under AddressSanitizer and UndefinedBehaviorSanitizer"
# Leaks count as failures; tests/lsan.supp names the few leaks of system libraries.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DDYNFEED_SANITIZE=address,undefined \
    -DDYNFEED_BUILD_APP=OFF -DDYNFEED_BUILD_BENCHMARKS=OFF
cmake --build build-asan -j"$jobs"
(cd build-asan && ctest --output-on-failure --no-tests=error -j"$jobs")

fuzz_seconds="${DYNFEED_FUZZ_SECONDS:-60}"
stage "fuzzing, ${fuzz_seconds} s per harness"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDYNFEED_SANITIZE=address,undefined -DDYNFEED_BUILD_FUZZERS=ON \
    -DDYNFEED_BUILD_TESTS=OFF -DDYNFEED_BUILD_APP=OFF -DDYNFEED_BUILD_BENCHMARKS=OFF
cmake --build build-fuzz -j"$jobs" --target fuzz_convert fuzz_push_store
# Seeds are the sample project's messages, written afresh; what a run learns stays in corpus/.
rm -rf build-fuzz/seeds
build/tools/gen_sample --corpus build-fuzz/seeds
findings="$PWD/build-fuzz/findings" # this run's findings only
rm -rf "$findings"
mkdir -p "$findings"
harnesses=0
for part in convert push_store; do
    name="fuzz_$part"
    seeds="build-fuzz/seeds/$part"
    corpus="build-fuzz/corpus/$name"
    log="build-fuzz/$name.log"
    mkdir -p "$corpus"
    # A crash, a leak, undefined behaviour, an input slower than 10 s or more than 2 GiB ends the
    # run and leaves the input in $findings.
    if ! UBSAN_OPTIONS=print_stacktrace=1 "build-fuzz/fuzz/$name" "$corpus" "$seeds" \
        -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$findings/$name-" >"$log" 2>&1; then
        tail -n 80 "$log"
        echo "FAIL: $name found a fault; the input that shows it is in $findings:"
        ls -1 "$findings" | grep "^$name-" || true
        echo "Run it again with: build-fuzz/fuzz/$name $findings/<file>"
        exit 1
    fi
    echo "ok: $name: $(grep -m1 -o 'DONE .*' "$log")"
    grep '^stat::number_of_executed_units' "$log"
    harnesses=$((harnesses + 1))
done
echo "fuzzers: $harnesses passed, 0 failed"
