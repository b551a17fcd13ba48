#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include "common/TestFeed.h"
#include "common/TestMain.h"
#include "common/TestPictures.h"
#include "feed/SDynData.h"
#include "items/SingleDynamicWdt.h"
#include "items/SummaryInfoWdt.h"
#include "views/DynamicPage.h"

namespace {

using Ints = QList<int>;
const qint64 kBase = 1762000000; // seconds

const auto range = TestFeed::countdown;

int minuteOf(const QDateTime &time)
{
    return time.isValid() ? int((time.toSecsSinceEpoch() - kBase) / 60) : -1;
}

using TestFeed::shownItems;

QList<int> shownMinutes(const DynamicPage &page)
{
    QList<int> minutes;
    for (const QDateTime &time : TestFeed::shownTimes(page))
        minutes << minuteOf(time);
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

QColor avatarColor(const SingleDynamicWdt *item)
{
    return TestPictures::shown(
        *item->findChild<QLabel *>(QStringLiteral("SummaryInfoWdt_headerLbl")))
        .pixelColor(35, 35);
}

} // namespace

/// The item page: order, the 500 limit, reuse of item widgets, duplicates, the time range.
class tst_DynamicPage : public QObject
{
    Q_OBJECT

    QList<SDynData *> m_records;

    /// A plain notice at kBase + minute minutes; minute -1 gives a record without a time.
    SDynData *record(int minute, int seqId = -1)
    {
        auto *owned = new SDynData(SDynData::KindText);
        owned->text = QStringLiteral("通知 %1").arg(minute);
        // A picture path of its own, so that no header starts an avatar download.
        owned->userHeader = QStringLiteral(":/icon/resources/images/secretary.png");
        if (minute >= 0)
            owned->dateTime = QDateTime::fromSecsSinceEpoch(kBase + 60 * minute);
        owned->seqId = seqId;
        m_records << owned;
        return owned;
    }

    /// Records for the minutes, with sequence ids from firstSeqId on (none when negative).
    QList<SDynData *> records(const QList<int> &minutes, int firstSeqId = -1)
    {
        QList<SDynData *> list;
        for (int i = 0; i < minutes.size(); ++i)
            list << record(minutes.at(i), firstSeqId < 0 ? -1 : firstSeqId + i);
        return list;
    }

private slots:
    void cleanup()
    {
        qDeleteAll(m_records);
        m_records.clear();
        QCOMPARE(liveItems().size(), 0);
    }

    void addOrder_data()
    {
        QTest::addColumn<Ints>("bottom"); // added one by one at the bottom, -1: without a time
        QTest::addColumn<Ints>("seqIds");
        QTest::addColumn<Ints>("top"); // then added as one list at the top
        QTest::addColumn<Ints>("expected");
        QTest::addColumn<int>("earliest");
        QTest::addColumn<int>("latest");

        QTest::newRow("without sequence id added every time")
            << Ints { 5, 5 } << Ints { -1, -1 } << Ints {} << Ints { 5, 5 } << 5 << 5;
        QTest::newRow("sequence id 0 is an id")
            << Ints { 5, 3 } << Ints { 0, 0 } << Ints {} << Ints { 5 } << 5 << 5;
        QTest::newRow("one without id between duplicates")
            << Ints { 9, 7, 5 } << Ints { 4, -1, 4 } << Ints {} << Ints { 9, 7 } << 7 << 9;
        QTest::newRow("newer at the top, older at the bottom")
            << Ints { 9, 5 } << Ints { 1, 2 } << Ints { 14, 10 } << Ints { 14, 10, 9, 5 } << 5
            << 14;
        QTest::newRow("out of order still widens")
            << Ints { 9, 5 } << Ints { 1, 2 } << Ints { 3, 2 } << Ints { 3, 2, 9, 5 } << 2 << 9;
        QTest::newRow("a record without a time leaves the range")
            << Ints { 9, -1, 5 } << Ints { 1, 2, 3 } << Ints { -1 } << Ints { -1, 9, -1, 5 } << 5
            << 9;
    }

    void addOrder()
    {
        QFETCH(Ints, bottom);
        QFETCH(Ints, seqIds);
        QFETCH(Ints, top);
        QFETCH(Ints, expected);

        DynamicPage page;
        for (int i = 0; i < bottom.size(); ++i)
            page.addDynInfo(record(bottom.at(i), seqIds.at(i)), true);
        // Null records are logged and left out.
        QTest::ignoreMessage(QtWarningMsg, "DynamicPage::addDynInfo--invalid DynData.");
        page.addDynInfo(records(top) << nullptr, false);
        QCOMPARE(shownMinutes(page), expected);
        QCOMPARE(liveItems().size(), expected.size());
        QTEST(minuteOf(page.earliestTime()), "earliest");
        QTEST(minuteOf(page.latestTime()), "latest");
    }

    void trimming_data()
    {
        QTest::addColumn<int>("shown"); // minutes 1000 + shown down to 1001 are shown
        QTest::addColumn<int>("added"); // the next older or newer minutes
        QTest::addColumn<bool>("atBottom");
        QTest::addColumn<int>("expectedTop");
        QTest::addColumn<int>("expectedBottom");

        QTest::newRow("20 at the top of 500 drop the bottom 20")
            << 500 << 20 << false << 1520 << 1021;
        QTest::newRow("20 at the bottom of 500 drop the top 20")
            << 500 << 20 << true << 1480 << 981;
        QTest::newRow("490 shown, 20 at the top drop 10") << 490 << 20 << false << 1510 << 1011;
        QTest::newRow("one list beyond the limit drops only what is shown")
            << 10 << 510 << true << 1000 << 491;
    }

