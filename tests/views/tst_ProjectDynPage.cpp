#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

#include "PSVPushService.h"
#include "common/TestFeed.h"
#include "common/TestMain.h"
#include "common/TestMessages.h"
#include "views/DynamicPage.h"
#include "views/PageNavigateWdt.h"
#include "views/ProjectDynPage.h"

/// The paged project feed on the real push service: pages of 30 from the group's count, pages
/// chosen by the navigator or the host, the page shown reloaded when records arrive, the badge,
/// goTop and a project switch.

namespace {

using Ints = QList<int>;
const qint64 kBase = 1762000000; // seconds
const auto range = TestFeed::countdown;

/// A group of its own: notices at minutes 0 to 88 (three pages) and, when logs is above 0,
/// before them one message of that many log lines older than them (one message, many records).
QString newGroup(int logs = 0)
{
    static int next = 7300;
    const QString prjId = QString::number(next++);
    pb_clt_t_user logMessage;
    for (int minute = -logs; minute < 0; ++minute) {
        pb_prj_t_log *log = logMessage.mutable_f_prj_details()->add_f_prj_log();
        log->set_f_log_content("施工日志");
        log->set_f_add_time(kBase + 60 * minute);
    }
    if (logs > 0)
        PSVPushService::publish(prjId, logMessage);
    PSVPushService::publish(prjId, TestMessages::plainMessages(89, kBase));
    return prjId;
}

/// The paged feed of a new group, shown, page 1 loaded.
struct Feed
{
    explicit Feed(int logs = 0)
        : prjId(newGroup(logs))
    {
        page.resize(700, 500);
        page.show();
        page.setProjUserId(prjId, QStringLiteral("4004"));
        navigator = page.findChild<PageNavigateWdt *>();
    }

    Ints shownMinutes() const
    {
        Ints minutes;
        for (const QDateTime &time : TestFeed::shownTimes(*page.findChild<DynamicPage *>()))
            minutes << int((time.toSecsSinceEpoch() - kBase) / 60);
        return minutes;
    }

    const QString prjId;
    ProjectDynPage page { true, nullptr };
    PageNavigateWdt *navigator = nullptr;
};

Ints counts(const QSignalSpy &spy)
{
    Ints values;
    for (const QList<QVariant> &emission : spy)
        values << emission.at(0).toInt();
    return values;
}

} // namespace

class tst_ProjectDynPage : public QObject
{
    Q_OBJECT

private slots:

    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        PSVPushService::setStorePath(QString());
    }

    void choosePage_data()
    {
        QTest::addColumn<int>("logs");
        QTest::addColumn<Ints>("turns"); // pages chosen one after the other; -n: by the host
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("current"); // in the navigator
        QTest::addColumn<Ints>("expected");

        QTest::newRow("page 2") << 0 << Ints { 2 } << 3 << 2 << range(58, 29);
        QTest::newRow("the last page starts at the 61st record")
            << 0 << Ints { 3 } << 3 << 3 << range(28, 0);
        QTest::newRow("no page 4: an empty page") << 0 << Ints { 4 } << 3 << 4 << Ints {};
        QTest::newRow("the host asks for page 2: the navigator is not told")
            << 0 << Ints { -2 } << 3 << 1 << range(58, 29);
        QTest::newRow("the host asks for page 0") << 0 << Ints { 0 } << 3 << 1 << Ints {};
        // The page count is the group's message count, however many records a message brings.
        QTest::newRow("ten log lines in one message: no page more, page 4 still holds them")
            << 10 << Ints { 3, 4 } << 3 << 4 << range(-2, -10);
    }

    void choosePage()
    {
        QFETCH(int, logs);
        QFETCH(Ints, turns);
        QFETCH(int, pages);
        QFETCH(Ints, expected);

        Feed feed(logs);
        QTRY_COMPARE(feed.shownMinutes(), range(88, 59));
        // Older records are asked for as a page needs them; the page fills when they arrive.
        for (int turn : turns) {
            QTRY_VERIFY(turn > pages || feed.navigator->pageCount() >= turn);
            if (turn > 0)
                feed.navigator->setCurrentPage(turn);
            else
                feed.page.onGotoPage(-turn);
        }
        QTRY_COMPARE(feed.shownMinutes(), expected);
        QCOMPARE(feed.navigator->pageCount(), pages);
        QTEST(feed.navigator->currentPage(), "current");
    }

    void recordsArrive_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<Ints>("expected"); // after two arrivals of 2 records
        QTest::addColumn<Ints>("badge"); // newMsgNum after each arrival, then after goTop

        // The count comes with the group information before the records, and is told again when
        // they arrive (with nothing to add).
        QTest::newRow("page 1 reloads, the badge clears at once")
            << 1 << range(92, 63) << Ints { 2, 2, 0, 2, 2, 0 };
        QTest::newRow("page 2 fills at once, reloads, pages and badge grow until goTop")
            << 2 << range(62, 33) << Ints { 2, 2, 4, 4, 0 };
    }

    void recordsArrive()
    {
        QFETCH(int, page);
        QFETCH(Ints, expected);

        Feed feed;
        QTRY_COMPARE(feed.shownMinutes(), range(88, 59));
        feed.navigator->setCurrentPage(page);
        QTRY_COMPARE(feed.shownMinutes().size(), 30);
        QSignalSpy badge(&feed.page, &ProjectDynPage::newMsgNum);
        for (int arrival = 1; arrival <= 2; ++arrival) {
            PSVPushService::publish(
                feed.prjId, TestMessages::plainMessages(2, kBase + 60 * (87 + 2 * arrival)));
            QTRY_COMPARE(feed.shownMinutes().constFirst(), 88 + 2 * arrival - 30 * (page - 1));
        }
        // Each record once, in order: the page is reloaded, not added to.
        QCOMPARE(feed.shownMinutes(), expected);
        QTRY_COMPARE(feed.navigator->pageCount(), 4); // 93 records

        feed.page.goTop();
        QCOMPARE(feed.navigator->currentPage(), 1);
        QCOMPARE(feed.shownMinutes(), range(92, 63));
        QTEST(counts(badge), "badge");
    }

    void switchProject()
    {
        Feed feed;
        QTRY_COMPARE(feed.shownMinutes(), range(88, 59));
        feed.navigator->setCurrentPage(3);
        QTRY_COMPARE(feed.shownMinutes(), range(28, 0));

        // The same ids change nothing, not even the navigator.
        QSignalSpy changes(feed.navigator, &PageNavigateWdt::pageChanged);
        feed.page.setProjUserId(feed.prjId, QStringLiteral("4004"));
        QCOMPARE(feed.navigator->currentPage(), 3);
        QCOMPARE(feed.shownMinutes(), range(28, 0));

        // Another project (ten log lines below its notices): the navigator goes back to page 1, the
        // list shows page 3 of the new records when they arrive.
        feed.page.setProjUserId(newGroup(10), QStringLiteral("4004"));
        QCOMPARE(feed.navigator->currentPage(), 1);
        QTRY_COMPARE(feed.shownMinutes(), range(28, -1));
        QTRY_COMPARE(feed.navigator->pageCount(), 3); // 90 messages, however many records
        QCOMPARE(feed.navigator->currentPage(), 1);
        QCOMPARE(changes.count(), 0);
    }
};

DYNFEED_TEST_MAIN(tst_ProjectDynPage)
#include "tst_ProjectDynPage.moc"
