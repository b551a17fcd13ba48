#include <QtTest>

#include "feed/SDynData.h"

namespace {

const QString kNoOperateType = QStringLiteral("none");

/// A task record as the converter makes it for a feed with bGroupFeed false.
SDynData *makeTaskNotification(int kind, const QString &operateType, const QString &taskId,
    bool withReceivers = true, bool withMsgId = true)
{
    auto *record = new SDynData(kind);
    record->text = QStringLiteral("布置了任务");
    if (!taskId.isNull())
        record->content.insert(QStringLiteral("taskid"), taskId);
    if (operateType != kNoOperateType)
        record->extra.insert(QStringLiteral("operate_type"), operateType.toInt());
    if (withReceivers)
        record->extra.insert(QStringLiteral("receiver_uids"), QStringList { QStringLiteral("7") });
    if (withMsgId)
        record->extra.insert(QStringLiteral("msgid"), QStringLiteral("90001"));
    return record;
}

} // namespace

/// The feed record's validity, value tables and task-notification pairing.
class tst_SDynData : public QObject
{
    Q_OBJECT

private slots:
    void freshRecordHasNoSequenceNumberAndNoTime();
    void isValid_data();
    void isValid();
    void valueTables_data();
    void valueTables();
    void jobTitles();
    void taskNotifyKind_data();
    void taskNotifyKind();
    void isTaskNotifyPair_data();
    void isTaskNotifyPair();
};

void tst_SDynData::freshRecordHasNoSequenceNumberAndNoTime()
{
    const SDynData record(SDynData::KindTask);
    QCOMPARE(record.seqId, -1);
    QVERIFY(!record.dateTime.isValid());
    QVERIFY(record.content.isEmpty());
    QVERIFY(record.extra.isEmpty());
    QVERIFY(record.rawData.isEmpty());
    QVERIFY(!::isValid(&record));
}

void tst_SDynData::isValid_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("withContent");
    QTest::addColumn<bool>("valid");

    const QString summary = QStringLiteral("发布了通知");
    QTest::newRow("plain notice") << 0 << summary << false << true;
    QTest::newRow("lowest kind -1") << -1 << summary << false << true;
    QTest::newRow("highest kind 6") << 6 << summary << false << true;
    QTest::newRow("kind -2") << -2 << summary << false << false;
    QTest::newRow("kind 7") << 7 << summary << false << false;
    QTest::newRow("huge kind") << std::numeric_limits<int>::max() << summary << false << false;
    QTest::newRow("lowest int kind")
        << std::numeric_limits<int>::min() << summary << false << false;
    QTest::newRow("empty text") << 1 << QString() << false << false;
    QTest::newRow("empty text, full content") << 1 << QString() << true << false;
    QTest::newRow("blank text counts") << 2 << QStringLiteral(" ") << false << true;
}

void tst_SDynData::isValid()
{
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(bool, withContent);
    QFETCH(bool, valid);

    SDynData record(kind);
    record.text = text;
    if (withContent) {
        record.content.insert(QStringLiteral("taskid"), QStringLiteral("5"));
        record.content.insert(QStringLiteral("desc"), QStringLiteral("浇筑三层楼板"));
    }
    QCOMPARE(::isValid(&record), valid);
}

void tst_SDynData::valueTables_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");

    QTest::newRow("task type 1") << "task" << 1 << QStringLiteral("验收项");
    QTest::newRow("task type 2") << "task" << 2 << QStringLiteral("问题项");
    QTest::newRow("task type 3") << "task" << 3 << QStringLiteral("通知项");
    QTest::newRow("task type 4") << "task" << 4 << QStringLiteral("其他");
    QTest::newRow("task type 0 not held") << "task" << 0 << QString();
    QTest::newRow("task type 5 not held") << "task" << 5 << QString();
    QTest::newRow("task type -1 not held") << "task" << -1 << QString();

    QTest::newRow("status 0") << "status" << 0 << QStringLiteral("进行中");
    QTest::newRow("status 1") << "status" << 1 << QStringLiteral("已完成");
    QTest::newRow("status 2") << "status" << 2 << QStringLiteral("延期");
    QTest::newRow("status 3 not held") << "status" << 3 << QString();
    QTest::newRow("status -1 not held") << "status" << -1 << QString();

    const QStringList projectTypes { QStringLiteral("建筑工程"), QStringLiteral("市政工程"),
        QStringLiteral("电力工程"), QStringLiteral("铁路工程"), QStringLiteral("公路工程"),
        QStringLiteral("冶金工程"), QStringLiteral("石化工程"), QStringLiteral("其他") };
    for (int code = 1; code <= projectTypes.size(); ++code) {
        QTest::addRow("project type %d", code) << "project" << code << projectTypes.at(code - 1);
    }
    QTest::newRow("project type 0 not held") << "project" << 0 << QString();
    QTest::newRow("project type 9 not held") << "project" << 9 << QString();
    QTest::newRow("project type max not held")
        << "project" << std::numeric_limits<int>::max() << QString();
}

void tst_SDynData::valueTables()
{
    QFETCH(QString, table);
    QFETCH(int, code);
    QFETCH(QString, name);

    QString actual;
    if (table == QLatin1String("task"))
        actual = taskTypeName(code);
    else if (table == QLatin1String("status"))
        actual = taskStatusName(code);
    else
        actual = projectTypeName(code);
    QCOMPARE(actual, name);
}

