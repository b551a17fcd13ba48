#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QThread>
#include <QWheelEvent>
#include <QtTest>

#include <memory>

#include "InformMsgBox.h"
#include "PSVPushService.h"
#include "common/TestFeed.h"
#include "common/TestMain.h"
#include "common/TestMessages.h"
#include "feed/DynDataController.h"
#include "feed/SDynData.h"
#include "items/SingleDynamicWdt.h"
#include "views/DynScrollArea.h"
#include "views/DynamicPage.h"

/// The scrolling feed: fetching at both ends, the wheel, the new-message count, goTop, the
/// network message, and records published into the push service reaching the page of the user
/// set.

namespace {

using Ints = QList<int>;
const qint64 kBase = 1762000000; // seconds
const int kHeld = 100; // the controller holds minutes 0 to 99

const auto range = TestFeed::countdown;

QList<QDateTime> shownTimes(DynScrollArea &area)
{
    return TestFeed::shownTimes(*qobject_cast<DynamicPage *>(area.widget()));
}

Ints shownMinutes(DynScrollArea &area)
{
    Ints minutes;
    for (const QDateTime &time : shownTimes(area))
        minutes << int((time.toSecsSinceEpoch() - kBase) / 60);
    return minutes;
}

/// A shown scroll area whose controller holds minutes 0..99 and whose page shows minutes from
/// down to to (nothing when from < to).
std::unique_ptr<DynScrollArea> makeArea(int from, int to, const QSize &size = QSize(600, 400))
{
    auto area = std::make_unique<DynScrollArea>(true, nullptr);
    DynDataController *controller = area->dynDataCtrler();
    for (int minute = 0; minute < kHeld; ++minute) {
        auto *data = new SDynData(SDynData::KindText);
        // A picture of its own, so that no avatar download starts.
        data->userHeader = QStringLiteral(":/icon/resources/images/secretary.png");
        data->dateTime = QDateTime::fromSecsSinceEpoch(kBase + 60 * minute);
        controller->addDynData(data);
    }
    const QList<SDynData *> all = controller->fetchDynData(1, kHeld); // newest first
    if (from >= to)
        area->addDynInfo(all.mid(kHeld - 1 - from, from - to + 1));
    area->resize(size);
    area->show();
    if (!QTest::qWaitForWindowExposed(area.get()))
        qWarning("the scroll area was not exposed");
    return area;
}

bool barIsUp(const QScrollBar *bar)
{
    return bar->isVisible() && bar->maximum() > 100;
}

} // namespace

