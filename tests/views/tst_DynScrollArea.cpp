#include <QApplication>
#include <QLayout>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QThread>
#include <QWheelEvent>
#include <QtTest>

#include <memory>

#include "InformMsgBox.h"
#include "PSVPushService.h"
#include "common/TestMessages.h"
#include "feed/DynDataController.h"
#include "feed/SDynData.h"
#include "items/SingleDynamicWdt.h"
#include "views/DynScrollArea.h"
#include "views/DynamicPage.h"

/// The scrolling feed: fetching at both ends, the wheel, the new-message count, goTop, the
/// network message, and records published into the push service reaching the page.
class tst_DynScrollArea : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void fetchMore_data();
    void fetchMore();
    void scrollEnds_data();
    void scrollEnds();
    void wheelWithoutBar_data();
    void wheelWithoutBar();
    void newMessageCount_data();
    void newMessageCount();
    void goTop_data();
    void goTop();
    void networkError();
    void setProjUserIdTwice();
    void publishedMessagesAppear();
};

namespace {

const qint64 kBase = 1762000000; // seconds
const int kHeld = 100; // the controller holds minutes 0 to 99

/// A record at kBase + minute minutes, header only, with a picture of its own so that no
/// avatar download starts.
SDynData *record(int minute)
{
    auto *data = new SDynData(SDynData::KindText);
    data->text = QStringLiteral("通知 %1").arg(minute);
    data->userId = QStringLiteral("2001");
    data->userName = QStringLiteral("王工");
    data->userHeader = QStringLiteral(":/icon/resources/images/secretary.png");
    data->dateTime = QDateTime::fromSecsSinceEpoch(kBase + 60 * minute);
    return data;
}

QList<int> range(int from, int to)
{
    QList<int> minutes;
    for (int m = from; m >= to; --m)
        minutes << m;
    return minutes;
}

DynamicPage *pageOf(DynScrollArea &area)
{
    return qobject_cast<DynamicPage *>(area.widget());
}

QList<QDateTime> shownTimes(DynScrollArea &area)
{
    QList<QDateTime> times;
    QLayout *itemLayout = pageOf(area)->layout()->itemAt(0)->layout();
    for (int i = 0; i < itemLayout->count(); ++i)
        times << qobject_cast<SingleDynamicWdt *>(itemLayout->itemAt(i)->widget())->dateTime();
    return times;
}

QList<int> shownMinutes(DynScrollArea &area)
{
    QList<int> minutes;
    for (const QDateTime &time : shownTimes(area))
        minutes << int((time.toSecsSinceEpoch() - kBase) / 60);
    return minutes;
}

/// A shown scroll area of the given size whose controller holds minutes 0..99 and whose page
/// shows minutes from down to to (nothing when from < to).
std::unique_ptr<DynScrollArea> makeArea(int from, int to, const QSize &size = QSize(600, 400))
{
    auto area = std::make_unique<DynScrollArea>(true, nullptr);
    DynDataController *controller = area->dynDataCtrler();
    for (int minute = 0; minute < kHeld; ++minute)
        controller->addDynData(record(minute));
    const QList<SDynData *> all = controller->fetchDynData(1, kHeld); // newest first
    if (from >= to)
        area->addDynInfo(all.mid(kHeld - 1 - from, from - to + 1));
    area->resize(size);
    area->show();
    return area;
}

void wheel(DynScrollArea &area, int delta)
{
    const QPoint pos(20, 20);
    QWheelEvent event(pos, area.viewport()->mapToGlobal(pos), QPoint(), QPoint(0, delta),
        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(area.viewport(), &event);
}

bool barIsUp(const QScrollBar *bar)
{
    return bar->isVisible() && bar->maximum() > 100;
}

} // namespace

void tst_DynScrollArea::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("dynfeed-tests"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_DynScrollArea"));
    PSVPushService::setStorePath(QString());
}

void tst_DynScrollArea::cleanup()
{
    InformMsgBox::closeAll();
}

void tst_DynScrollArea::fetchMore_data()
{
    QTest::addColumn<int>("from"); // shown before
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("large");
    QTest::addColumn<bool>("backward");
    QTest::addColumn<QList<int>>("expected");

    QTest::newRow("20 older at the bottom") << 79 << 60 << false << true << range(79, 40);
    QTest::newRow("50 older at the bottom") << 79 << 60 << true << true << range(79, 10);
    QTest::newRow("20 newer at the top") << 40 << 31 << false << false << range(60, 31);
    QTest::newRow("50 newer at the top") << 40 << 31 << true << false << range(90, 31);
    QTest::newRow("fewer older than asked for") << 9 << 5 << false << true << range(9, 0);
    QTest::newRow("nothing older") << 9 << 0 << false << true << range(9, 0);
    QTest::newRow("nothing newer") << 99 << 90 << true << false << range(99, 90);
    QTest::newRow("empty page, newer: the oldest records")
        << -1 << 0 << false << false << range(19, 0);
    QTest::newRow("empty page, older: the newest records")
        << -1 << 0 << false << true << range(99, 80);
}

void tst_DynScrollArea::fetchMore()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, large);
    QFETCH(bool, backward);
    QFETCH(QList<int>, expected);

    auto area = makeArea(from, to);
    QSignalSpy counts(area.get(), &DynScrollArea::newMsgNum);
    area->fetchMoreDynData(large, backward);
    QCOMPARE(shownMinutes(*area), expected);
    QCOMPARE(counts.count(), 0);
}

