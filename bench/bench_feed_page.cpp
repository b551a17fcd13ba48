// The scrolling feed's frames, each beside a plain list of the same texts built in the same run:
// a column of word-wrapped QLabels, one per record, in a scroll area. Every figure is taken from
// the call to a painted window: the call, the posted layout passes it causes, then the whole
// window rendered into an image. The records are the sample project's, as the converter makes
// them: tasks and reports with their voice notes and attachment strips among notices and
// project records (kinds whose content widget the library does not have yet show their header
// only), with times of their own; one page is also measured with every record given a text
// content. Pictures the cloud does not hold keep their placeholder; no voice note is played.
//
//   QT_QPA_PLATFORM=offscreen bench_feed_page [--benchmark_filter=...]
//
// Each benchmark is one frame per repetition, over successive windows of the sample; the
// repetitions' median is the figure, their maximum the worst frame.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

#include "BenchFrames.h"

#include <malloc.h>

#include <algorithm>
#include <memory>

#include "DynKeys.h"
#include "MessageContext.h"
#include "feed/DynDataController.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "i18n/DynFeedTranslations.h"
#include "items/SingleDynamicWdt.h"
#include "items/SummaryInfoWdt.h"
#include "samples/SampleProject.h"
#include "views/DynScrollArea.h"
#include "views/DynamicPage.h"

namespace {

constexpr int kPage = 30;
constexpr int kShown = 480;
constexpr int kBatch = 20;
constexpr int kFull = 500;
const QSize kWindowSize(900, 1000);

/// The sample project's records, newest first, as the converter makes them. Owned for the run.
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
        // The conversion gives tasks no attachment list; the host's task records carry one.
        static const QStringList files { QStringLiteral("结构施工图.dwg-_-f-dwg"),
            QStringLiteral("现场照片.jpg-_-f-jpg"), QStringLiteral("整改通知单.pdf-_-f-pdf"),
            QStringLiteral("钢筋台账.xlsx-_-f-xlsx") };
        int tasks = 0;
        for (SDynData *record : qAsConst(all)) {
            if (record->kind == SDynData::KindTask && tasks++ % 3 != 2)
                record->content.insert(
                    DynKey::attachList, QVariant(files.mid(tasks % 3, 1 + tasks % 3)));
        }
        std::stable_sort(all.begin(), all.end(),
            [](const SDynData *a, const SDynData *b) { return a->dateTime > b->dateTime; });
        return all;
    }();
    return records;
}

/// Where the sample's longest summary (a notice of thousands of characters) stands in
/// sampleRecords().
int longNoticeIndex()
{
    const QList<SDynData *> &sample = sampleRecords();
    const auto longest = std::max_element(sample.cbegin(), sample.cend(),
        [](const SDynData *a, const SDynData *b) { return a->text.size() < b->text.size(); });
    return int(longest - sample.cbegin());
}

/// count copies of the sample's records, newest first, the sample repeated as often as needed.
/// Each copy gets a time of its own, five minutes apart and in the past (the page's range
/// starts at the moment of its reset), and a sequence id of its own, so that every slice the
/// controller serves is exactly the next one. The caller owns them.
QList<SDynData *> mixedRecords(int count)
{
    const QList<SDynData *> &sample = sampleRecords();
    const QDateTime newest = QDateTime::currentDateTime().addSecs(-3600);
    QList<SDynData *> records;
    records.reserve(count);
    for (int i = 0; i < count; ++i) {
        auto *record = new SDynData(*sample.at(i % sample.size()));
        record->dateTime = newest.addSecs(-300 * i);
        record->seqId = i + 1;
        records << record;
    }
    return records;
}

