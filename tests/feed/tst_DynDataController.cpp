#include <QSignalSpy>
#include <QtTest>

#include "MessageContext.h"
#include "common/TestEnvironment.h"
#include "common/TestFeed.h"
#include "common/TestMain.h"
#include "common/TestMessages.h"
#include "feed/DynDataController.h"
#include "feed/SDynData.h"

/// The controller's list, slices and callbacks, driven directly (no push service).

namespace {

const qint64 kBase = 1762000000; // seconds
using Ints = QList<int>;

SDynData *recordAt(qint64 secs, int id)
{
    auto *record = new SDynData(SDynData::KindText);
    record->text = QString::number(id);
    record->dateTime = QDateTime::fromSecsSinceEpoch(kBase + secs);
    return record;
}

QList<int> idsOf(const QList<SDynData *> &records)
{
    QList<int> ids;
    for (const SDynData *record : records)
        ids << record->text.toInt();
    return ids;
}

/// All records of a controller, newest first.
QList<SDynData *> everything(DynDataController &controller)
{
    return controller.fetchDynData(1, 1 << 30);
}

MessageContext contextOf(const pb_clt_t_user &user)
{
    MessageContext context;
    context.user = &user;
    return context;
}

pb_clt_t_group_item groupInfo(int seq)
{
    pb_clt_t_group_item info;
    info.set_f_init_seqid(0);
    info.set_f_seq(seq);
    return info;
}

QList<int> intsOf(const QSignalSpy &spy)
{
    QList<int> values;
    for (const auto &args : spy)
        values << args.at(0).toInt();
    return values;
}

} // namespace

class tst_DynDataController : public QObject
{
    Q_OBJECT

private slots:

    void addDynData_order_data()
    {
        QTest::addColumn<QList<int>>("arrivalTimes"); // record i arrives i-th with this time
        QTest::addColumn<QList<int>>("expectedIds"); // newest first

        QTest::newRow("middle") << Ints { 9, 1, 5 } << Ints { 0, 2, 1 };
        QTest::newRow("tie in the middle goes after") << Ints { 9, 5, 1, 5 } << Ints { 0, 1, 3, 2 };
        QTest::newRow("tie with the last goes before it") << Ints { 9, 5, 5 } << Ints { 0, 2, 1 };
        QTest::newRow("tie with a single record") << Ints { 5, 5 } << Ints { 1, 0 };
        QTest::newRow("three equal") << Ints { 5, 5, 5 } << Ints { 1, 2, 0 };
        QTest::newRow("tie with the first of several") << Ints { 9, 5, 9 } << Ints { 0, 2, 1 };
    }

    void addDynData_order()
    {
        QFETCH(QList<int>, arrivalTimes);
        DynDataController controller(true, nullptr);
        for (int i = 0; i < arrivalTimes.size(); ++i)
            QVERIFY(controller.addDynData(recordAt(arrivalTimes.at(i), i)));
        QTEST(idsOf(everything(controller)), "expectedIds");
    }

    void fetch_data()
    {
        QTest::addColumn<QString>("fetch");
        QTest::addColumn<int>("time"); // seconds after the base; the page for "page"
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("expectedIds");

        // Records 0..49 at seconds 100..149, plus three more at second 120 (ids 120, 121, 122).
        const auto range = TestFeed::countdown;
        const auto row = [](const char *name, const char *fetch, int time, int count, Ints ids) {
            QTest::newRow(name) << QString(fetch) << time << count << ids;
        };
        row("forward, older than all", "forward", 0, 20, range(19, 0));
        row("forward, at a record's time", "forward", 130, 5, range(35, 31));
        row("forward, fewer than asked", "forward", 145, 10, range(49, 46));
        row("forward, at the newest time", "forward", 149, 3, {});
        row("forward, at a shared time", "forward", 119, 3, { 120, 121, 122 });
        row("backward, at a record's time", "backward", 130, 5, range(29, 25));
        row("backward, at the oldest time", "backward", 100, 5, {});
        row("backward, newer than all", "backward", 500, 3, range(49, 47));
        row("backward, at a shared time", "backward", 120, 2, range(19, 18));
        row("backward, fewer than asked", "backward", 102, 10, range(1, 0));
        row("backward, zero count", "backward", 130, 0, {});
        row("first page", "page", 1, 30, range(49, 20));
        row("second page, short", "page", 2, 30, Ints { 120, 121, 122 } + range(19, 0));
        row("past the end", "page", 3, 30, {});
        row("page zero", "page", 0, 30, {});
        row("exact fit", "page", 1, 53, range(49, 20) + Ints { 120, 121, 122 } + range(19, 0));
    }

    void fetch()
    {
        QFETCH(QString, fetch);
        QFETCH(int, time);
        QFETCH(int, count);
        DynDataController controller(true, nullptr);
        QList<int> order = TestFeed::countdown(49, 0);
        SeededRandom random;
        std::shuffle(order.begin(), order.end(), random);
        for (int i : order)
            controller.addDynData(recordAt(100 + i, i));
        for (int id = 120; id <= 122; ++id)
            controller.addDynData(recordAt(120, id));

        const QDateTime at = QDateTime::fromSecsSinceEpoch(kBase + time);
        const QList<SDynData *> slice = fetch == "page" ? controller.fetchDynData(time, count)
            : fetch == "forward"                        ? controller.fetchDynDataForward(at, count)
                                 : controller.fetchDynDataBackward(at, count);
        QTEST(idsOf(slice), "expectedIds");
    }