void tst_DynScrollArea::scrollEnds_data()
{
    QTest::addColumn<QStringList>("moves"); // bar positions, in order
    QTest::addColumn<QList<int>>("expected");

    QTest::newRow("bottom loads 20 older") << QStringList { "maximum" } << range(79, 40);
    QTest::newRow("top loads 20 newer") << QStringList { "middle", "minimum" } << range(99, 60);
    QTest::newRow("anywhere else loads nothing") << QStringList { "middle" } << range(79, 60);
    QTest::newRow("bottom, then top") << QStringList { "maximum", "minimum" } << range(99, 40);
}

void tst_DynScrollArea::scrollEnds()
{
    QFETCH(QStringList, moves);
    QFETCH(QList<int>, expected);

    auto area = makeArea(79, 60);
    QScrollBar *bar = area->verticalScrollBar();
    QTRY_VERIFY(barIsUp(bar));
    QSignalSpy counts(area.get(), &DynScrollArea::newMsgNum);

    for (const QString &move : moves) {
        if (move == QLatin1String("maximum"))
            bar->setValue(bar->maximum());
        else if (move == QLatin1String("minimum"))
            bar->setValue(bar->minimum());
        else
            bar->setValue(bar->maximum() / 2);
    }

    QCOMPARE(shownMinutes(*area), expected);
    QCOMPARE(counts.count(), moves.size());
    for (const QList<QVariant> &emission : qAsConst(counts))
        QCOMPARE(emission.at(0).toInt(), 0);
}

void tst_DynScrollArea::wheelWithoutBar_data()
{
    QTest::addColumn<int>("shownFrom");
    QTest::addColumn<int>("delta");
    QTest::addColumn<QList<int>>("expected");
    QTest::addColumn<int>("expectedCount");
    QTest::addColumn<QList<int>>("expectedEmissions");

    QTest::newRow("towards the user loads older")
        << 51 << -120 << range(51, 30) << 0 << QList<int> { 3, 0 };
    QTest::newRow("away loads newer") << 51 << 120 << range(71, 50) << 0 << QList<int> { 3, 0 };
    QTest::newRow("no vertical turn loads nothing")
        << 51 << 0 << range(51, 50) << 0 << QList<int> { 3, 0 };
    QTest::newRow("with a bar the wheel only scrolls")
        << 89 << 120 << range(89, 50) << 3 << QList<int> { 3 };
}