void tst_SDynData::jobTitles()
{
    const QStringList expected { QStringLiteral("项目总工"), QStringLiteral("项目经理"),
        QStringLiteral("生产经理"), QStringLiteral("商务经理"), QStringLiteral("技术员"),
        QStringLiteral("施工员"), QStringLiteral("安全员"), QStringLiteral("质量员"),
        QStringLiteral("其他") };
    QCOMPARE(::jobTitles(), expected);
    // Shared, built once: every caller sees the same list.
    QCOMPARE(&::jobTitles(), &::jobTitles());
}

void tst_SDynData::taskNotifyKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("operateType");
    QTest::addColumn<bool>("withReceivers");
    QTest::addColumn<bool>("withMsgId");
    QTest::addColumn<int>("notifyKind");

    QTest::newRow("operate 1 notifies") << 1 << "1" << true << true << 1;
    QTest::newRow("operate 2 answers") << 1 << "2" << true << true << 2;
    QTest::newRow("operate 3 notifies") << 1 << "3" << true << true << 1;
    QTest::newRow("operate 4 answers") << 1 << "4" << true << true << 2;
    QTest::newRow("operate 5 answers") << 1 << "5" << true << true << 2;
    QTest::newRow("operate 0") << 1 << "0" << true << true << 0;
    QTest::newRow("operate 6") << 1 << "6" << true << true << 0;
    QTest::newRow("operate -1") << 1 << "-1" << true << true << 0;
    QTest::newRow("no operate type") << 1 << kNoOperateType << true << true << 0;
    QTest::newRow("operate 3 without msgid") << 1 << "3" << true << false << 0;
    QTest::newRow("operate 2 without receivers") << 1 << "2" << false << true << 0;
    QTest::newRow("operate 1 without both") << 1 << "1" << false << false << 0;
    QTest::newRow("plain notice") << 0 << "1" << true << true << 0;
    QTest::newRow("task report") << 2 << "2" << true << true << 0;
    QTest::newRow("attachment") << 5 << "3" << true << true << 0;
}

void tst_SDynData::taskNotifyKind()
{
    QFETCH(int, kind);
    QFETCH(QString, operateType);
    QFETCH(bool, withReceivers);
    QFETCH(bool, withMsgId);
    QFETCH(int, notifyKind);

    const std::unique_ptr<SDynData> record(
        makeTaskNotification(kind, operateType, QStringLiteral("4711"), withReceivers, withMsgId));
    QCOMPARE(::taskNotifyKind(record.get()), notifyKind);
}

void tst_SDynData::isTaskNotifyPair_data()
{
    QTest::addColumn<int>("kindA");
    QTest::addColumn<QString>("operateA");
    QTest::addColumn<QString>("taskA");
    QTest::addColumn<bool>("msgIdA");
    QTest::addColumn<int>("kindB");
    QTest::addColumn<QString>("operateB");
    QTest::addColumn<QString>("taskB");
    QTest::addColumn<bool>("pair");

    const QString task = QStringLiteral("4711");
    const QString otherTask = QStringLiteral("4712");
    QTest::newRow("1 and 2 on one task") << 1 << "1" << task << true << 1 << "2" << task << true;
    QTest::newRow("2 and 1 on one task") << 1 << "2" << task << true << 1 << "1" << task << true;
    QTest::newRow("3 and 5 on one task") << 1 << "3" << task << true << 1 << "5" << task << true;
    QTest::newRow("1 and 3 same class") << 1 << "1" << task << true << 1 << "3" << task << false;
    QTest::newRow("2 and 4 same class") << 1 << "2" << task << true << 1 << "4" << task << false;
    QTest::newRow("1 and 1") << 1 << "1" << task << true << 1 << "1" << task << false;
    QTest::newRow("different tasks") << 1 << "1" << task << true << 1 << "2" << otherTask << false;
    QTest::newRow("task id differs in case")
        << 1 << "1" << QStringLiteral("ab") << true << 1 << "2" << QStringLiteral("AB") << false;
    QTest::newRow("3 without msgid") << 1 << "3" << task << false << 1 << "2" << task << false;
    QTest::newRow("non-task kind") << 2 << "1" << task << true << 1 << "2" << task << false;
    QTest::newRow("operate 0 and 2") << 1 << "0" << task << true << 1 << "2" << task << false;
}

void tst_SDynData::isTaskNotifyPair()
{
    QFETCH(int, kindA);
    QFETCH(QString, operateA);
    QFETCH(QString, taskA);
    QFETCH(bool, msgIdA);
    QFETCH(int, kindB);
    QFETCH(QString, operateB);
    QFETCH(QString, taskB);
    QFETCH(bool, pair);

    const std::unique_ptr<SDynData> a(makeTaskNotification(kindA, operateA, taskA, true, msgIdA));
    const std::unique_ptr<SDynData> b(makeTaskNotification(kindB, operateB, taskB));
    QCOMPARE(::isTaskNotifyPair(a.get(), b.get()), pair);
    QCOMPARE(::isTaskNotifyPair(b.get(), a.get()), pair);
}

QTEST_GUILESS_MAIN(tst_SDynData)
#include "tst_SDynData.moc"
