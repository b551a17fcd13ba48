// The scrolling feed's frames: a scroll batch of 20 records under 480 shown items (older ones at
// the bottom, newer ones at the top, and on a full page, where 20 items make room first), and an
// empty page filled with 500 records. Each is timed from the call to the painted window.
// Run offscreen: QT_QPA_PLATFORM=offscreen bench_views
#include <QApplication>
#include <QVBoxLayout>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <memory>

#include "MessageContext.h"
#include "feed/DynDataController.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "samples/SampleProject.h"
#include "views/DynScrollArea.h"
#include "views/DynamicPage.h"

namespace {

constexpr int kShown = 480;
constexpr int kFull = 500;
constexpr int kBatch = 20;

/// The sample project's records as plain notices whose text is what their content widget would
/// show (1 to 5 lines), newest first, each a minute apart; the sample is repeated further back
/// in time when it holds fewer than count.
QList<SDynData *> textRecords(int count)
{
    DynMsgConverter converter(true);
    converter.setPrjId(SampleProject::projectId());
    converter.setUserId(SampleProject::members().constFirst().userId());
    QList<SDynData *> sample;
    for (const pb_clt_t_user &message : SampleProject::messages()) {
        MessageContext context;
        context.groupId = SampleProject::projectId();
        context.user = &message;
        sample += converter.convert(context);
    }

    // In the past, as fetched records are: the page's range starts at the moment of its reset.
    const QDateTime newest = QDateTime::currentDateTime().addSecs(-3600);
    QList<SDynData *> records;
    for (int i = 0; i < count; ++i) {
        const SDynData *source = sample.at(i % sample.size());
        QStringList lines;
        for (const char *key : { "text", "desc", "type", "location", "people", "time", "title",
                 "content", "f_attach_name" }) {
            const QString value = source->content.value(QLatin1String(key)).toString();
            if (!value.isEmpty())
                lines << value;
        }
        auto *record = new SDynData(SDynData::KindText);
        record->text = source->text;
        record->userName = source->userName;
        record->userJob = source->userJob;
        // A picture of its own, so that no avatar download runs during the measurement.
        record->userHeader = QStringLiteral(":/icon/resources/images/secretary.png");
        record->dateTime = newest.addSecs(-60 * i);
        record->content.insert(QStringLiteral("text"),
            lines.isEmpty() ? source->text : lines.mid(0, 5).join(QLatin1Char('\n')));
        records << record;
    }
    qDeleteAll(sample);
    return records;
}

/// Runs the event loop until nothing is pending: layouts, then the paint of the window.
void settle()
{
    for (int i = 0; i < 3; ++i) {
        QApplication::sendPostedEvents();
        QApplication::processEvents();
    }
}

/// A window holding the scrolling feed, its controller loaded with records.
struct Feed
{
    explicit Feed(int records)
    {
        window.resize(900, 1000);
        auto *layout = new QVBoxLayout(&window);
        area = new DynScrollArea(true, &window);
        layout->addWidget(area);
        page = qobject_cast<DynamicPage *>(area->widget());
        all = textRecords(records);
        for (SDynData *record : qAsConst(all))
            area->dynDataCtrler()->addDynData(record); // the controller owns them
        window.show();
        settle();
    }

    QWidget window;
    DynScrollArea *area = nullptr;
    DynamicPage *page = nullptr;
    QList<SDynData *> all; // newest first
};

void BM_ScrollBatchOlderUnder480(benchmark::State &state)
{
    Feed feed(kShown + kBatch);
    for (auto _ : state) {
        state.PauseTiming();
        feed.page->onResetDynData();
        feed.area->addDynInfo(feed.all.mid(0, kShown));
        settle();
        state.ResumeTiming();
        // What reaching the bottom of the bar does.
        feed.area->fetchMoreDynData(false, true);
        settle();
    }
}
BENCHMARK(BM_ScrollBatchOlderUnder480)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);

void BM_ScrollBatchNewerOver480(benchmark::State &state)
{
    Feed feed(kShown + kBatch);
    for (auto _ : state) {
        state.PauseTiming();
        feed.page->onResetDynData();
        feed.area->addDynInfo(feed.all.mid(kBatch, kShown));
        settle();
        state.ResumeTiming();
        // What reaching the top of the bar, or the announcement of newer records, does.
        feed.area->fetchMoreDynData(false, false);
        settle();
    }
}
BENCHMARK(BM_ScrollBatchNewerOver480)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

void BM_ScrollBatchOnFullPage(benchmark::State &state)
{
    Feed feed(kFull + kBatch);
    for (auto _ : state) {
        state.PauseTiming();
        feed.page->onResetDynData();
        feed.area->addDynInfo(feed.all.mid(0, kFull));
        settle();
        state.ResumeTiming();
        // The 20 top items make room and are refilled at the bottom.
        feed.area->fetchMoreDynData(false, true);
        settle();
    }
}
BENCHMARK(BM_ScrollBatchOnFullPage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

void BM_FillEmptyPage500(benchmark::State &state)
{
    Feed feed(kFull);
    for (auto _ : state) {
        state.PauseTiming();
        feed.page->onResetDynData();
        settle();
        state.ResumeTiming();
        feed.page->addDynInfo(feed.all, true);
        settle();
    }
}
BENCHMARK(BM_FillEmptyPage500)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_FillNewPage500(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto feed = std::make_unique<Feed>(kFull);
        state.ResumeTiming();
        // The first page after start: no widget to reuse.
        feed->page->addDynInfo(feed->all, true);
        settle();
        state.PauseTiming();
        feed.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FillNewPage500)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_ResetFullPage(benchmark::State &state)
{
    Feed feed(kFull);
    for (auto _ : state) {
        state.PauseTiming();
        feed.page->addDynInfo(feed.all, true);
        settle();
        state.ResumeTiming();
        feed.page->onResetDynData();
        settle();
    }
}
BENCHMARK(BM_ResetFullPage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