void tst_DynScrollArea::wheelWithoutBar()
{
    QFETCH(int, shownFrom);
    QFETCH(int, delta);
    QFETCH(QList<int>, expected);
    QFETCH(int, expectedCount);
    QFETCH(QList<int>, expectedEmissions);

    auto area = makeArea(shownFrom, 50, QSize(600, 1000));
    QScrollBar *bar = area->verticalScrollBar();
    if (shownFrom - 50 > 10)
        QTRY_VERIFY(barIsUp(bar));
    else
        QVERIFY(!bar->isVisible());
    QSignalSpy counts(area.get(), &DynScrollArea::newMsgNum);
    emit area->dynDataCtrler()->newMsgNum(3);
    QTRY_COMPARE(area->getNewMsgNum(), 3);

    wheel(*area, delta);

    QCOMPARE(shownMinutes(*area), expected);
    QCOMPARE(area->getNewMsgNum(), expectedCount);
    QList<int> emissions;
    for (const QList<QVariant> &emission : qAsConst(counts))
        emissions << emission.at(0).toInt();
    QCOMPARE(emissions, expectedEmissions);
}

void tst_DynScrollArea::newMessageCount_data()
{
    QTest::addColumn<QStringList>("steps"); // a number announced by the controller, or a move
    QTest::addColumn<QList<int>>("expectedEmissions");
    QTest::addColumn<int>("expectedCount");

    QTest::newRow("two announcements add up")
        << QStringList { "3", "3" } << QList<int> { 3, 6 } << 6;
    QTest::newRow("a scroll between clears the badge, not the count")
        << QStringList { "3", "scroll", "3" } << QList<int> { 3, 0, 6 } << 6;
    QTest::newRow("a count of nothing is reported too")
        << QStringList { "0" } << QList<int> { 0 } << 0;
    QTest::newRow("going to the top starts again")
        << QStringList { "3", "goTop", "2" } << QList<int> { 3, 0, 2 } << 2;
}

void tst_DynScrollArea::newMessageCount()
{
    QFETCH(QStringList, steps);
    QFETCH(QList<int>, expectedEmissions);
    QFETCH(int, expectedCount);

    auto area = makeArea(79, 40);
    QScrollBar *bar = area->verticalScrollBar();
    QTRY_VERIFY(barIsUp(bar));
    bar->setValue(bar->maximum() / 2);
    QSignalSpy counts(area.get(), &DynScrollArea::newMsgNum);

    for (const QString &step : steps) {
        const int before = counts.count();
        if (step == QLatin1String("scroll")) {
            bar->setValue(bar->value() + 1);
        } else if (step == QLatin1String("goTop")) {
            area->goTop();
        } else {
            emit area->dynDataCtrler()->newMsgNum(step.toInt());
            QTRY_COMPARE(counts.count(), before + 1);
        }
    }

    QList<int> emissions;
    for (const QList<QVariant> &emission : qAsConst(counts))
        emissions << emission.at(0).toInt();
    QCOMPARE(emissions, expectedEmissions);
    QCOMPARE(area->getNewMsgNum(), expectedCount);
}

void tst_DynScrollArea::goTop_data()
{
    QTest::addColumn<int>("announced"); // 0: nothing announced
    QTest::addColumn<int>("shownTo"); // minutes 79 down to this are shown
    QTest::addColumn<bool>("scrolledDown");
    QTest::addColumn<QList<int>>("expected");
    QTest::addColumn<int>("expectedEmissions");

    QTest::newRow("nothing waiting does nothing") << 0 << 40 << true << range(79, 40) << 0;
    QTest::newRow("bar at the top loads newer") << 3 << 40 << false << range(99, 40) << 1;
    QTest::newRow("bar further down goes up and loads newer")
        << 3 << 40 << true << range(99, 40) << 1;
    QTest::newRow("without a bar loads older") << 3 << 78 << false << range(79, 58) << 1;
}

void tst_DynScrollArea::goTop()
{
    QFETCH(int, announced);
    QFETCH(int, shownTo);
    QFETCH(bool, scrolledDown);
    QFETCH(QList<int>, expected);
    QFETCH(int, expectedEmissions);

    auto area = makeArea(79, shownTo, QSize(600, 1000));
    QScrollBar *bar = area->verticalScrollBar();
    if (79 - shownTo > 10)
        QTRY_VERIFY(barIsUp(bar));
    if (scrolledDown)
        bar->setValue(bar->maximum() / 2);
    if (announced > 0) {
        emit area->dynDataCtrler()->newMsgNum(announced);
        QTRY_COMPARE(area->getNewMsgNum(), announced);
    }
    const int valueBefore = bar->value();
    QSignalSpy counts(area.get(), &DynScrollArea::newMsgNum);

    area->goTop();

    QCOMPARE(shownMinutes(*area), expected);
    QCOMPARE(area->getNewMsgNum(), 0);
    QCOMPARE(counts.count(), expectedEmissions);
    for (const QList<QVariant> &emission : qAsConst(counts))
        QCOMPARE(emission.at(0).toInt(), 0);
    QCOMPARE(bar->value(), announced > 0 ? 0 : valueBefore);
}

