#include <QtTest>

#include <memory>

#include "common/TestMain.h"
#include "feed/SDynData.h"

namespace {

/// A task notification as the converter makes it for a feed that is not a group feed, without
/// the extra field named by without.
std::unique_ptr<SDynData> notification(
    int kind, int operateType, int taskId = 4711, const QString &without = QString())
{
    auto record = std::make_unique<SDynData>(kind);
    record->content.insert(QStringLiteral("taskid"), QString::number(taskId));
    record->extra = { { "operate_type", operateType }, { "receiver_uids", QStringList { "7" } },
        { "msgid", "90001" } };
    record->extra.remove(without);
    return record;
}

} // namespace

/// The feed record's validity and task-notification pairing.
class tst_SDynData : public QObject
{
    Q_OBJECT

private slots:
    void isValid_data();
    void isValid();
    void taskNotifications_data();
    void taskNotifications();
};

void tst_SDynData::isValid_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");

    QTest::newRow("lowest kind -1") << -1 << "通知" << true;
    QTest::newRow("highest kind 6") << 6 << "通知" << true;
    QTest::newRow("kind -2") << -2 << "通知" << false;
    QTest::newRow("kind 7") << 7 << "通知" << false;
    QTest::newRow("empty text") << 1 << "" << false;
    QTest::newRow("blank text") << 2 << " " << true;
}

void tst_SDynData::isValid()
{
    QFETCH(int, kind);
    QFETCH(QString, text);

    SDynData record(kind);
    record.text = text;
    QTEST(::isValid(&record), "valid");
    QVERIFY(!::isValid(nullptr));
}

void tst_SDynData::taskNotifications_data()
{
    // A record, and a partner notification on a task: the record's kind of notification and
    // whether the two pair up.
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("operateType");
    QTest::addColumn<QString>("without");
    QTest::addColumn<int>("partnerOperateType");
    QTest::addColumn<int>("partnerTask");
    QTest::addColumn<int>("notifyKind");
    QTest::addColumn<bool>("pair");

    QTest::newRow("1 notifies") << 1 << 1 << "" << 2 << 4711 << 1 << true;
    QTest::newRow("3 notifies") << 1 << 3 << "" << 5 << 4711 << 1 << true;
    QTest::newRow("2 answers") << 1 << 2 << "" << 1 << 4711 << 2 << true;
    QTest::newRow("5 answers") << 1 << 5 << "" << 3 << 4711 << 2 << true;
    QTest::newRow("0") << 1 << 0 << "" << 2 << 4711 << 0 << false;
    QTest::newRow("6") << 1 << 6 << "" << 1 << 4711 << 0 << false;
    QTest::newRow("no operate type") << 1 << 1 << "operate_type" << 2 << 4711 << 0 << false;
    QTest::newRow("no receivers") << 1 << 2 << "receiver_uids" << 1 << 4711 << 0 << false;
    QTest::newRow("no msgid") << 1 << 3 << "msgid" << 2 << 4711 << 0 << false;
    QTest::newRow("not a task") << 2 << 1 << "" << 2 << 4711 << 0 << false;
    QTest::newRow("both notify") << 1 << 1 << "" << 3 << 4711 << 1 << false;
    QTest::newRow("different tasks") << 1 << 1 << "" << 2 << 4712 << 1 << false;
}

void tst_SDynData::taskNotifications()
{
    QFETCH(int, kind);
    QFETCH(int, operateType);
    QFETCH(QString, without);
    QFETCH(int, partnerOperateType);
    QFETCH(int, partnerTask);
    QFETCH(bool, pair);

    const auto record = notification(kind, operateType, 4711, without);
    const auto partner = notification(1, partnerOperateType, partnerTask);
    QTEST(::taskNotifyKind(record.get()), "notifyKind");
    QCOMPARE(::isTaskNotifyPair(record.get(), partner.get()), pair);
    QCOMPARE(::isTaskNotifyPair(partner.get(), record.get()), pair);
}

DYNFEED_TEST_GUILESS_MAIN(tst_SDynData)
#include "tst_SDynData.moc"
