// The paged project feed's frames, each beside a reference built in the same run:
//   - turning the page: the feed empties its item page and fills it with the next 30 records,
//     against a column of 30 word-wrapped plain labels that take the next page's texts;
//   - the page navigator redrawn for a total of 100,000 records (3,334 pages), for a new total
//     and for a new current page, against a row of as many plain buttons that take new texts.
// Every figure is taken from the call to a painted window: the call, the posted layout passes
// it causes, then the whole window rendered into an image. The records are the sample
// project's, weather of the coming days included, as the converter makes them.
//
//   QT_QPA_PLATFORM=offscreen bench_paged_feed [--benchmark_filter=...]
//
// One frame per repetition; the repetitions' median is the figure, their maximum the worst
// frame. DYNFEED_BENCH_SMOKE=1 runs one repetition each.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

#include "BenchFrames.h"

#include <algorithm>
#include <memory>

#include "DynKeys.h"
#include "MessageContext.h"
#include "feed/DynDataController.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "items/SummaryInfoWdt.h"
#include "samples/SampleProject.h"
#include "samples/SampleWeather.h"
#include "views/DynamicPage.h"
#include "views/PageNavigateWdt.h"
#include "views/ProjectDynPage.h"

namespace {

constexpr int kPage = 30;
constexpr int kPages = 10;
constexpr int kManyRecords = 100000;
const QSize kWindowSize(900, 1000);

/// The sample project's records with the weather of two weeks, newest first, each with a time
/// and a sequence number of its own five minutes apart, so that every page of the controller is
/// exactly 30 records. Owned for the run.
const QList<SDynData *> &sampleRecords()
{
    static const QList<SDynData *> records = [] {
        DynMsgConverter converter(true);
        converter.setPrjId(SampleProject::projectId());
        converter.setPrjName(SampleProject::projectName());
        QList<pb_clt_t_user> messages = SampleProject::messages();
        messages += SampleWeather::storyForecasts();
        messages += SampleWeather::forecast(QDate(2026, 12, 1), 14);
        QList<SDynData *> all;
        for (const pb_clt_t_user &message : qAsConst(messages)) {
            MessageContext context;
            context.user = &message;
            all += converter.convert(context);
        }
        std::stable_sort(all.begin(), all.end(),
            [](const SDynData *a, const SDynData *b) { return a->dateTime > b->dateTime; });
        const QDateTime newest = QDateTime::currentDateTime().addSecs(-3600);
        for (int i = 0; i < all.size(); ++i) {
            all[i]->dateTime = newest.addSecs(-300 * i);
            all[i]->seqId = i + 1;
        }
        return all;
    }();
    return records;
}

/// A new copy of the first count sample records; the caller owns them.
QList<SDynData *> copies(int count)
{
    QList<SDynData *> list;
    for (int i = 0; i < count; ++i)
        list << new SDynData(*sampleRecords().at(i % sampleRecords().size()));
    return list;
}

/// The texts a record's item shows, one per line.
QString rowText(const SDynData *record)
{
    QStringList parts { record->userName, record->text, record->userJob };
    for (const QString &key :
        { DynKey::text, DynKey::attachName, DynKey::weatherInfo, DynKey::reminderTitle })
        parts << record->content.value(key).toString();
    parts.removeAll(QString());
    return parts.join(QLatin1Char('\n'));
}

/// Untimed: runs what is still posted (repaints, deletions) until all is done.
void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

/// A shown window with one child filling it.
struct Window
{
    explicit Window(const QSize &size)
        : image(size, QImage::Format_ARGB32_Premultiplied)
    {
        widget.resize(size);
        layout = new QVBoxLayout(&widget);
        layout->setContentsMargins(0, 0, 0, 0);
        widget.show();
        settle();
    }

    /// Ends the frame the call began: the layout passes it posted, then the window painted.
    void paintFrame()
    {
        for (int i = 0; i < 2; ++i)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QPainter painter(&image);
        widget.render(&painter);
    }

    QWidget widget;
    QVBoxLayout *layout = nullptr;
    QImage image;
};

/// Fixtures kept from one repetition to the next; main() destroys them before the application.
std::vector<std::shared_ptr<void>> s_lasting;

template <typename T, typename... Args> T &lasting(Args &&...args)
{
    auto object = std::make_shared<T>(std::forward<Args>(args)...);
    s_lasting.push_back(object);
    return *object;
}

/// The paged feed in a window, its controller holding ten pages of sample records.
struct PagedFeed
{
    PagedFeed()
    {
        page = new ProjectDynPage(true, &window.widget);
        window.layout->addWidget(page);
        for (SDynData *record : copies(kPage * kPages))
            page->dynDataCtrler()->addDynData(record); // the controller owns them
        navigator = page->findChild<PageNavigateWdt *>();
        navigator->setMsgNum(kPage * kPages);
        navigator->setCurrentPage(1);
        settle();
    }

