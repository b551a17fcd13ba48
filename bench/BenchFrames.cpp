#include "BenchFrames.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSet>

#include <algorithm>

#include "feed/SDynData.h"
#include "items/SummaryInfoWdt.h"

namespace BenchFrames {

namespace {

    QtMessageHandler s_defaultHandler = nullptr;

    void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        // The offscreen platform says so whenever a window's size constraints change.
        if (message == QLatin1String("This plugin does not support propagateSizeHints()"))
            return;
        s_defaultHandler(type, context, message);
    }

} // namespace

double maxOf(const std::vector<double> &values)
{
    return values.empty() ? 0.0 : *std::max_element(values.cbegin(), values.cend());
}

void frames(benchmark::internal::Benchmark *bench, int repetitions, benchmark::TimeUnit unit)
{
    bench->Unit(unit)
        ->UseRealTime()
        ->Iterations(1)
        ->Repetitions(qEnvironmentVariableIsSet("DYNFEED_BENCH_SMOKE") ? 1 : repetitions)
        ->ComputeStatistics("max", maxOf)
        ->DisplayAggregatesOnly(true);
}

void quietOffscreen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    s_defaultHandler = qInstallMessageHandler(quietHandler);
}

QStringList warmAvatars(const QList<SDynData *> &records)
{
    QStringList created;
    QSet<QString> authors;
    for (const SDynData *record : records) {
        if (!record->userId.isEmpty())
            authors.insert(record->userId);
    }
    for (const QString &userId : qAsConst(authors)) {
        const QString path = SummaryInfoWdt::headerFilePath(userId);
        if (!QFile::exists(path)) {
            QDir().mkpath(QFileInfo(path).path());
            QImage avatar(70, 70, QImage::Format_RGB32);
            avatar.fill(QColor::fromHsv(int(qHash(userId) % 360), 160, 200));
            avatar.save(path, "PNG");
            created << path;
        }
        SummaryInfoWdt::setCurrentUserId(userId);
    }
    return created;
}

void removeFiles(const QStringList &paths)
{
    for (const QString &path : paths)
        QFile::remove(path);
}

} // namespace BenchFrames
