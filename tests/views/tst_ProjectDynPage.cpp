#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

#include "PSVPushService.h"
#include "common/TestFeed.h"
#include "common/TestMain.h"
#include "common/TestMessages.h"
#include "views/DynamicPage.h"
#include "views/PageNavigateWdt.h"
#include "views/PageViewScrollArea.h"
#include "views/ProjectDynPage.h"

/// The paged project feed on the real push service: pages of 30 from the group's count, the
/// page shown reloaded when records arrive, page 1 reloaded from the top, the badge, goTop and
/// a project switch.
class tst_ProjectDynPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void choosePage_data();
    void choosePage();
    void recordsArrive_data();
    void recordsArrive();
    void scrollToTop_data();
    void scrollToTop();
    void switchProject();
    void moreRecordsThanMessages();
};

namespace {

using Ints = QList<int>;
const qint64 kBase = 1762000000; // seconds
const int kHeld = 89; // each group starts with minutes 0 to 88: three pages
const auto range = TestFeed::countdown;

/// A group of its own, holding minutes 0 to count - 1.
QString newGroup(int count = kHeld)
{
    static int next = 7300;
    const QString prjId = QString::number(next++);
    PSVPushService::publish(prjId, TestMessages::plainMessages(count, kBase));
    return prjId;
}

/// The paged feed of a new group, shown, with page 1 loaded.
struct Feed
{
    Feed()
        : prjId(newGroup())
    {
        page.resize(700, 500);
        page.show();
        page.setProjUserId(prjId, QStringLiteral("4004"));
    }

    Ints shownMinutes() const
    {
        Ints minutes;
        for (const QDateTime &time : TestFeed::shownTimes(*page.findChild<DynamicPage *>()))
            minutes << int((time.toSecsSinceEpoch() - kBase) / 60);
        return minutes;
    }
    PageNavigateWdt *navigator() const { return page.findChild<PageNavigateWdt *>(); }
    QScrollBar *bar() const { return page.findChild<PageViewScrollArea *>()->verticalScrollBar(); }
    /// n newer minutes, from the newest published so far on.
    void publish(int n)
    {
        PSVPushService::publish(prjId, TestMessages::plainMessages(n, kBase + 60 * m_next));
        m_next += n;
    }

    const QString prjId;
    ProjectDynPage page { true, nullptr };

private:
    int m_next = kHeld;
};

Ints counts(const QSignalSpy &spy)
{
    Ints values;
    for (const QList<QVariant> &emission : spy)
        values << emission.at(0).toInt();
    return values;
}

} // namespace

void tst_ProjectDynPage::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    PSVPushService::setStorePath(QString());
}

void tst_ProjectDynPage::choosePage_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<Ints>("expected");

    QTest::newRow("page 2") << 2 << range(58, 29);
    QTest::newRow("the last page starts at the 61st record") << 3 << range(28, 0);
    QTest::newRow("no page 4: page 1 stays") << 4 << range(88, 59);
}

void tst_ProjectDynPage::choosePage()
{
    QFETCH(int, page);
    QFETCH(Ints, expected);

    Feed feed;
    QTRY_COMPARE(feed.shownMinutes(), range(88, 59));
    QTRY_COMPARE(feed.navigator()->pageCount(), 3);
    // Older records are asked for as the page needs them and the page fills when they arrive.
    feed.navigator()->setCurrentPage(page);
    QTRY_COMPARE(feed.shownMinutes(), expected);
}

void tst_ProjectDynPage::recordsArrive_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<Ints>("expected"); // after two arrivals of 2 records
    QTest::addColumn<Ints>("badge"); // newMsgNum after each arrival, then after goTop

    QTest::newRow("page 1 reloads, the badge clears at once")
        << 1 << range(92, 63) << Ints { 2, 0, 2, 0 };
    QTest::newRow("page 2 reloads, the badge grows until goTop")
        << 2 << range(62, 33) << Ints { 2, 4, 0 };
}