    Window window { kWindowSize };
    ProjectDynPage *page = nullptr;
    PageNavigateWdt *navigator = nullptr;
};

/// The reference: 30 word-wrapped plain labels in a scroll area, spaced like the item page.
struct PlainList
{
    PlainList()
    {
        area = new QScrollArea(&window.widget);
        area->setFrameShape(QFrame::NoFrame);
        area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        area->setWidgetResizable(true);
        auto *column = new QWidget;
        auto *layout = new QVBoxLayout(column);
        layout->setContentsMargins(30, 20, 30, 20);
        layout->setSpacing(20);
        for (int i = 0; i < kPage; ++i) {
            auto *label = new QLabel(column);
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(true);
            layout->addWidget(label);
            labels << label;
        }
        layout->addStretch(1);
        area->setWidget(column);
        window.layout->addWidget(area);
        settle();
    }

    Window window { kWindowSize };
    QScrollArea *area = nullptr;
    QList<QLabel *> labels;
};

void BM_Paged_TurnPage(benchmark::State &state)
{
    static PagedFeed &feed = lasting<PagedFeed>();
    // The next page, after the last the first: each turn replaces all 30 records.
    const int page = feed.navigator->currentPage() % kPages + 1;
    for (auto _ : state) {
        feed.navigator->setCurrentPage(page);
        feed.window.paintFrame();
    }
    if (feed.page->findChild<DynamicPage *>()->isEmpty())
        state.SkipWithError("the page shows nothing");
    settle();
}

void BM_Ref_TurnList(benchmark::State &state)
{
    static PlainList &list = lasting<PlainList>();
    static int repetition = 0;
    const QList<SDynData *> &all = sampleRecords();
    const int first = kPage * (repetition++ % kPages);
    for (auto _ : state) {
        for (int i = 0; i < kPage; ++i)
            list.labels.at(i)->setText(rowText(all.at((first + i) % all.size())));
        list.area->verticalScrollBar()->setValue(0);
        list.window.paintFrame();
    }
    settle();
}

/// The navigator alone in a window of the feed's width.
struct Navigator
{
    Navigator()
    {
        navigator = new PageNavigateWdt(&window.widget);
        window.layout->addWidget(navigator);
        navigator->setMsgNum(kManyRecords);
        settle();
    }

    Window window { QSize(kWindowSize.width(), 60) };
    PageNavigateWdt *navigator = nullptr;
};

/// Argument 0: a new total (the group grew by one record); 1: another current page, a jump
/// that moves the window of page buttons.
void BM_Navigator_Update100k(benchmark::State &state)
{
    static Navigator &nav = lasting<Navigator>();
    static int repetition = 0;
    const int step = repetition++;
    const bool newPage = state.range(0);
    const int total = kManyRecords + step;
    // Jumps across the whole range, never to the page shown.
    const int page = 1 + (step * 997 + 13) % nav.navigator->pageCount();
    for (auto _ : state) {
        if (newPage)
            nav.navigator->setCurrentPage(page);
        else
            nav.navigator->setMsgNum(total);
        nav.window.paintFrame();
    }
}

/// The reference: a row of plain buttons and two labels, as many as the navigator shows, whose
/// nine numbered buttons take new texts.
struct ButtonRow
{
    ButtonRow()
    {
        auto *row = new QWidget(&window.widget);
        auto *layout = new QHBoxLayout(row);
        layout->addStretch();
        layout->addWidget(new QPushButton(QStringLiteral("Previous Page"), row));
        for (int i = 0; i < 9; ++i) {
            buttons << new QPushButton(row);
            layout->addWidget(buttons.last());
            if (i == 0 || i == 7)
                layout->addWidget(new QLabel(QStringLiteral("..."), row));
        }
        layout->addWidget(new QPushButton(QStringLiteral("Next Page"), row));
        layout->addStretch();
        window.layout->addWidget(row);
        settle();
    }

    Window window { QSize(kWindowSize.width(), 60) };
    QList<QPushButton *> buttons;
};

void BM_Ref_ButtonRow(benchmark::State &state)
{
    static ButtonRow &row = lasting<ButtonRow>();
    static int repetition = 0;
    const int first = 1 + (repetition++ * 997 + 13) % 3000;
    for (auto _ : state) {
        for (int i = 0; i < row.buttons.size(); ++i)
            row.buttons.at(i)->setText(QString::number(first + i));
        row.window.paintFrame();
    }
}

BENCHMARK(BM_Paged_TurnPage)->Apply([](auto *b) {
    BenchFrames::frames(b, 21, benchmark::kMillisecond);
});
BENCHMARK(BM_Ref_TurnList)->Apply([](auto *b) {
    BenchFrames::frames(b, 21, benchmark::kMillisecond);
});
BENCHMARK(BM_Navigator_Update100k)->ArgName("newPage")->Arg(0)->Arg(1)->Apply([](auto *b) {
    BenchFrames::frames(b, 41, benchmark::kMicrosecond);
});
BENCHMARK(BM_Ref_ButtonRow)->Apply([](auto *b) {
    BenchFrames::frames(b, 41, benchmark::kMicrosecond);
});

} // namespace

int main(int argc, char **argv)
{
    BenchFrames::quietOffscreen();
    QApplication app(argc, argv);

    // A warm cache: every author's avatar is on disk and known, so no item downloads.
    const QStringList created = BenchFrames::warmAvatars(sampleRecords());

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    s_lasting.clear();
    BenchFrames::removeFiles(created);
    return 0;
}