    void receive_batches_data()
    {
        QTest::addColumn<int>("groupSeq"); // from the group information before the batch
        QTest::addColumn<QList<int>>("seqIds"); // of the batch's items
        QTest::addColumn<bool>("olderOnly");
        QTest::addColumn<int>("newCount");
        QTest::addColumn<int>("groupMsgNumAfter");

        QTest::newRow("newer than the group") << 10 << Ints { 11, 12 } << false << 2 << 12;
        QTest::newRow("all older") << 10 << Ints { 3, 4, 5 } << true << 0 << 10;
        QTest::newRow("mixed") << 10 << Ints { 9, 10, 11 } << false << 1 << 11;
        QTest::newRow("no sequence numbers") << 10 << Ints { -1, -1 } << true << 0 << 10;
    }

    void receive_batches()
    {
        QFETCH(int, groupSeq);
        QFETCH(QList<int>, seqIds);
        QFETCH(int, newCount);
        DynDataController controller(true, nullptr);
        controller.onGetGroupInfo(groupInfo(groupSeq));

        QSignalSpy received(&controller, &DynDataController::newMessageReceived);
        QSignalSpy counted(&controller, &DynDataController::newMsgNum);
        QSignalSpy grown(&controller, &DynDataController::groupMsgNum);
        QList<pb_im_t_msg_item> items;
        for (int i = 0; i < seqIds.size(); ++i)
            items << TestMessages::plainItem(
                kBase + i, QStringLiteral("item %1").arg(i), seqIds.at(i));
        const pb_clt_t_user user = TestMessages::message(items);
        controller.onReceiveMessage(contextOf(user));

        QCOMPARE(received.count(), 1);
        QTEST(received.at(0).at(0).toBool(), "olderOnly");
        QCOMPARE(intsOf(counted), QList<int> { newCount });
        QTEST(controller.getGroupMsgNum(), "groupMsgNumAfter");
        QCOMPARE(grown.count(), 0); // only the group information tells the group's count
        QCOMPARE(everything(controller).size(), seqIds.size());

        // The same items again are dropped as seen, and nothing is announced.
        if (seqIds.constFirst() >= 0) {
            controller.onReceiveMessage(contextOf(user));
            QCOMPARE(received.count(), 1);
            QCOMPARE(everything(controller).size(), seqIds.size());
        }
    }

    void groupInfo_counts_data()
    {
        QTest::addColumn<bool>("groupFeed");
        QTest::addColumn<QList<int>>("seqs"); // f_seq of successive group informations
        QTest::addColumn<QList<int>>("newMsgNums");
        QTest::addColumn<QList<int>>("groupMsgNums");

        // Without a stored number the first information counts nothing new.
        QTest::newRow("first, group feed") << true << Ints { 100 } << Ints() << Ints { 100 };
        QTest::newRow("growing") << true << Ints { 100, 104 } << Ints { 4 } << Ints { 100, 104 };
        QTest::newRow("lower later") << true << Ints { 100, 90 } << Ints() << Ints { 100 };
        QTest::newRow("personal feed never counts")
            << false << Ints { 100, 104 } << Ints() << Ints { 100, 104 };
        QTest::newRow("empty group") << true << Ints { 0 } << Ints() << Ints();
    }

    void groupInfo_counts()
    {
        QFETCH(bool, groupFeed);
        QFETCH(QList<int>, seqs);
        QFETCH(QList<int>, groupMsgNums);
        DynDataController controller(groupFeed, nullptr);
        QSignalSpy counted(&controller, &DynDataController::newMsgNum);
        QSignalSpy grown(&controller, &DynDataController::groupMsgNum);
        for (int seq : seqs)
            controller.onGetGroupInfo(groupInfo(seq));
        QTEST(intsOf(counted), "newMsgNums");
        QCOMPARE(intsOf(grown), groupMsgNums);
        // A group with messages is not empty even though none arrived yet.
        QCOMPARE(controller.isEmpty(), groupMsgNums.isEmpty());
    }

    void quietInputs()
    {
        // A message that converts to nothing, no message, and error 15 (nothing in a range)
        // announce nothing; any other error is a network error.
        DynDataController controller(false, nullptr);
        QSignalSpy received(&controller, &DynDataController::newMessageReceived);
        QSignalSpy errors(&controller, &DynDataController::networkError);
        pb_clt_t_user onlyTask;
        onlyTask.mutable_f_task_details()->set_f_task_id(5);
        controller.onReceiveMessage(contextOf(onlyTask));
        controller.onReceiveMessage(MessageContext());
        controller.onError(15);
        QCOMPARE(received.count() + errors.count(), 0);
        QVERIFY(controller.isEmpty());
        controller.onError(1);
        QCOMPARE(errors.count(), 1);
    }
};

DYNFEED_TEST_GUILESS_MAIN(tst_DynDataController)
#include "tst_DynDataController.moc"