void tst_ProjectDynPage::recordsArrive()
{
    QFETCH(int, page);
    QFETCH(Ints, expected);

    Feed feed;
    QTRY_COMPARE(feed.shownMinutes(), range(88, 59));
    feed.navigator()->setCurrentPage(page);
    QTRY_COMPARE(feed.shownMinutes().size(), 30);
    QSignalSpy badge(&feed.page, &ProjectDynPage::newMsgNum);
    for (int arrival = 1; arrival <= 2; ++arrival) {
        feed.publish(2);
        // Each record once, in order: the page is reloaded, not added to.
        QTRY_COMPARE(feed.shownMinutes().constFirst(), 88 + 2 * arrival - 30 * (page - 1));
    }
    QCOMPARE(feed.shownMinutes(), expected);
    QTRY_COMPARE(feed.navigator()->pageCount(), 4); // 93 records

    feed.page.goTop();
    QCOMPARE(feed.navigator()->currentPage(), 1);
    QCOMPARE(feed.shownMinutes(), range(92, 63));
    QTEST(counts(badge), "badge");
}

void tst_ProjectDynPage::scrollToTop_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<Ints>("badge");

    QTest::newRow("page 1 reloads") << 1 << Ints { 0 };
    QTest::newRow("page 2 loads nothing") << 2 << Ints {};
}

void tst_ProjectDynPage::scrollToTop()
{
    QFETCH(int, page);

    Feed feed;
    QTRY_COMPARE(feed.shownMinutes(), range(88, 59));
    feed.navigator()->setCurrentPage(page);
    QTRY_COMPARE(feed.shownMinutes().size(), 30);
    const Ints shown = feed.shownMinutes();
    QTRY_VERIFY(feed.bar()->isVisible() && feed.bar()->maximum() > 100);
    feed.bar()->setValue(feed.bar()->maximum());
    QSignalSpy badge(&feed.page, &ProjectDynPage::newMsgNum);
    feed.bar()->setValue(feed.bar()->minimum());
    QTEST(counts(badge), "badge");
    QCOMPARE(feed.shownMinutes(), shown);
    QCOMPARE(feed.bar()->value(), 0);
}

void tst_ProjectDynPage::switchProject()
{
    Feed feed;
    QTRY_COMPARE(feed.shownMinutes(), range(88, 59));
    feed.navigator()->setCurrentPage(3);
    QTRY_COMPARE(feed.shownMinutes(), range(28, 0));

    // The same ids change nothing.
    feed.page.setProjUserId(feed.prjId, QStringLiteral("4004"));
    QCOMPARE(feed.navigator()->currentPage(), 3);
    QCOMPARE(feed.shownMinutes(), range(28, 0));

    // Another project starts on page 1, in the navigator as in the list.
    const QString other = newGroup();
    feed.page.setProjUserId(other, QStringLiteral("4004"));
    QCOMPARE(feed.page.getProjId(), other);
    QCOMPARE(feed.navigator()->currentPage(), 1);
    QTRY_COMPARE(feed.shownMinutes(), range(88, 59));
    QTRY_COMPARE(feed.navigator()->pageCount(), 3);
}

void tst_ProjectDynPage::moreRecordsThanMessages()
{
    // 25 notices and one message of ten log lines, older than them: 26 messages, 35 records.
    const QString prjId = newGroup(25);
    pb_clt_t_user logs;
    for (int minute = -10; minute < 0; ++minute) {
        pb_prj_t_log *log = logs.mutable_f_prj_details()->add_f_prj_log();
        log->set_f_log_content("施工日志");
        log->set_f_add_time(kBase + 60 * minute);
    }
    PSVPushService::publish(prjId, logs);

    ProjectDynPage page(true, nullptr);
    page.resize(700, 500);
    page.show();
    page.setProjUserId(prjId, QStringLiteral("4004"));
    auto *navigator = page.findChild<PageNavigateWdt *>();
    QTRY_COMPARE(navigator->pageCount(), 2);
    navigator->setCurrentPage(2);
    QTRY_COMPARE(TestFeed::shownTimes(*page.findChild<DynamicPage *>()).size(), 5);
}

DYNFEED_TEST_MAIN(tst_ProjectDynPage)
#include "tst_ProjectDynPage.moc"
