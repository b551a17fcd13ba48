// The daily log of a busy day as a PDF, beside a reference built in the same run:
//   - BM_DayLog_Write: DayLogWriter writes the log of a day of 200 records of every kind (tasks,
//     reports, notices, members, project information, files with eight picture thumbnails in
//     the cache, the day's weather) to an A4 PDF. Target: a median of at most 1 s;
//   - BM_Ref_PlainPdf: the same texts as plain paragraphs of one QTextDocument, printed to a
//     QPdfWriter of the same page size, resolution and font.
// The records are the sample project's, as the converter makes them, moved onto one day.
//
//   QT_QPA_PLATFORM=offscreen bench_daylog [--benchmark_filter=...]
//
// One log per repetition; the repetitions' median is the figure, their maximum the worst.
// DYNFEED_BENCH_SMOKE=1 runs one repetition each.
#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include "BenchFrames.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "DynKeys.h"
#include "MessageContext.h"
#include "attach/PictureLabel.h"
#include "export/DayLogWriter.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "samples/SampleProject.h"
#include "samples/SampleWeather.h"

namespace {

constexpr int kRecords = 200;
constexpr int kReminders = 2;
constexpr int kThumbnails = 8;
const QDate kDay(2026, 11, 20);

QTemporaryDir &workDir()
{
    static QTemporaryDir dir;
    return dir;
}

/// 200 records: two of the sample's weather reminders for kDay and the sample's first 198 other
/// records moved onto it, four minutes apart from 07:00; the first eight pictures have a
/// thumbnail in the cache.
/// Owned for the run.
const QList<const SDynData *> &dayRecords()
{
    static const QList<const SDynData *> records = [] {
        DynMsgConverter converter(true);
        converter.setPrjId(SampleProject::projectId());
        converter.setPrjName(SampleProject::projectName());
        QList<SDynData *> all;
        for (const pb_clt_t_user &message :
            SampleProject::messages() + SampleWeather::storyForecasts()) {
            MessageContext context;
            context.groupId = SampleProject::projectId();
            context.user = &message;
            all += converter.convert(context);
        }
        QList<const SDynData *> day;
        int reminders = 0;
        int placed = 0;
        int thumbnails = 0;
        const QDateTime start(kDay, QTime(7, 0));
        for (SDynData *record : qAsConst(all)) {
            if (record->kind == SDynData::KindWeather) {
                if (reminders < kReminders) {
                    record->content.insert(DynKey::date, kDay.toString(Qt::ISODate));
                    record->dateTime = start;
                    day << record;
                    ++reminders;
                }
                continue;
            }
            if (placed == kRecords - kReminders)
                continue; // the forecasts come last
            record->dateTime = start.addSecs(240 * placed++);
            const QString name = record->content.value(DynKey::attachName).toString();
            if (record->kind == SDynData::KindAttachment
                && PictureLabel::fileType(name) == PictureLabel::Picture
                && thumbnails < kThumbnails) {
                QImage thumb(200, 150, QImage::Format_RGB32);
                thumb.fill(QColor::fromHsv(40 * thumbnails, 90, 200));
                QPainter(&thumb).fillRect(30, 60, 140, 70, QColor(0x80, 0x70, 0x60));
                const QString id = record->content.value(DynKey::attachId).toString();
                thumb.save(workDir().filePath(id), "JPG");
                ++thumbnails;
            }
            day << record;
        }
        return day;
    }();
    return records;
}

void BM_DayLog_Write(benchmark::State &state)
{
    const QList<const SDynData *> &records = dayRecords();
    DayLogWriter writer(SampleProject::projectName(), kDay);
    writer.setThumbnailDir(workDir().path());
    const QString path = workDir().filePath(QStringLiteral("daylog.pdf"));
    for (auto _ : state) {
        if (!writer.write(path, records))
            state.SkipWithError(qPrintable(writer.errorString()));
    }
    state.counters["records"] = writer.dayRecords(records).size();
    state.counters["pages"] = writer.pageCount();
    state.counters["KiB"] = QFileInfo(path).size() / 1024.0;
}

void BM_Ref_PlainPdf(benchmark::State &state)
{
    QStringList lines;
    for (const SDynData *record : dayRecords()) {
        lines << record->userName + QLatin1Char(' ') + record->text;
        for (const QVariant &value : record->content) {
            const QString text = value.type() == QVariant::StringList
                ? value.toStringList().join(QLatin1Char(' '))
                : value.toString();
            if (!text.isEmpty())
                lines << text;
        }
    }
    const QString text = lines.join(QLatin1Char('\n'));
    const QString path = workDir().filePath(QStringLiteral("reference.pdf"));
    for (auto _ : state) {
        QPdfWriter pdf(path);
        pdf.setResolution(300);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
            QMarginsF(16, 11, 16, 10), QPageLayout::Millimeter));
        QTextDocument doc;
        doc.setDefaultFont(DayLogWriter::defaultFont());
        doc.setPlainText(text);
        doc.print(&pdf);
    }
    state.counters["KiB"] = QFileInfo(path).size() / 1024.0;
}

/// One log per repetition; median and worst reported. DYNFEED_BENCH_SMOKE=1 runs one
/// repetition each, to check that everything still runs.
void logs(benchmark::internal::Benchmark *bench)
{
    bench->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1)
        ->Repetitions(qEnvironmentVariableIsSet("DYNFEED_BENCH_SMOKE") ? 1 : 15)
        ->ComputeStatistics("max", BenchFrames::maxOf)
        ->DisplayAggregatesOnly(true);
}

BENCHMARK(BM_DayLog_Write)->Apply(logs);
BENCHMARK(BM_Ref_PlainPdf)->Apply(logs);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