/// Copies of the records as plain notices whose content text is what the content widget of
/// their kind shows (1 to 5 lines): the items as they will be once every kind has its content
/// widget. The caller owns them.
QList<SDynData *> withTextContent(const QList<SDynData *> &records)
{
    QList<SDynData *> notices;
    for (const SDynData *source : records) {
        QStringList lines;
        for (const QString &key : { DynKey::text, DynKey::desc, DynKey::type, DynKey::location,
                 DynKey::people, DynKey::time, DynKey::title, DynKey::content, DynKey::attachName,
                 DynKey::weatherInfo, DynKey::reminderTitle }) {
            const QString value = source->content.value(key).toString();
            if (!value.isEmpty())
                lines << value;
        }
        auto *notice = new SDynData(SDynData::KindText);
        notice->text = source->text;
        notice->userId = source->userId;
        notice->userName = source->userName;
        notice->userJob = source->userJob;
        notice->userHeader = source->userHeader;
        notice->dateTime = source->dateTime;
        notice->seqId = source->seqId;
        if (!lines.isEmpty())
            notice->content.insert(DynKey::text, lines.mid(0, 5).join(QLatin1Char('\n')));
        notices << notice;
    }
    return notices;
}

/// The texts a record's item shows, one per line: name, summary, time, job, content text.
QString rowText(const SDynData *record)
{
    QStringList parts;
    for (const QString &part :
        { record->userName, record->text, SummaryInfoWdt::getTimeStr(record->dateTime),
            record->userJob, record->content.value(DynKey::text).toString() }) {
        if (!part.isEmpty())
            parts << part;
    }
    return parts.join(QLatin1Char('\n'));
}

/// Bytes the heap holds, large blocks included.
size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

/// Ends the frame the call began: the layout passes it posted, then the whole window painted.
void paintFrame(QWidget &window)
{
    static QImage image(kWindowSize, QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < 2; ++i)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QPainter painter(&image);
    window.render(&painter);
}

/// Untimed: runs what is still posted (the window's own repaint, deletions) until all is done.
void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

/// A shown window of the feed's size with one child filling it.
struct Window
{
    Window()
    {
        widget.resize(kWindowSize);
        layout = new QVBoxLayout(&widget);
        layout->setContentsMargins(0, 0, 0, 0);
        widget.show();
        settle();
    }

    QWidget widget;
    QVBoxLayout *layout = nullptr;
};

/// The scrolling feed in a window, its controller holding count mixed records.
struct Feed
{
    explicit Feed(int count = 0)
    {
        area = new DynScrollArea(true, &window.widget);
        window.layout->addWidget(area);
        page = qobject_cast<DynamicPage *>(area->widget());
        all = mixedRecords(count);
        for (SDynData *record : qAsConst(all))
            area->dynDataCtrler()->addDynData(record); // the controller owns them
        settle();
    }

    /// Untimed: the page shows exactly the records [first, first + count).
    void showRecords(int first, int count)
    {
        page->onResetDynData();
        page->addDynInfo(all.mid(first, count), true);
        settle();
    }

    Window window;
    DynScrollArea *area = nullptr;
    DynamicPage *page = nullptr;
    QList<SDynData *> all; // newest first; the controller's
};

/// The reference: a column of word-wrapped plain-text labels in a scroll area, one per record,
/// with the texts of the record's item, spaced like the page. In a window of its own, or in a
/// given one.
struct PlainList
{
    explicit PlainList(Window *host = nullptr)
        : ownWindow(host ? nullptr : std::make_unique<Window>())
        , window(host ? *host : *ownWindow)
    {
        area = new QScrollArea(&window.widget);
        area->setFrameShape(QFrame::NoFrame);
        area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        area->setWidgetResizable(true);
        auto *page = new QWidget;
        auto *pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(30, 20, 30, 20);
        rows = new QVBoxLayout;
        rows->setContentsMargins(0, 0, 0, 0);
        rows->setSpacing(20);
        pageLayout->addLayout(rows);
        pageLayout->addStretch(1);
        area->setWidget(page);
        window.layout->addWidget(area);
        area->show();
    }

    ~PlainList() { delete area; }

    QLabel *newRow(const SDynData *record)
    {
        auto *label = new QLabel(area->widget());
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setText(rowText(record));
        return label;
    }