    void trimming()
    {
        QFETCH(int, shown);
        QFETCH(int, added);
        QFETCH(bool, atBottom);
        QFETCH(int, expectedTop);
        QFETCH(int, expectedBottom);

        DynamicPage page;
        page.addDynInfo(records(range(1000 + shown, 1001)), true);
        const QList<SingleDynamicWdt *> before = shownItems(page);
        page.addDynInfo(records(atBottom ? range(1000, 1001 - added)
                                         : range(1000 + shown + added, 1001 + shown)),
            atBottom);

        QCOMPARE(shownMinutes(page), range(expectedTop, expectedBottom));
        // Widgets that had to leave were taken up again by the new records, not rebuilt.
        const QList<SingleDynamicWdt *> after = shownItems(page);
        for (SingleDynamicWdt *item : before)
            QVERIFY(after.contains(item));
        QCOMPARE(liveItems().size(), after.size());
    }

    void reset_data()
    {
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("duplicatesAtTop"); // trimmed widgets that nothing took up again
        QTest::addColumn<int>("expectedKept");

        QTest::newRow("101 shown: all kept") << 101 << 0 << 101;
        QTest::newRow("102 shown: one deleted") << 102 << 0 << 101;
        QTest::newRow("20 already spare: 81 more kept") << 500 << 20 << 101;
        QTest::newRow("empty page") << 0 << 0 << 0;
    }

    void reset()
    {
        QFETCH(int, shown);
        QFETCH(int, duplicatesAtTop);
        QFETCH(int, expectedKept);

        DynamicPage page;
        if (shown > 0)
            page.addDynInfo(records(range(shown, 1), 0), true);
        if (duplicatesAtTop > 0) {
            // Full page: the list makes room first, then every record of it is skipped.
            page.addDynInfo(records(range(shown + duplicatesAtTop, shown + 1), 0), false);
            QCOMPARE(liveItems().size(), shown);
        }
        const QDateTime before = QDateTime::currentDateTime();
        page.onResetDynData();
        QVERIFY(page.isEmpty());
        const QList<SingleDynamicWdt *> kept = liveItems();
        QCOMPARE(kept.size(), expectedKept);
        for (SingleDynamicWdt *item : kept)
            QVERIFY(!item->parent() && item->isHidden());
        QVERIFY(page.earliestTime() >= before);
        QCOMPARE(page.latestTime(), QDateTime(QDate(1970, 1, 1), QTime(0, 0)));

        // The kept widgets come back first, and the forgotten sequence ids are welcome again.
        page.addDynInfo(records(range(shown + 10, 1), 0), true);
        for (SingleDynamicWdt *item : kept)
            QVERIFY(shownItems(page).contains(item));
        QCOMPARE(liveItems().size(), shown + 10);
    }

    void avatarNotices_data()
    {
        QTest::addColumn<QString>("notice");
        QTest::addColumn<QColor>("expected"); // the avatar of the user's items afterwards

        QTest::newRow("one item's download") << "item downloaded" << QColor(Qt::green);
        QTest::newRow("one item's changed information") << "item info changed" << QColor(Qt::blue);
        QTest::newRow("without a name nothing reloads") << "info without name" << QColor(Qt::red);
        QTest::newRow("without a user id nothing reloads") << "info without id" << QColor(Qt::red);
    }

    void avatarNotices()
    {
        QFETCH(QString, notice);
        QFETCH(QColor, expected);

        // A user of its own per row: the headers share decoded avatars by file path.
        static int nextUser = 880100;
        const QString user = QString::number(++nextUser);
        const QString cacheFile = SummaryInfoWdt::headerFilePath(user);
        QVERIFY(TestPictures::writeSolid(cacheFile, Qt::red));
        QTemporaryDir dir;
        const QString downloaded = dir.filePath(user + QStringLiteral(".png"));
        QVERIFY(TestPictures::writeSolid(downloaded, Qt::green));

        DynamicPage page;
        page.setCurrentUserId(user); // the cached file is taken, nothing is downloaded
        QList<SDynData *> list = records({ 9, 8, 7, 6, 5 });
        for (int i : { 0, 2, 4 }) {
            list.at(i)->userId = user;
            list.at(i)->userHeader.clear();
        }
        page.addDynInfo(list, true);
        const QList<SingleDynamicWdt *> items = shownItems(page);
        COMPARE_COLORS(avatarColor(items.at(0)), QColor(Qt::red));
        const QColor otherBefore = avatarColor(items.at(1));

        // The host replaced the cached picture meanwhile.
        QVERIFY(TestPictures::writeSolid(cacheFile, Qt::blue));
        if (notice == QLatin1String("item downloaded"))
            emit items.at(4)->userHeaderDownloaded(user, downloaded);
        else if (notice == QLatin1String("item info changed"))
            emit items.at(2)->userInfoChanged(user, QStringLiteral("王总"));
        else if (notice == QLatin1String("info without name"))
            page.onUserInfoChanged(user, QString());
        else
            page.onUserInfoChanged(QString(), QStringLiteral("王总"));

        for (int i : { 0, 2, 4 })
            COMPARE_COLORS(avatarColor(items.at(i)), expected);
        for (int i : { 1, 3 })
            COMPARE_COLORS(avatarColor(items.at(i)), otherBefore);
        QFile::remove(cacheFile);
    }
};

DYNFEED_TEST_MAIN(tst_DynamicPage)
#include "tst_DynamicPage.moc"
