#include <QApplication>
#include <QLayout>
#include <QScrollArea>
#include <QtTest>

#include <memory>
#include <vector>

#include "feed/SDynData.h"
#include "items/SingleDynamicWdt.h"
#include "views/DynamicPage.h"

/// The item page: order, the 500 limit, reuse of item widgets, duplicates, the time range.
class tst_DynamicPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void addList_order_data();
    void addList_order();
    void duplicates_data();
    void duplicates();
    void trimmedRecordStaysSkippedUntilReset();
    void trimming_data();
    void trimming();
    void reset_data();
    void reset();
    void timeRange_data();
    void timeRange();
    void nullRecords();
    void laidOutAfterEachBatch_data();
    void laidOutAfterEachBatch();

private:
    /// A plain notice at kBase + minute minutes; minute -1 gives a record without a time.
    SDynData *record(int minute, int seqId = -1);
    /// Records for minutes from down to to, newest first.
    QList<SDynData *> records(int from, int to, int firstSeqId = -1);

    std::vector<std::unique_ptr<SDynData>> m_records;
};

namespace {

const qint64 kBase = 1762000000; // seconds

QList<int> range(int from, int to)
{
    QList<int> minutes;
    for (int m = from; from >= to ? m >= to : m <= to; from >= to ? --m : ++m)
        minutes << m;
    return minutes;
}

int minuteOf(const QDateTime &time)
{
    return time.isValid() ? int((time.toSecsSinceEpoch() - kBase) / 60) : -1;
}

/// The item widgets in the page's item layout, top first.
QList<SingleDynamicWdt *> shownItems(const DynamicPage &page)
{
    QList<SingleDynamicWdt *> items;
    QLayout *itemLayout = page.layout()->itemAt(0)->layout();
    for (int i = 0; i < itemLayout->count(); ++i)
        items << qobject_cast<SingleDynamicWdt *>(itemLayout->itemAt(i)->widget());
    return items;
}

QList<int> shownMinutes(const DynamicPage &page)
{
    QList<int> minutes;
    for (const SingleDynamicWdt *item : shownItems(page))
        minutes << minuteOf(item->dateTime());
    return minutes;
}

/// Every item widget alive in the process, shown or kept for reuse.
QList<SingleDynamicWdt *> liveItems()
{
    QList<SingleDynamicWdt *> items;
    for (QWidget *widget : QApplication::allWidgets()) {
        if (auto *item = qobject_cast<SingleDynamicWdt *>(widget))
            items << item;
    }
    return items;
}

} // namespace

void tst_DynamicPage::init()
{
    QCOMPARE(liveItems().size(), 0);
}

void tst_DynamicPage::cleanup()
{
    m_records.clear();
}

SDynData *tst_DynamicPage::record(int minute, int seqId)
{
    auto owned = std::make_unique<SDynData>(SDynData::KindText);
    owned->text = QStringLiteral("通知 %1").arg(minute);
    owned->content.insert(QStringLiteral("text"), QStringLiteral("第 %1 分钟的通知").arg(minute));
    owned->userId = QStringLiteral("2001");
    owned->userName = QStringLiteral("王工");
    owned->userJob = QStringLiteral("施工员");
    // A picture path of its own, so that no header starts an avatar download.
    owned->userHeader = QStringLiteral(":/icon/resources/images/secretary.png");
    if (minute >= 0)
        owned->dateTime = QDateTime::fromSecsSinceEpoch(kBase + 60 * minute);
    owned->seqId = seqId;
    m_records.push_back(std::move(owned));
    return m_records.back().get();
}

QList<SDynData *> tst_DynamicPage::records(int from, int to, int firstSeqId)
{
    QList<SDynData *> list;
    int seqId = firstSeqId;
    for (int minute : range(from, to))
        list << record(minute, firstSeqId < 0 ? -1 : seqId++);
    return list;
}