void tst_DynScrollArea::networkError()
{
    auto area = makeArea(79, 70);
    const int before = InformMsgBox::promptCount();

    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        QTest::ignoreMessage(QtWarningMsg, "This plugin does not support propagateSizeHints()");
    emit area->dynDataCtrler()->networkError();
    // Queued: nothing is shown from inside the emission.
    QCOMPARE(InformMsgBox::promptCount(), before);

    QTRY_COMPARE(InformMsgBox::promptCount(), before + 1);
    QCOMPARE(InformMsgBox::lastPrompt(), QStringLiteral("Network communication failed!"));
    // The view keeps what it shows.
    QCOMPARE(shownMinutes(*area), range(79, 70));
}

void tst_DynScrollArea::setProjUserIdTwice()
{
    const QString prj = QStringLiteral("7101");
    QCOMPARE(PSVPushService::publish(prj, TestMessages::plainMessages(3, kBase)).size(), 3);

    DynScrollArea area(false, nullptr);
    area.resize(600, 800);
    area.show();
    QVERIFY(area.setProjUserId(prj, QStringLiteral("3003")));
    QCOMPARE(area.getProjId(), prj);
    QCOMPARE(area.getUserId(), QStringLiteral("3003"));
    QTRY_COMPARE(shownTimes(area).size(), 3);
    const QList<QDateTime> shown = shownTimes(area);

    QVERIFY(!area.setProjUserId(prj, QStringLiteral("3003")));
    QCOMPARE(shownTimes(area), shown);
    QVERIFY(!area.isEmpty());

    // Another user empties the page at once; the new feed arrives afterwards.
    QVERIFY(area.setProjUserId(prj, QStringLiteral("3004")));
    QVERIFY(area.isEmpty());
    QTRY_COMPARE(shownTimes(area), shown);
}

void tst_DynScrollArea::publishedMessagesAppear()
{
    const QString prj = QStringLiteral("7102");
    QCOMPARE(
        PSVPushService::publish(prj, TestMessages::plainMessages(8, kBase, QStringLiteral("early")))
            .size(),
        8);

    DynScrollArea area(false, nullptr);
    area.resize(600, 800);
    area.show();
    QVERIFY(area.setProjUserId(prj, QStringLiteral("3003")));
    QTRY_COMPARE(shownTimes(area).size(), 8);

    // Newer messages, published from another thread as the service's users would.
    std::unique_ptr<QThread> publisher(QThread::create([prj] {
        PSVPushService::publish(
            prj, TestMessages::plainMessages(3, kBase + 3600, QStringLiteral("later")));
        PSVPushService::publish(
            prj, TestMessages::plainMessages(2, kBase + 7200, QStringLiteral("latest")));
    }));
    publisher->start();
    QVERIFY(publisher->wait(10000));

    QTRY_COMPARE(shownTimes(area).size(), 13);
    const QList<QDateTime> times = shownTimes(area);
    for (int i = 1; i < times.size(); ++i)
        QVERIFY2(times.at(i - 1) > times.at(i), qPrintable(QString::number(i)));
    QCOMPARE(times.constFirst(), QDateTime::fromSecsSinceEpoch(kBase + 7200 + 60));
    QCOMPARE(times.constLast(), QDateTime::fromSecsSinceEpoch(kBase));

    // Scrolling to either end brings nothing twice.
    QScrollBar *bar = area.verticalScrollBar();
    if (bar->isVisible()) {
        bar->setValue(bar->maximum());
        bar->setValue(bar->minimum());
    } else {
        wheel(area, -120);
        wheel(area, 120);
    }
    QCOMPARE(shownTimes(area), times);
}

QTEST_MAIN(tst_DynScrollArea)
#include "tst_DynScrollArea.moc"