    void append(const QList<SDynData *> &records)
    {
        for (const SDynData *record : records) {
            QLabel *label = newRow(record);
            rows->addWidget(label);
            label->show();
        }
    }

    void prepend(const QList<SDynData *> &records)
    {
        for (auto it = records.crbegin(); it != records.crend(); ++it) {
            QLabel *label = newRow(*it);
            rows->insertWidget(0, label);
            label->show();
        }
    }

    void clear()
    {
        while (QLayoutItem *item = rows->takeAt(0)) {
            delete item->widget();
            delete item;
        }
        settle();
    }

    std::unique_ptr<Window> ownWindow;
    Window &window;
    QScrollArea *area = nullptr;
    QVBoxLayout *rows = nullptr;
};

/// Fixtures kept from one repetition to the next; main() destroys them before the application.
std::vector<std::shared_ptr<void>> s_lasting;

template <typename T, typename... Args> T &lasting(Args &&...args)
{
    auto object = std::make_shared<T>(std::forward<Args>(args)...);
    s_lasting.push_back(object);
    return *object;
}

/// The repetition a benchmark is in, counted per benchmark name and arguments: it picks the
/// window of the sample.
int nextRepetition(const char *bench, const benchmark::State &state, int arguments = 0)
{
    static QHash<QString, int> counts;
    QString key = QLatin1String(bench);
    for (int i = 0; i < arguments; ++i)
        key += QLatin1Char('/') + QString::number(state.range(i));
    return counts[key]++;
}

// ---- (a) 30 mixed records on a new page

/// The records of the repetition's page: successive pages of the sample, as converted or as
/// plain notices with their content's text.
QList<SDynData *> pageRecords(int repetition, bool textContent)
{
    static const QList<SDynData *> all = mixedRecords(kFull);
    static const QList<SDynData *> notices = withTextContent(all);
    return (textContent ? notices : all).mid(kPage * repetition % (kFull - kPage), kPage);
}

/// Argument: 0 the sample's records as converted (kinds without a content widget yet show
/// their header only), 1 every record with a word-wrapped content of 1 to 5 lines.
void BM_Feed_NewPage30(benchmark::State &state)
{
    static Window &window = lasting<Window>();
    const QList<SDynData *> records
        = pageRecords(nextRepetition(__func__, state, 1), state.range(0));
    for (auto _ : state) {
        // The first page of a feed: a new view, its page empty and never laid out.
        auto *area = new DynScrollArea(true, &window.widget);
        window.layout->addWidget(area);
        area->addDynInfo(records);
        area->show();
        paintFrame(window.widget);
        state.PauseTiming();
        delete area;
        settle();
        state.ResumeTiming();
    }
}

void BM_Ref_NewList30(benchmark::State &state)
{
    static Window &window = lasting<Window>();
    const QList<SDynData *> records
        = pageRecords(nextRepetition(__func__, state, 1), state.range(0));
    for (auto _ : state) {
        auto list = std::make_unique<PlainList>(&window);
        list->append(records);
        paintFrame(window.widget);
        state.PauseTiming();
        list.reset();
        settle();
        state.ResumeTiming();
    }
}

// ---- (b) a scroll batch of 20 under 480 shown items

/// The batch's first record: successive repetitions take successive batches of the sample,
/// with room for the 480 shown records above an older batch. With the long notice, every
/// repetition takes the batch that holds a copy of it a little way in.
int batchStart(int repetition, bool older, bool longNotice)
{
    if (longNotice)
        return longNoticeIndex() + int(sampleRecords().size()) - 5;
    return (older ? kShown : 0) + kBatch * repetition;
}

/// One pixel short of the end of the bar where the batch goes: the next step reaches it.
void nearEnd(QScrollBar *bar, bool bottom)
{
    bar->setValue(bottom ? bar->maximum() - 1 : bar->minimum() + 1);
    settle();
}