void tst_DynamicPage::addList_order_data()
{
    QTest::addColumn<QList<int>>("first");
    QTest::addColumn<bool>("firstAtBottom");
    QTest::addColumn<QList<int>>("second");
    QTest::addColumn<bool>("secondAtBottom");
    QTest::addColumn<QList<int>>("expected");

    QTest::newRow("thirty at the bottom of an empty page")
        << range(29, 0) << true << QList<int>() << true << range(29, 0);
    QTest::newRow("thirty at the top of an empty page")
        << range(29, 0) << false << QList<int>() << false << range(29, 0);
    QTest::newRow("newer ones above the shown")
        << range(9, 5) << true << range(14, 10) << false << range(14, 5);
    QTest::newRow("older ones below the shown")
        << range(14, 10) << true << range(9, 5) << true << range(14, 5);
    QTest::newRow("an empty list changes nothing")
        << range(3, 1) << false << QList<int>() << true << range(3, 1);
}

void tst_DynamicPage::addList_order()
{
    QFETCH(QList<int>, first);
    QFETCH(bool, firstAtBottom);
    QFETCH(QList<int>, second);
    QFETCH(bool, secondAtBottom);
    QFETCH(QList<int>, expected);

    auto listOf = [this](const QList<int> &minutes) {
        QList<SDynData *> list;
        for (int minute : minutes)
            list << record(minute);
        return list;
    };
    DynamicPage page;
    page.addDynInfo(listOf(first), firstAtBottom);
    page.addDynInfo(listOf(second), secondAtBottom);

    QCOMPARE(shownMinutes(page), expected);
    QCOMPARE(page.isEmpty(), expected.isEmpty());
    for (SingleDynamicWdt *item : shownItems(page))
        QVERIFY(!item->isHidden());
}

void tst_DynamicPage::duplicates_data()
{
    QTest::addColumn<QList<int>>("minutes"); // added one by one at the bottom
    QTest::addColumn<QList<int>>("seqIds");
    QTest::addColumn<QList<int>>("expected");

    QTest::newRow("same sequence id skipped")
        << QList<int> { 5, 3 } << QList<int> { 7, 7 } << QList<int> { 5 };
    QTest::newRow("without sequence id added every time")
        << QList<int> { 5, 5 } << QList<int> { -1, -1 } << QList<int> { 5, 5 };
    QTest::newRow("distinct sequence ids")
        << QList<int> { 5, 3 } << QList<int> { 7, 8 } << QList<int> { 5, 3 };
    QTest::newRow("sequence id 0 is an id")
        << QList<int> { 5, 3 } << QList<int> { 0, 0 } << QList<int> { 5 };
    QTest::newRow("one without id between duplicates")
        << QList<int> { 9, 7, 5 } << QList<int> { 4, -1, 4 } << QList<int> { 9, 7 };
}

void tst_DynamicPage::duplicates()
{
    QFETCH(QList<int>, minutes);
    QFETCH(QList<int>, seqIds);
    QFETCH(QList<int>, expected);

    DynamicPage page;
    for (int i = 0; i < minutes.size(); ++i)
        page.addDynInfo(record(minutes.at(i), seqIds.at(i)), true);

    QCOMPARE(shownMinutes(page), expected);
    // A skipped record does not widen the range either.
    QCOMPARE(minuteOf(page.earliestTime()), expected.constLast());
    QCOMPARE(minuteOf(page.latestTime()), expected.constFirst());
    QCOMPARE(liveItems().size(), expected.size());
}

void tst_DynamicPage::trimmedRecordStaysSkippedUntilReset()
{
    DynamicPage page;
    page.addDynInfo(records(600, 101, 0), true); // sequence ids 0 (top) to 499 (bottom)
    page.addDynInfo(records(620, 601, 500), false);
    QCOMPARE(shownMinutes(page).constLast(), 121);

    SDynData *trimmed = record(101, 499);
    page.addDynInfo(trimmed, true);
    QCOMPARE(shownMinutes(page).constLast(), 121);
    // The range still covers the trimmed records.
    QCOMPARE(minuteOf(page.earliestTime()), 101);

    page.onResetDynData();
    page.addDynInfo(trimmed, true);
    QCOMPARE(shownMinutes(page), QList<int> { 101 });
}

