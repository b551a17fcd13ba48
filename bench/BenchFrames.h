#pragma once

#include <QList>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <vector>

struct SDynData;

/// What the feed's frame benchmarks share: one frame per repetition, the worst frame reported,
/// a quiet offscreen platform and a warm avatar cache.
namespace BenchFrames {

double maxOf(const std::vector<double> &values);
/// One frame per repetition; median and worst reported. DYNFEED_BENCH_SMOKE=1 runs one
/// repetition each, to check that everything still runs.
void frames(benchmark::internal::Benchmark *bench, int repetitions,
    benchmark::TimeUnit unit = benchmark::kMillisecond);
/// Offscreen unless a platform is set, without the offscreen platform's notes on size hints.
/// Call before the application is made.
void quietOffscreen();
/// Every author's avatar on disk and known, so that no item downloads; returns the files made,
/// for removeFiles at the end.
QStringList warmAvatars(const QList<SDynData *> &records);
void removeFiles(const QStringList &paths);

} // namespace BenchFrames