class tst_DynScrollArea : public QObject
{
    Q_OBJECT

private slots:

    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        PSVPushService::setStorePath(QString());
    }

    void cleanup() { InformMsgBox::closeAll(); }

    void fetchMore_data()
    {
        QTest::addColumn<int>("from"); // shown before
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("large");
        QTest::addColumn<bool>("backward");
        QTest::addColumn<Ints>("expected");

        QTest::newRow("20 older at the bottom") << 79 << 60 << false << true << range(79, 40);
        QTest::newRow("50 newer at the top") << 40 << 31 << true << false << range(90, 31);
        QTest::newRow("fewer older than asked for") << 9 << 5 << false << true << range(9, 0);
        QTest::newRow("nothing newer") << 99 << 90 << true << false << range(99, 90);
        QTest::newRow("empty page, newer: the oldest") << -1 << 0 << false << false << range(19, 0);
        QTest::newRow("empty page, older: the newest") << -1 << 0 << false << true << range(99, 80);
    }

    void fetchMore()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, large);
        QFETCH(bool, backward);

        auto area = makeArea(from, to);
        area->fetchMoreDynData(large, backward);
        QTEST(shownMinutes(*area), "expected");
    }

    void badgeAndGoTop_data()
    {
        QTest::addColumn<int>("shownTo"); // minutes 79 down to this are shown; 78: no bar
        // A number announced by the controller; "middle", "bottom", "top" or "scroll" (a step) for
        // the bar; a wheel turn; goTop.
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<Ints>("expected");
        QTest::addColumn<Ints>("emissions");
        QTest::addColumn<int>("count");

        // The bar's ends fetch more; each move clears the badge.
        QTest::newRow("the bar's ends: older, then newer")
            << 40 << QStringList { "middle", "bottom", "top" } << range(99, 20) << Ints { 0, 0, 0 }
            << 0;
        QTest::newRow("announcements add up")
            << 40 << QStringList { "middle", "3", "3" } << range(79, 40) << Ints { 0, 3, 6 } << 6;
        QTest::newRow("a scroll clears the badge, not the count")
            << 40 << QStringList { "middle", "3", "scroll", "3" } << range(79, 40)
            << Ints { 0, 3, 0, 6 } << 6;
        QTest::newRow("wheel without a bar, towards the user: older")
            << 78 << QStringList { "3", "wheel -120" } << range(79, 58) << Ints { 3, 0 } << 0;
        QTest::newRow("wheel without a bar, away: newer")
            << 78 << QStringList { "3", "wheel 120" } << range(99, 78) << Ints { 3, 0 } << 0;
        QTest::newRow("with a bar the wheel only scrolls")
            << 40 << QStringList { "3", "wheel 120" } << range(79, 40) << Ints { 3 } << 3;
        QTest::newRow("goTop with nothing waiting does nothing")
            << 40 << QStringList { "middle", "goTop" } << range(79, 40) << Ints { 0 } << 0;
        QTest::newRow("goTop with a bar goes up and loads newer")
            << 40 << QStringList { "middle", "3", "goTop" } << range(99, 40) << Ints { 0, 3, 0 }
            << 0;
        QTest::newRow("goTop without a bar loads older")
            << 78 << QStringList { "3", "goTop" } << range(79, 58) << Ints { 3, 0 } << 0;
    }

    void badgeAndGoTop()
    {
        QFETCH(int, shownTo);
        QFETCH(QStringList, steps);

        auto area = makeArea(79, shownTo, QSize(600, 1000));
        QScrollBar *bar = area->verticalScrollBar();
        if (shownTo < 70)
            QTRY_VERIFY(barIsUp(bar));
        else
            QVERIFY(!bar->isVisible());
        QSignalSpy counts(area.get(), &DynScrollArea::newMsgNum);
        for (const QString &step : steps) {
            const int before = counts.count();
            if (step == QLatin1String("middle")) {
                bar->setValue(bar->maximum() / 2);
                QCOMPARE(shownMinutes(*area), range(79, shownTo)); // nothing fetched
            } else if (step == QLatin1String("bottom") || step == QLatin1String("top")) {
                bar->setValue(step == QLatin1String("top") ? bar->minimum() : bar->maximum());
            } else if (step == QLatin1String("scroll")) {
                bar->setValue(bar->value() + 1);
            } else if (step == QLatin1String("goTop")) {
                const int value = area->getNewMsgNum() > 0 ? 0 : bar->value();
                area->goTop();
                QCOMPARE(bar->value(), value);
            } else if (step.startsWith(QLatin1String("wheel"))) {
                const QPoint pos(20, 20);
                QWheelEvent event(pos, area->viewport()->mapToGlobal(pos), QPoint(),
                    QPoint(0, step.mid(6).toInt()), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                    false);
                QApplication::sendEvent(area->viewport(), &event);
            } else {
                emit area->dynDataCtrler()->newMsgNum(step.toInt());
                QTRY_COMPARE(counts.count(), before + 1); // queued
            }
        }
        QTEST(shownMinutes(*area), "expected");
        Ints emissions;
        for (const QList<QVariant> &emission : qAsConst(counts))
            emissions << emission.at(0).toInt();
        QTEST(emissions, "emissions");
        QTEST(area->getNewMsgNum(), "count");
    }

    void networkError()
    {
        auto area = makeArea(79, 70);
        const int before = InformMsgBox::promptCount();
        if (QGuiApplication::platformName() == QLatin1String("offscreen"))
            QTest::ignoreMessage(QtWarningMsg, "This plugin does not support propagateSizeHints()");
        emit area->dynDataCtrler()->networkError();
        QCOMPARE(InformMsgBox::promptCount(), before); // queued, not from inside the emission
        QTRY_COMPARE(InformMsgBox::promptCount(), before + 1);
        QCOMPARE(InformMsgBox::lastPrompt(), QStringLiteral("Network communication failed!"));
        QCOMPARE(shownMinutes(*area), range(79, 70));
    }

    void keyboard_data()
    {
        QTest::addColumn<QStringList>("keys"); // a number: that many new records announced
        QTest::addColumn<int>("focused"); // the minute of the focused item
        QTest::addColumn<bool>("atTop"); // the bar at its minimum afterwards

        QTest::newRow("Down from the view: the top item") << QStringList { "Down" } << 79 << true;
        QTest::newRow("Down and Up walk the items")
            << QStringList { "Down", "Down", "Down", "Up" } << 78 << true;
        QTest::newRow("walking down scrolls along")
            << QString("Down ").repeated(8).split(' ', Qt::SkipEmptyParts) << 72 << false;
        // Items are 110 px high with 20 px between them: a page of 500 px shows the fifth on top.
        QTest::newRow("Page Down scrolls a page, the focus follows into view")
            << QStringList { "Down", "PageDown" } << 75 << false;
        QTest::newRow("Page Up to the top loads newer records, the focus goes to the newest")
            << QStringList { "Down", "PageDown", "PageUp" } << 99 << true;
        QTest::newRow("Home with nothing new stays")
            << QStringList { "Down", "PageDown", "Home" } << 75 << false;
        QTest::newRow("Home with new records goes to the newest")
            << QStringList { "Down", "PageDown", "3", "Home" } << 99 << true;
    }

    void keyboard()
    {
        QFETCH(QStringList, keys);
        auto area = makeArea(79, 40, QSize(600, 500));
        area->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(area.get()));
        area->setFocus();
        for (const QString &key : keys) {
            if (key.toInt() > 0) {
                emit area->dynDataCtrler()->newMsgNum(key.toInt());
                QTRY_COMPARE(area->getNewMsgNum(), key.toInt());
                continue;
            }
            QTest::keyClick(QApplication::focusWidget(),
                Qt::Key(QMetaEnum::fromType<Qt::Key>().keyToValue(qPrintable("Key_" + key))));
        }
        auto *item = qobject_cast<SingleDynamicWdt *>(QApplication::focusWidget());
        QVERIFY(item);
        QTEST(int((item->dateTime().toSecsSinceEpoch() - kBase) / 60), "focused");
        QTRY_VERIFY(!item->visibleRegion().isEmpty());
        QTEST(area->verticalScrollBar()->value() == 0, "atTop");
    }

    void publishedMessagesAppear()
    {
        const QString prj = QStringLiteral("7102");
        QCOMPARE(
            PSVPushService::publish(prj, TestMessages::plainMessages(8, kBase, "early")).size(), 8);
        DynScrollArea area(false, nullptr);
        area.resize(600, 800);
        area.show();
        QVERIFY(area.setProjUserId(prj, QStringLiteral("3003")));
        QTRY_COMPARE(shownTimes(area).size(), 8);
        const QList<QDateTime> early = shownTimes(area);
        QVERIFY(!area.setProjUserId(prj, QStringLiteral("3003"))); // the same ids change nothing
        QCOMPARE(shownTimes(area), early);
        // Another user empties the page at once; the new feed arrives afterwards.
        QVERIFY(area.setProjUserId(prj, QStringLiteral("3004")));
        QVERIFY(area.isEmpty());
        QTRY_COMPARE(shownTimes(area), early);

        // Newer messages, published from another thread as the service's users would.
        std::unique_ptr<QThread> publisher(QThread::create([prj] {
            PSVPushService::publish(prj, TestMessages::plainMessages(3, kBase + 3600, "later"));
            PSVPushService::publish(prj, TestMessages::plainMessages(2, kBase + 7200, "latest"));
        }));
        publisher->start();
        QVERIFY(publisher->wait(10000));

        QTRY_COMPARE(shownTimes(area).size(), 13);
        const QList<QDateTime> times = shownTimes(area);
        for (int i = 1; i < times.size(); ++i)
            QVERIFY(times.at(i - 1) > times.at(i));
        QCOMPARE(times.constFirst(), QDateTime::fromSecsSinceEpoch(kBase + 7200 + 60));
        QCOMPARE(times.constLast(), QDateTime::fromSecsSinceEpoch(kBase));
        // Fetching at either end brings nothing twice.
        area.fetchMoreDynData(true, true);
        area.fetchMoreDynData(true, false);
        QCOMPARE(shownTimes(area), times);
    }
};

DYNFEED_TEST_MAIN(tst_DynScrollArea)
#include "tst_DynScrollArea.moc"