void tst_DynamicPage::trimming_data()
{
    QTest::addColumn<int>("shown"); // minutes 1000 + shown down to 1001 are shown
    QTest::addColumn<int>("added"); // the next older or newer minutes
    QTest::addColumn<bool>("atBottom");
    QTest::addColumn<int>("expectedTop");
    QTest::addColumn<int>("expectedBottom");

    QTest::newRow("20 at the top of 500 drop the bottom 20") << 500 << 20 << false << 1520 << 1021;
    QTest::newRow("20 at the bottom of 500 drop the top 20") << 500 << 20 << true << 1480 << 981;
    QTest::newRow("490 shown, 20 at the top drop 10") << 490 << 20 << false << 1510 << 1011;
    QTest::newRow("490 shown, 20 at the bottom drop 10") << 490 << 20 << true << 1480 << 981;
    QTest::newRow("room for all drops nothing") << 480 << 20 << false << 1500 << 1001;
    QTest::newRow("one list beyond the limit drops only what is shown")
        << 10 << 510 << true << 1000 << 491;
}

void tst_DynamicPage::trimming()
{
    QFETCH(int, shown);
    QFETCH(int, added);
    QFETCH(bool, atBottom);
    QFETCH(int, expectedTop);
    QFETCH(int, expectedBottom);

    DynamicPage page;
    page.addDynInfo(records(1000 + shown, 1001), true);
    const QList<SingleDynamicWdt *> before = shownItems(page);

    const QList<SDynData *> batch
        = atBottom ? records(1000, 1001 - added) : records(1000 + shown + added, 1001 + shown);
    page.addDynInfo(batch, atBottom);

    QCOMPARE(shownMinutes(page), range(expectedTop, expectedBottom));

    // Widgets that had to leave were taken up again by the new records, not rebuilt.
    const QList<SingleDynamicWdt *> after = shownItems(page);
    const int reusedOrKept = int((QSet<SingleDynamicWdt *>(before.cbegin(), before.cend())
        & QSet<SingleDynamicWdt *>(after.cbegin(), after.cend()))
                                     .size());
    QCOMPARE(reusedOrKept, before.size());
    QCOMPARE(liveItems().size(), after.size());
}

void tst_DynamicPage::reset_data()
{
    QTest::addColumn<int>("shown");
    QTest::addColumn<int>("duplicatesAtTop"); // trimmed widgets that nothing took up again
    QTest::addColumn<int>("expectedKept");

    QTest::newRow("300 shown: 101 kept, 199 deleted") << 300 << 0 << 101;
    QTest::newRow("50 shown: all kept") << 50 << 0 << 50;
    QTest::newRow("101 shown: all kept") << 101 << 0 << 101;
    QTest::newRow("102 shown: one deleted") << 102 << 0 << 101;
    QTest::newRow("20 already spare: 81 more kept") << 500 << 20 << 101;
    QTest::newRow("empty page") << 0 << 0 << 0;
}

void tst_DynamicPage::reset()
{
    QFETCH(int, shown);
    QFETCH(int, duplicatesAtTop);
    QFETCH(int, expectedKept);

    DynamicPage page;
    if (shown > 0)
        page.addDynInfo(records(shown, 1, 0), true);
    if (duplicatesAtTop > 0) {
        // Full page: the list makes room first, then every record of it is skipped.
        page.addDynInfo(records(shown + duplicatesAtTop, shown + 1, 0), false);
        QCOMPARE(shownItems(page).size(), shown - duplicatesAtTop);
        QCOMPARE(liveItems().size(), shown);
    }

    const QDateTime before = QDateTime::currentDateTime();
    page.onResetDynData();
    const QDateTime after = QDateTime::currentDateTime();

    QVERIFY(page.isEmpty());
    QCOMPARE(shownItems(page).size(), 0);
    const QList<SingleDynamicWdt *> kept = liveItems();
    QCOMPARE(kept.size(), expectedKept);
    for (SingleDynamicWdt *item : kept) {
        QVERIFY(!item->parent());
        QVERIFY(item->isHidden());
    }
    QVERIFY(page.earliestTime() >= before && page.earliestTime() <= after);
    QCOMPARE(page.latestTime(), QDateTime(QDate(1970, 1, 1), QTime(0, 0)));

    // The kept widgets come back first, and the forgotten sequence ids are welcome again.
    page.addDynInfo(records(shown + 10, 1, 0), true);
    QCOMPARE(shownItems(page).size(), shown + 10);
    int reused = 0;
    for (SingleDynamicWdt *item : shownItems(page))
        reused += kept.contains(item) ? 1 : 0;
    QCOMPARE(reused, expectedKept);
    QCOMPARE(liveItems().size(), shown + 10);
}