/// Arguments: 1 older records at the bottom, 0 newer ones at the top; 1 a batch with the long
/// notice.
void BM_Feed_Batch20Under480(benchmark::State &state)
{
    static Feed &feed = lasting<Feed>(kShown + kBatch + 2 * sampleRecords().size());
    const bool older = state.range(0);
    const int batch = batchStart(nextRepetition(__func__, state, 2), older, state.range(1));
    // The page shows the 480 records next to the batch: above it for an older batch.
    feed.showRecords(older ? batch - kShown : batch + kBatch, kShown);
    QScrollBar *bar = feed.area->verticalScrollBar();
    nearEnd(bar, older);
    for (auto _ : state) {
        // The user reaches the end of the bar: the feed fetches the batch there.
        bar->setValue(older ? bar->maximum() : bar->minimum());
        paintFrame(feed.window.widget);
    }
    if (feed.page->findChildren<SingleDynamicWdt *>(QString(), Qt::FindDirectChildrenOnly).size()
        != kShown + kBatch)
        state.SkipWithError("the page does not show 500 items");
}

void BM_Ref_Batch20Under480(benchmark::State &state)
{
    static PlainList &list = lasting<PlainList>();
    static QList<SDynData *> all = mixedRecords(kShown + kBatch + 2 * sampleRecords().size());
    const bool older = state.range(0);
    const int batch = batchStart(nextRepetition(__func__, state, 2), older, state.range(1));
    list.clear();
    list.append(all.mid(older ? batch - kShown : batch + kBatch, kShown));
    settle();
    QScrollBar *bar = list.area->verticalScrollBar();
    nearEnd(bar, older);
    for (auto _ : state) {
        bar->setValue(older ? bar->maximum() : bar->minimum());
        if (older)
            list.append(all.mid(batch, kBatch));
        else
            list.prepend(all.mid(batch, kBatch));
        paintFrame(list.window.widget);
    }
}

/// An older batch on a full page: 20 items leave the top first and are refilled at the bottom.
void BM_Feed_Batch20OnFull500(benchmark::State &state)
{
    static Feed &feed = lasting<Feed>(kFull + kBatch + sampleRecords().size());
    const int batch = kFull + kBatch * nextRepetition(__func__, state);
    feed.showRecords(batch - kFull, kFull);
    QScrollBar *bar = feed.area->verticalScrollBar();
    nearEnd(bar, true);
    for (auto _ : state) {
        bar->setValue(bar->maximum());
        paintFrame(feed.window.widget);
    }
}

void BM_Ref_Batch20OnFull500(benchmark::State &state)
{
    static PlainList &list = lasting<PlainList>();
    static QList<SDynData *> all = mixedRecords(kFull + kBatch + sampleRecords().size());
    const int batch = kFull + kBatch * nextRepetition(__func__, state);
    list.clear();
    list.append(all.mid(batch - kFull, kFull));
    settle();
    QScrollBar *bar = list.area->verticalScrollBar();
    nearEnd(bar, true);
    for (auto _ : state) {
        bar->setValue(bar->maximum());
        for (int i = 0; i < kBatch; ++i) {
            QLayoutItem *row = list.rows->takeAt(0);
            delete row->widget();
            delete row;
        }
        list.append(all.mid(batch, kBatch));
        paintFrame(list.window.widget);
    }
}

/// A page of 500 emptied, as a change of project or user does: 101 items are kept for reuse.
void BM_Feed_Reset500(benchmark::State &state)
{
    static Feed &feed = lasting<Feed>(kFull);
    feed.showRecords(0, kFull);
    for (auto _ : state) {
        feed.page->onResetDynData();
        paintFrame(feed.window.widget);
    }
}

void BM_Ref_Clear500(benchmark::State &state)
{
    static PlainList &list = lasting<PlainList>();
    static QList<SDynData *> all = mixedRecords(kFull);
    list.clear();
    list.append(all);
    settle();
    for (auto _ : state) {
        while (QLayoutItem *row = list.rows->takeAt(0)) {
            delete row->widget();
            delete row;
        }
        paintFrame(list.window.widget);
    }
}

