// A page of feed items: create, fill, lay out and paint, as the item page does when it shows
// 30 records. Run offscreen: QT_QPA_PLATFORM=offscreen bench_items
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QImage>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

#include <memory>

#include "MessageContext.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "items/SingleDynamicWdt.h"
#include "items/SummaryInfoWdt.h"
#include "samples/SampleProject.h"

namespace {

constexpr int kPageSize = 30;

/// The sample project's records, newest first; owned for the whole run.
const QList<SDynData *> &sampleRecords()
{
    static const QList<SDynData *> records = [] {
        DynMsgConverter converter(true);
        converter.setPrjId(SampleProject::projectId());
        converter.setUserId(SampleProject::members().constFirst().userId());
        QList<SDynData *> all;
        for (const pb_clt_t_user &message : SampleProject::messages()) {
            MessageContext context;
            context.groupId = SampleProject::projectId();
            context.user = &message;
            all += converter.convert(context);
        }
        for (const pb_prj_t_prj_weather &forecast : SampleProject::weather())
            all += converter.convertWeather(forecast, SampleProject::projectName());
        std::stable_sort(all.begin(), all.end(),
            [](const SDynData *a, const SDynData *b) { return a->dateTime > b->dateTime; });
        return all;
    }();
    return records;
}

/// Every record turned into a plain notice whose text is what its content widget would show
/// (1 to 5 lines), so that every item of the page has a word-wrapped content.
const QList<SDynData *> &textRecords()
{
    static const QList<SDynData *> records = [] {
        QList<SDynData *> all;
        for (const SDynData *source : sampleRecords()) {
            QStringList lines;
            for (const char *key : { "text", "desc", "type", "location", "people", "time", "title",
                     "content", "f_attach_name", "f_weather_info", "f_reminder_title" }) {
                const QString value = source->content.value(QLatin1String(key)).toString();
                if (!value.isEmpty())
                    lines << value;
            }
            auto *record = new SDynData(SDynData::KindText);
            record->text = source->text;
            record->userId = source->userId;
            record->userName = source->userName;
            record->userJob = source->userJob;
            record->userHeader = source->userHeader;
            record->dateTime = source->dateTime;
            if (!lines.isEmpty())
                record->content.insert(QStringLiteral("text"), lines.mid(0, 5).join('\n'));
            all << record;
        }
        return all;
    }();
    return records;
}

/// The item page's widget tree: a scroll area holding a column of items over a stretch.
struct PageHost
{
    PageHost()
    {
        window.resize(900, 1000);
        auto *windowLayout = new QVBoxLayout(&window);
        auto *scroll = new QScrollArea(&window);
        scroll->setWidgetResizable(true);
        windowLayout->addWidget(scroll);
        page = new QFrame;
        auto *pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(30, 20, 30, 20);
        items = new QVBoxLayout;
        items->setContentsMargins(0, 0, 0, 0);
        items->setSpacing(20);
        pageLayout->addLayout(items);
        pageLayout->addStretch(1);
        scroll->setWidget(page);
        window.show();
        QApplication::processEvents();
    }

    /// How far a page is taken: filled items only, also laid out, or also painted.
    enum Stage { Filled, LaidOut, Painted };

    /// One page: the items are created and filled and, up to stage, laid out and the window
    /// painted.
    void showPage(const QList<SDynData *> &records, int first, Stage stage)
    {
        for (int i = 0; i < kPageSize; ++i) {
            auto *item = new SingleDynamicWdt(page);
            item->setHostWidget(&window);
            item->setDynData(records.at((first + i) % records.size()));
            items->addWidget(item);
            if (stage != Filled)
                item->show();
        }
        if (stage == Filled)
            return;
        window.layout()->activate();
        QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        if (stage == LaidOut)
            return;
        QPainter painter(&image);
        window.render(&painter);
        if (!qEnvironmentVariableIsEmpty("BENCH_ITEMS_SAVE"))
            image.save(QString::fromLocal8Bit(qgetenv("BENCH_ITEMS_SAVE")));
    }

    void clear()
    {
        while (QLayoutItem *item = items->takeAt(0)) {
            delete item->widget();
            delete item;
        }
        QApplication::processEvents();
    }

    QWidget window;
    QFrame *page = nullptr;
    QVBoxLayout *items = nullptr;
    QImage image { 900, 1000, QImage::Format_ARGB32_Premultiplied };
};

void runPages(benchmark::State &state, const QList<SDynData *> &records)
{
    PageHost host;
    const auto stage = PageHost::Stage(state.range(0));
    int first = 0;
    for (auto _ : state) {
        host.showPage(records, first, stage);
        state.PauseTiming();
        host.clear();
        first += kPageSize;
        state.ResumeTiming();
    }
    state.counters["items"] = kPageSize;
}

/// The sample project's records as they come: kinds whose content widget is not built yet
/// show their header only.
void BM_PageOfSampleRecords(benchmark::State &state)
{
    runPages(state, sampleRecords());
}

/// Every item with a word-wrapped content of 1 to 5 lines.
void BM_PageOfTextItems(benchmark::State &state)
{
    runPages(state, textRecords());
}

} // namespace

// Argument: 0 filled, 1 also laid out, 2 also painted (the whole page as the user sees it).
BENCHMARK(BM_PageOfSampleRecords)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageOfTextItems)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // A warm cache: every member's avatar is on disk and known, so no item downloads.
    QStringList avatars;
    for (const SampleMember &member : SampleProject::members()) {
        const QString path = SummaryInfoWdt::headerFilePath(member.userId());
        if (!QFile::exists(path)) {
            QDir().mkpath(QFileInfo(path).path());
            QImage avatar(70, 70, QImage::Format_RGB32);
            avatar.fill(QColor::fromHsv(int(member.uid % 360), 160, 200));
            avatar.save(path, "PNG");
            avatars << path;
        }
        SummaryInfoWdt::setCurrentUserId(member.userId());
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const QString &path : avatars)
        QFile::remove(path);
    return 0;
}