void tst_DynamicPage::timeRange_data()
{
    QTest::addColumn<QList<int>>("atBottom");
    QTest::addColumn<QList<int>>("atTop");
    QTest::addColumn<int>("expectedEarliest");
    QTest::addColumn<int>("expectedLatest");

    QTest::newRow("bottom only") << range(9, 5) << QList<int>() << 5 << 9;
    QTest::newRow("bottom, then newer at the top") << range(9, 5) << range(14, 10) << 5 << 14;
    QTest::newRow("top, then older at the bottom") << range(3, 1) << range(9, 7) << 1 << 9;
    QTest::newRow("out of order still widens") << range(9, 5) << range(3, 2) << 2 << 9;
    QTest::newRow("a record without a time leaves it")
        << QList<int> { 9, -1, 5 } << QList<int> { -1 } << 5 << 9;
}

void tst_DynamicPage::timeRange()
{
    QFETCH(QList<int>, atBottom);
    QFETCH(QList<int>, atTop);
    QFETCH(int, expectedEarliest);
    QFETCH(int, expectedLatest);

    DynamicPage page;
    QList<SDynData *> bottom;
    for (int minute : atBottom)
        bottom << record(minute);
    QList<SDynData *> top;
    for (int minute : atTop)
        top << record(minute);
    page.addDynInfo(bottom, true);
    page.addDynInfo(top, false);

    QCOMPARE(shownItems(page).size(), atBottom.size() + atTop.size());
    QCOMPARE(minuteOf(page.earliestTime()), expectedEarliest);
    QCOMPARE(minuteOf(page.latestTime()), expectedLatest);
}

void tst_DynamicPage::nullRecords()
{
    DynamicPage page;
    QTest::ignoreMessage(QtWarningMsg, "DynamicPage::addDynInfo--invalid DynData.");
    page.addDynInfo(static_cast<SDynData *>(nullptr), true);
    QVERIFY(page.isEmpty());

    QTest::ignoreMessage(QtWarningMsg, "DynamicPage::addDynInfo--invalid DynData.");
    QTest::ignoreMessage(QtWarningMsg, "DynamicPage::addDynInfo--invalid DynData.");
    page.addDynInfo(QList<SDynData *> { record(9), nullptr, record(7), nullptr }, false);
    QCOMPARE(shownMinutes(page), (QList<int> { 9, 7 }));
}

void tst_DynamicPage::laidOutAfterEachBatch_data()
{
    QTest::addColumn<bool>("atBottom");
    QTest::addColumn<int>("added");

    QTest::newRow("older at the bottom") << true << 20;
    QTest::newRow("newer at the top") << false << 20;
    QTest::newRow("beyond the limit at the bottom") << true << 30;
    QTest::newRow("beyond the limit at the top") << false << 30;
}

void tst_DynamicPage::laidOutAfterEachBatch()
{
    QFETCH(bool, atBottom);
    QFETCH(int, added);

    QScrollArea area;
    area.setWidgetResizable(true);
    auto *page = new DynamicPage;
    area.setWidget(page);
    area.resize(600, 500);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));

    page->addDynInfo(records(1480, 1001), true);
    const QList<SDynData *> batch
        = atBottom ? records(1000, 1001 - added) : records(1480 + added, 1481);
    page->addDynInfo(batch, atBottom);

    // Every item, old or new, ends up in the column: full width, one below the other.
    auto stacked = [page] {
        const QList<SingleDynamicWdt *> items = shownItems(*page);
        const int width = page->width() - 60;
        int y = 20;
        for (const SingleDynamicWdt *item : items) {
            if (item->isHidden() || item->x() != 30 || item->width() != width || item->y() != y)
                return false;
            y += item->height() + 20;
        }
        return items.size() == 500;
    };
    QTRY_VERIFY(stacked());
}

QTEST_MAIN(tst_DynamicPage)
#include "tst_DynamicPage.moc"