// ---- (c) an empty page filled with 500 records; (d) memory per shown item

/// Argument: 1 the page was reset and keeps item widgets to reuse, 0 a new page. On a new page
/// the heap's growth per shown item is counted.
void BM_Feed_Fill500(benchmark::State &state)
{
    const bool pooled = state.range(0);
    static Feed &feed = lasting<Feed>(kFull);
    std::unique_ptr<Feed> fresh;
    if (pooled) {
        feed.showRecords(0, kFull);
        feed.page->onResetDynData();
        settle();
    } else {
        fresh = std::make_unique<Feed>(0);
    }
    Feed &target = pooled ? feed : *fresh;
    const size_t heapBefore = heapInUse();
    for (auto _ : state) {
        target.page->addDynInfo(feed.all, true);
        paintFrame(target.window.widget);
    }
    settle();
    if (!pooled) {
        state.counters["KiB_per_item"]
            = double(heapInUse() - heapBefore) / 1024.0 / double(feed.all.size());
    }
}

void BM_Ref_Fill500(benchmark::State &state)
{
    static QList<SDynData *> all = mixedRecords(kFull);
    PlainList list;
    const size_t heapBefore = heapInUse();
    for (auto _ : state) {
        list.append(all);
        paintFrame(list.window.widget);
    }
    settle();
    state.counters["KiB_per_item"] = double(heapInUse() - heapBefore) / 1024.0 / double(kFull);
}

/// Argument: a record kind. The heap's growth per shown item when a new page shows only the
/// mix's records of that kind: where the memory of the mix goes.
void BM_Feed_MemoryByKind(benchmark::State &state)
{
    static Feed &feed = lasting<Feed>(kFull);
    QList<SDynData *> records;
    for (SDynData *record : qAsConst(feed.all)) {
        if (record->kind == state.range(0))
            records << record;
    }
    if (records.isEmpty()) {
        state.SkipWithError("no record of this kind in the mix");
        return;
    }
    Feed fresh(0);
    const size_t heapBefore = heapInUse();
    for (auto _ : state) {
        fresh.page->addDynInfo(records, true);
        paintFrame(fresh.window.widget);
    }
    settle();
    state.counters["KiB_per_item"]
        = double(heapInUse() - heapBefore) / 1024.0 / double(records.size());
    state.counters["items"] = double(records.size());
}

// ---- (d) 30 items refilled from the pool against 30 created

/// Argument: 1 the empty page keeps item widgets to reuse (refilled), 0 it has none (created).
void BM_Feed_Show30(benchmark::State &state)
{
    const bool pooled = state.range(0);
    static Feed &feed = lasting<Feed>(kFull);
    const int first = kPage * nextRepetition(__func__, state, 1);
    std::unique_ptr<Feed> fresh;
    if (pooled) {
        feed.showRecords((first + kPage) % kFull, kPage);
        feed.page->onResetDynData();
        settle();
    } else {
        fresh = std::make_unique<Feed>(0);
    }
    Feed &target = pooled ? feed : *fresh;
    const QList<SDynData *> records = feed.all.mid(first % (kFull - kPage), kPage);
    for (auto _ : state) {
        target.page->addDynInfo(records, true);
        paintFrame(target.window.widget);
    }
}

/// Argument: 1 the 30 labels exist and take the new texts, 0 they are created.
void BM_Ref_Show30(benchmark::State &state)
{
    const bool pooled = state.range(0);
    static QList<SDynData *> all = mixedRecords(kFull);
    const int first = kPage * nextRepetition(__func__, state, 1);
    const QList<SDynData *> records = all.mid(first % (kFull - kPage), kPage);
    PlainList list;
    if (pooled) {
        list.append(all.mid((first + kPage) % kFull, kPage));
        settle();
    }
    for (auto _ : state) {
        if (pooled) {
            for (int i = 0; i < records.size(); ++i)
                static_cast<QLabel *>(list.rows->itemAt(i)->widget())
                    ->setText(rowText(records.at(i)));
        } else {
            list.append(records);
        }
        paintFrame(list.window.widget);
    }
}

// ---- (e) the language of a shown page switched

/// A page of 30 shown; each repetition installs the other language (Chinese, English, in turn):
/// the language change reaches every item, which retranslates its texts, then the window is
/// painted.
void BM_Feed_SwitchLanguage30(benchmark::State &state)
{
    static Feed &feed = lasting<Feed>(kFull);
    const int repetition = nextRepetition(__func__, state);
    feed.showRecords(kPage * repetition % (kFull - kPage), kPage);
    const QLocale locale(repetition % 2 ? QLocale::English : QLocale::Chinese, QLocale::AnyCountry);
    for (auto _ : state) {
        DynFeedTranslations::install(locale);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        paintFrame(feed.window.widget);
    }
    state.counters["retranslated"] = double(feed.page->findChildren<SingleDynamicWdt *>().size());
}

// The whole sample in pages of 30 and in batches of 20.
const int kPageRepetitions = 13;
const int kBatchRepetitions = 19;

BENCHMARK(BM_Feed_NewPage30)->ArgName("textContent")->Arg(0)->Arg(1)->Apply([](auto *b) {
    BenchFrames::frames(b, kPageRepetitions);
});
BENCHMARK(BM_Ref_NewList30)->ArgName("textContent")->Arg(0)->Arg(1)->Apply([](auto *b) {
    BenchFrames::frames(b, kPageRepetitions);
});
BENCHMARK(BM_Feed_Batch20Under480)
    ->ArgNames({ "older", "longNotice" })
    ->Args({ 1, 0 })
    ->Args({ 0, 0 })
    ->Args({ 1, 1 })
    ->Args({ 0, 1 })
    ->Apply([](auto *b) { BenchFrames::frames(b, kBatchRepetitions); });
BENCHMARK(BM_Ref_Batch20Under480)
    ->ArgNames({ "older", "longNotice" })
    ->Args({ 1, 0 })
    ->Args({ 0, 0 })
    ->Args({ 1, 1 })
    ->Args({ 0, 1 })
    ->Apply([](auto *b) { BenchFrames::frames(b, kBatchRepetitions); });
BENCHMARK(BM_Feed_Batch20OnFull500)->Apply([](auto *b) {
    BenchFrames::frames(b, kBatchRepetitions);
});
BENCHMARK(BM_Ref_Batch20OnFull500)->Apply([](auto *b) {
    BenchFrames::frames(b, kBatchRepetitions);
});
BENCHMARK(BM_Feed_Fill500)->ArgName("pooled")->Arg(1)->Arg(0)->Apply([](auto *b) {
    BenchFrames::frames(b, 5);
});
BENCHMARK(BM_Ref_Fill500)->Apply([](auto *b) { BenchFrames::frames(b, 5); });
BENCHMARK(BM_Feed_MemoryByKind)
    ->ArgName("kind")
    ->DenseRange(SDynData::KindText, SDynData::KindAttachment)
    ->Apply([](auto *b) { BenchFrames::frames(b, 5); });
BENCHMARK(BM_Feed_Reset500)->Apply([](auto *b) { BenchFrames::frames(b, 5); });
BENCHMARK(BM_Ref_Clear500)->Apply([](auto *b) { BenchFrames::frames(b, 5); });
BENCHMARK(BM_Feed_Show30)->ArgName("pooled")->Arg(1)->Arg(0)->Apply([](auto *b) {
    BenchFrames::frames(b, kPageRepetitions);
});
BENCHMARK(BM_Ref_Show30)->ArgName("pooled")->Arg(1)->Arg(0)->Apply([](auto *b) {
    BenchFrames::frames(b, kPageRepetitions);
});
BENCHMARK(BM_Feed_SwitchLanguage30)->Apply([](auto *b) {
    BenchFrames::frames(b, kPageRepetitions);
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
