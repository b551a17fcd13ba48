#include <QtTest>

#include <ctime>
#include <functional>
#include <memory>
#include <vector>

#include "MessageContext.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "msl.pb.h"

namespace {

const QString kPrjId = QStringLiteral("10086");
const quint64 kPrjIdValue = 10086;
const quint64 kOtherPrjIdValue = 10087;
const QString kUserId = QStringLiteral("777");
const QString kSecretaryHeader = QStringLiteral(":/icon/resources/images/secretary.png");
const QString kNewMemberHeader = QStringLiteral(":/icon/resources/images/new_member.png");
const qint64 kSendTime = 1618900000; // 2021-04-20 06:26:40 UTC
const char kSenderName[] = "张三";
const quint64 kSenderId = 1001;
const QString kOther = QStringLiteral("其他");
// Noon UTC: the same calendar day in every zone from UTC-11 to UTC+11.
const qint64 kMarch1st2021 = 1614600000;
const qint64 kDec31st2022 = 1672488000;

using Records = std::vector<std::unique_ptr<SDynData>>;

DynMsgConverter makeConverter(bool groupFeed)
{
    DynMsgConverter converter(groupFeed);
    converter.setPrjId(kPrjId);
    converter.setUserId(kUserId);
    return converter;
}

Records convert(DynMsgConverter &converter, const pb_clt_t_user &user)
{
    MessageContext context;
    context.groupId = kPrjId;
    context.user = &user;
    Records records;
    for (SDynData *record : converter.convert(context))
        records.emplace_back(record);
    return records;
}

/// Messages travel through the data tables serialized, as they arrive from the wire.
QByteArray toBytes(const pb_clt_t_user &user)
{
    const std::string bytes = user.SerializeAsString();
    return QByteArray(bytes.data(), int(bytes.size()));
}

pb_clt_t_user fromBytes(const QByteArray &bytes)
{
    pb_clt_t_user user;
    if (!user.ParseFromArray(bytes.constData(), bytes.size()))
        qFatal("test message does not parse");
    return user;
}

std::string utf8(const QString &text)
{
    return text.toStdString();
}

pb_im_t_msg_item *addItem(pb_clt_t_user &user, quint32 type, const std::string &body)
{
    pb_im_t_msg_item *item = user.mutable_f_im_msg()->add_f_msg();
    item->set_f_msg_type(type);
    item->set_f_msg_body(body);
    item->set_f_sender_id(kSenderId);
    item->set_f_sender_name(kSenderName);
    item->set_f_send_time(kSendTime);
    return item;
}

void setAttachment(pb_im_t_msg_attach *attach, const std::string &name, int size = 2048,
    const std::string &url = "http://files.example/a", const std::string &id = "cf-1")
{
    attach->set_f_attach_name(name);
    attach->set_f_attach_size(size);
    attach->set_f_attach_url(url);
    attach->set_f_attach_id(id);
}

pb_im_t_msg_task *fillTask(pb_im_t_msg_task *task, quint64 prjId = kPrjIdValue)
{
    task->set_f_prj_id(prjId);
    task->set_f_task_id(4711);
    task->set_f_task_desc("浇筑三层楼板");
    task->set_f_task_type(2);
    task->set_f_position("3号楼");
    task->set_f_assign_desc("李四、王五");
    task->set_f_task_end(kDec31st2022);
    return task;
}

pb_prj_t_task_report *fillReport(pb_im_t_msg_task *task)
{
    pb_prj_t_task_report *report = task->mutable_f_last_report();
    report->set_f_report_id(880001);
    report->mutable_f_sponsor()->set_f_uid(1001);
    report->mutable_f_sponsor()->set_f_name("张三");
    report->mutable_f_reply_to()->set_f_uid(1002);
    report->mutable_f_reply_to()->set_f_name("李四");
    report->set_f_title("整改回复");
    report->set_f_content("已整改完毕");
    report->set_f_content_type(1);
    return report;
}

pb_im_t_msg_prj_record *addRecord(pb_clt_t_user &user, int recordType, const std::string &body,
    const std::string &job = "项目经理")
{
    pb_im_t_msg_item *item = addItem(user, 14, body);
    pb_im_t_msg_prj_record *record = item->mutable_f_msg_prj_record();
    record->set_record_type(recordType);
    record->mutable_sender()->set_f_uid(kSenderId);
    record->mutable_sender()->set_f_name(kSenderName);
    record->mutable_sender()->set_f_job_type(job);
    return record;
}

/// One item of each shape the converter tells apart.
pb_clt_t_user messageOfShape(const QString &shape)
{
    pb_clt_t_user user;
    if (shape == QLatin1String("plain")) {
        addItem(user, 5, "发布了通知");
    } else if (shape == QLatin1String("task")) {
        fillTask(addItem(user, 6, "布置了任务")->mutable_f_msg_task());
    } else if (shape == QLatin1String("report")) {
        fillReport(fillTask(addItem(user, 7, "回复了任务")->mutable_f_msg_task()));
    } else if (shape == QLatin1String("attachment")) {
        setAttachment(addItem(user, 9, "上传了文件")->add_f_attch(), "图纸.dwg");
    } else if (shape == QLatin1String("record text")) {
        addRecord(user, 0, "修改了项目");
    } else if (shape == QLatin1String("record info")) {
        addRecord(user, 2, "修改了项目信息")->mutable_f_prj_info()->set_f_prj_name("锦绣花园");
    } else if (shape == QLatin1String("record task")) {
        fillTask(addRecord(user, 5, "完成了任务")->mutable_f_task_info());
    } else if (shape == QLatin1String("record report")) {
        fillReport(fillTask(addRecord(user, 11, "回复了任务")->mutable_f_task_info()));
    } else if (shape == QLatin1String("record upload")) {
        setAttachment(
            addRecord(user, 7, "上传了文件")->add_f_files()->mutable_f_baseinfo(), "合同.pdf");
    } else if (shape == QLatin1String("member joined")) {
        pb_im_t_msg_prj_record *record = addRecord(user, 9, "赵六加入了项目");
        record->add_receivers()->set_f_name("赵六");
    } else if (shape == QLatin1String("invitation")) {
        addRecord(user, 1, "邀请了A、B、C、D加入项目");
    } else {
        qFatal("unknown shape");
    }
    return user;
}

/// Same keys, and for each the same type and value.
void compareHash(const QVariantHash &actual, const QVariantHash &expected)
{
    QStringList actualKeys = actual.keys();
    QStringList expectedKeys = expected.keys();
    actualKeys.sort();
    expectedKeys.sort();
    QCOMPARE(actualKeys, expectedKeys);
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QVariant value = actual.value(it.key());
        QVERIFY2(value.userType() == it.value().userType(),
            qPrintable(QStringLiteral("%1 is a %2, expected a %3")
                           .arg(it.key(), QString::fromLatin1(value.typeName()),
                               QString::fromLatin1(it.value().typeName()))));
        QVERIFY2(value == it.value(), qPrintable(it.key()));
    }
}

QString endTimeText(qint64 secs)
{
    return QObject::tr("End Time")
        + QDateTime::fromSecsSinceEpoch(secs).toString(QStringLiteral("yyyy-MM-dd hh:mm"));
}

QString paragraph(const QString &line)
{
    return QStringLiteral("<p style = 'margin:10px'>") + line + QStringLiteral("</p>");
}

QStringList seqIds(const Records &records)
{
    QStringList ids;
    for (const auto &record : records)
        ids << QString::number(record->seqId);
    return ids;
}

} // namespace

/// Conversion of push messages into feed records.
class tst_DynMsgConverter : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void seenSequenceNumbers_data();
    void seenSequenceNumbers();
    void itemYieldingNothingStillTakesItsNumber();
    void headerFields();
    void nameCutFromSummary_data();
    void nameCutFromSummary();
    void avatar_data();
    void avatar();
    void jobTitle_data();
    void jobTitle();
    void taskOfAnotherProject_data();
    void taskOfAnotherProject();
    void taskContent_data();
    void taskContent();
    void taskExtra_data();
    void taskExtra();
    void reportRecord_data();
    void reportRecord();
    void reportSummary_data();
    void reportSummary();
    void attachmentsOfItem_data();
    void attachmentsOfItem();
    void projectRecordTypes_data();
    void projectRecordTypes();
    void fileRecords_data();
    void fileRecords();
    void invitation_data();
    void invitation();
    void memberJoined_data();
    void memberJoined();
    void projectInformation_data();
    void projectInformation();
    void projectLog_data();
    void projectLog();
    void projectLogIgnoresSeenSet();
    void weather_data();
    void weather();
    void emptyResults_data();
    void emptyResults();
    void hostileStrings_data();
    void hostileStrings();
    void localTime_data();
    void localTime();
    void localTimeInZonesWithTransitions_data();
    void localTimeInZonesWithTransitions();
    void extremeTimes_data();
    void extremeTimes();

private:
    void checkTimes(qint64 secs);

    QByteArray m_savedTz;
    bool m_tzWasSet = false;
};

void tst_DynMsgConverter::init()
{
    m_tzWasSet = qEnvironmentVariableIsSet("TZ");
    m_savedTz = qgetenv("TZ");
}

void tst_DynMsgConverter::cleanup()
{
    // A test may have moved the process to another zone.
    if (m_tzWasSet)
        qputenv("TZ", m_savedTz);
    else
        qunsetenv("TZ");
    tzset();
}

void tst_DynMsgConverter::seenSequenceNumbers_data()
{
    // Each step converts one message whose items carry the listed sequence numbers ("n": none),
    // or resets the converter. Results list the records' sequence numbers per converted step.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("results");

    QTest::newRow("repeat skipped") << QStringList { "1 2", "1 2" } << QStringList { "1 2", "" };
    QTest::newRow("overlap converts only new")
        << QStringList { "1 2", "2 3" } << QStringList { "1 2", "3" };
    QTest::newRow("duplicate inside one message")
        << QStringList { "5 5 6" } << QStringList { "5 6" };
    QTest::newRow("older numbers later are new")
        << QStringList { "10 11", "3 4" } << QStringList { "10 11", "3 4" };
    QTest::newRow("reset forgets")
        << QStringList { "1 2", "reset", "1 2" } << QStringList { "1 2", "1 2" };
    QTest::newRow("reset then repeat skipped")
        << QStringList { "1", "reset", "1", "1" } << QStringList { "1", "1", "" };
    QTest::newRow("without number always converted")
        << QStringList { "n n", "n" } << QStringList { "-1 -1", "-1" };
    QTest::newRow("zero is a number") << QStringList { "0", "0" } << QStringList { "0", "" };
    QTest::newRow("present -1 is a number")
        << QStringList { "-1", "-1" } << QStringList { "-1", "" };
    QTest::newRow("mixed") << QStringList { "7 n 8", "n 7 9" } << QStringList { "7 -1 8", "-1 9" };
}

void tst_DynMsgConverter::seenSequenceNumbers()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, results);

    for (bool groupFeed : { false, true }) {
        DynMsgConverter converter = makeConverter(groupFeed);
        QStringList actual;
        for (const QString &step : steps) {
            if (step == QLatin1String("reset")) {
                converter.reset();
                continue;
            }
            pb_clt_t_user user;
            for (const QString &token : step.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                pb_im_t_msg_item *item = addItem(user, 5, "发布了通知");
                if (token != QLatin1String("n"))
                    item->set_f_msg_seq_id(token.toInt());
            }
            actual << seqIds(convert(converter, user)).join(QLatin1Char(' '));
        }
        QCOMPARE(actual, results);
    }
}

void tst_DynMsgConverter::itemYieldingNothingStillTakesItsNumber()
{
    DynMsgConverter converter = makeConverter(false);
    pb_clt_t_user first;
    addItem(first, 99, "无附件")->set_f_msg_seq_id(40);
    pb_im_t_msg_item *otherProject = addItem(first, 6, "布置了任务");
    otherProject->set_f_msg_seq_id(41);
    fillTask(otherProject->mutable_f_msg_task(), kOtherPrjIdValue);
    QVERIFY(convert(converter, first).empty());

    pb_clt_t_user second;
    addItem(second, 5, "发布了通知")->set_f_msg_seq_id(40);
    addItem(second, 5, "发布了通知")->set_f_msg_seq_id(41);
    addItem(second, 5, "发布了通知")->set_f_msg_seq_id(42);
    QCOMPARE(seqIds(convert(converter, second)), QStringList { "42" });
}

void tst_DynMsgConverter::headerFields()
{
    DynMsgConverter converter = makeConverter(true);
    pb_clt_t_user user;
    pb_im_t_msg_item *item = addItem(user, 5, "发布了通知");
    item->set_f_sender_id(std::numeric_limits<quint64>::max());
    item->set_f_msg_id(9007199254740993ULL); // not exact as a double
    item->set_f_msg_seq_id(std::numeric_limits<int>::max());
    pb_im_t_msg_item *bare = addItem(user, 5, "无编号");
    bare->clear_f_sender_id();

    const Records records = convert(converter, user);
    QCOMPARE(int(records.size()), 2);
    const SDynData &record = *records.at(0);
    QCOMPARE(record.kind, int(SDynData::KindText));
    QCOMPARE(record.userId, QStringLiteral("18446744073709551615"));
    QCOMPARE(record.userName, QStringLiteral("张三"));
    QCOMPARE(record.seqId, std::numeric_limits<int>::max());
    compareHash(record.extra, { { "msgid", QStringLiteral("9007199254740993") } });
    QCOMPARE(record.dateTime, QDateTime::fromSecsSinceEpoch(kSendTime));
    QVERIFY(record.content.isEmpty());
    QVERIFY(record.rawData.isEmpty());

    const SDynData &withoutIds = *records.at(1);
    QCOMPARE(withoutIds.seqId, -1);
    QVERIFY(withoutIds.extra.isEmpty());
    QCOMPARE(withoutIds.userId, QStringLiteral("0"));
}

void tst_DynMsgConverter::nameCutFromSummary_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    QTest::newRow("name cut") << "张三发布了通知"
                              << "张三"
                              << "发布了通知";
    QTest::newRow("colon kept") << "张三：明天停水"
                                << "张三"
                                << "：明天停水";
    QTest::newRow("latin colon kept") << "Li Na: pour at 8"
                                      << "Li Na"
                                      << ": pour at 8";
    QTest::newRow("empty name cuts nothing") << "张三发布了通知"
                                             << ""
                                             << "张三发布了通知";
    QTest::newRow("case-sensitive") << "alice: hi"
                                    << "Alice"
                                    << "alice: hi";
    QTest::newRow("name inside body") << "通知张三开会"
                                      << "张三"
                                      << "通知张三开会";
    QTest::newRow("cut once") << "张三张三说"
                              << "张三"
                              << "张三说";
    QTest::newRow("body is the name") << "张三"
                                      << "张三"
                                      << "";
    QTest::newRow("longer name than body") << "张"
                                           << "张三"
                                           << "张";
}

void tst_DynMsgConverter::nameCutFromSummary()
{
    QFETCH(QString, body);
    QFETCH(QString, name);
    QFETCH(QString, text);

    DynMsgConverter converter = makeConverter(true);
    pb_clt_t_user user;
    addItem(user, 5, utf8(body))->set_f_sender_name(utf8(name));
    const Records records = convert(converter, user);
    QCOMPARE(int(records.size()), 1);
    QCOMPARE(records.front()->text, text);
    QCOMPARE(records.front()->userName, name);
}

void tst_DynMsgConverter::avatar_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<bool>("groupFeed");
    QTest::addColumn<QString>("header");

    const QStringList shapes { "plain", "task", "report", "attachment", "record text",
        "record info", "record task", "record report", "record upload", "member joined" };
    for (const QString &shape : shapes) {
        QTest::addRow("%s, own feed", qPrintable(shape)) << shape << false << kSecretaryHeader;
        QTest::addRow("%s, group feed", qPrintable(shape)) << shape << true << QString();
    }
    QTest::newRow("invitation, own feed") << "invitation" << false << kNewMemberHeader;
    QTest::newRow("invitation, group feed") << "invitation" << true << kNewMemberHeader;
}

void tst_DynMsgConverter::avatar()
{
    QFETCH(QString, shape);
    QFETCH(bool, groupFeed);
    QFETCH(QString, header);

    DynMsgConverter converter = makeConverter(groupFeed);
    const Records records = convert(converter, messageOfShape(shape));
    QCOMPARE(int(records.size()), 1);
    QCOMPARE(records.front()->userHeader, header);
}

void tst_DynMsgConverter::jobTitle_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<bool>("withSender");
    QTest::addColumn<QString>("job");
    QTest::addColumn<QString>("userJob");

    for (const QString &title : jobTitles())
        QTest::addRow("listed %s", qPrintable(title)) << "record text" << true << title << title;
    QTest::newRow("listed title, trailing blank")
        << "record text" << true << QStringLiteral("项目经理 ") << kOther;
    QTest::newRow("listed title, leading blank")
        << "record text" << true << QStringLiteral(" 项目经理") << kOther;
    QTest::newRow("unlisted title") << "record text" << true << QStringLiteral("总监") << kOther;
    QTest::newRow("empty title") << "record text" << true << QString() << kOther;
    QTest::newRow("record without sender") << "record text" << false << QString() << kOther;
    QTest::newRow("plain message") << "plain" << false << QString() << kOther;
    QTest::newRow("task message") << "task" << false << QString() << kOther;
    QTest::newRow("record task keeps title")
        << "record task" << true << QStringLiteral("安全员") << QStringLiteral("安全员");
    QTest::newRow("record upload keeps title")
        << "record upload" << true << QStringLiteral("施工员") << QStringLiteral("施工员");
}

void tst_DynMsgConverter::jobTitle()
{
    QFETCH(QString, shape);
    QFETCH(bool, withSender);
    QFETCH(QString, job);
    QFETCH(QString, userJob);

    pb_clt_t_user user = messageOfShape(shape);
    pb_im_t_msg_item *item = user.mutable_f_im_msg()->mutable_f_msg(0);
    if (item->has_f_msg_prj_record()) {
        if (withSender)
            item->mutable_f_msg_prj_record()->mutable_sender()->set_f_job_type(utf8(job));
        else
            item->mutable_f_msg_prj_record()->clear_sender();
    }
    for (bool groupFeed : { false, true }) {
        DynMsgConverter converter = makeConverter(groupFeed);
        const Records records = convert(converter, user);
        QCOMPARE(int(records.size()), 1);
        QCOMPARE(records.front()->userJob, userJob);
    }
}

void tst_DynMsgConverter::taskOfAnotherProject_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<bool>("groupFeed");
    QTest::addColumn<QString>("converterPrjId");
    QTest::addColumn<quint64>("taskPrjId");
    QTest::addColumn<int>("kind"); // -1: no record

    QTest::newRow("own project, own feed") << "task" << false << kPrjId << kPrjIdValue << 1;
    QTest::newRow("other project, own feed") << "task" << false << kPrjId << kOtherPrjIdValue << -1;
    QTest::newRow("other project, group feed") << "task" << true << kPrjId << kOtherPrjIdValue << 1;
    QTest::newRow("report of other project, own feed")
        << "report" << false << kPrjId << kOtherPrjIdValue << -1;
    QTest::newRow("report of other project, group feed")
        << "report" << true << kPrjId << kOtherPrjIdValue << 2;
    QTest::newRow("report of own project, own feed")
        << "report" << false << kPrjId << kPrjIdValue << 2;
    QTest::newRow("project id with leading zero")
        << "task" << false << QStringLiteral("010086") << kPrjIdValue << -1;
    QTest::newRow("project id with blank")
        << "task" << false << QStringLiteral(" 10086") << kPrjIdValue << -1;
    QTest::newRow("no project set, task of project 0")
        << "task" << false << QString() << quint64(0) << -1;
    QTest::newRow("project 0") << "task" << false << QStringLiteral("0") << quint64(0) << 1;
    QTest::newRow("largest project id") << "task" << false << QStringLiteral("18446744073709551615")
                                        << std::numeric_limits<quint64>::max() << 1;
    QTest::newRow("project id beyond 64 bits")
        << "task" << false << QStringLiteral("18446744073709551616")
        << std::numeric_limits<quint64>::max() << -1;
    QTest::newRow("record task of other project, own feed")
        << "record task" << false << kPrjId << kOtherPrjIdValue << 1;
    QTest::newRow("record report of other project, own feed")
        << "record report" << false << kPrjId << kOtherPrjIdValue << 2;
}

void tst_DynMsgConverter::taskOfAnotherProject()
{
    QFETCH(QString, shape);
    QFETCH(bool, groupFeed);
    QFETCH(QString, converterPrjId);
    QFETCH(quint64, taskPrjId);
    QFETCH(int, kind);

    pb_clt_t_user user = messageOfShape(shape);
    pb_im_t_msg_item *item = user.mutable_f_im_msg()->mutable_f_msg(0);
    if (item->has_f_msg_task())
        item->mutable_f_msg_task()->set_f_prj_id(taskPrjId);
    else
        item->mutable_f_msg_prj_record()->mutable_f_task_info()->set_f_prj_id(taskPrjId);

    DynMsgConverter converter(groupFeed);
    converter.setPrjId(converterPrjId);
    converter.setUserId(kUserId);
    const Records records = convert(converter, user);
    QCOMPARE(int(records.size()), kind < 0 ? 0 : 1);
    if (kind >= 0)
        QCOMPARE(records.front()->kind, kind);
}

void tst_DynMsgConverter::taskContent_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QVariantHash>("content");

    const QVariantHash base {
        { "taskid", QStringLiteral("4711") },
        { "desc", QStringLiteral("浇筑三层楼板") },
        { "type", QStringLiteral("问题项") },
        { "location", QStringLiteral("3号楼") },
        { "people", QStringLiteral("李四、王五") },
        { "time", endTimeText(kDec31st2022) },
    };

    for (quint32 type : { 6u, 7u }) {
        pb_clt_t_user user;
        fillTask(addItem(user, type, "布置了任务")->mutable_f_msg_task());
        QTest::addRow("item type %u, bare", type) << toBytes(user) << base;
    }
    {
        pb_clt_t_user user;
        fillTask(addRecord(user, 10, "布置了任务")->mutable_f_task_info());
        QTest::newRow("project record 10, bare") << toBytes(user) << base;
    }
    {
        pb_clt_t_user user;
        pb_im_t_msg_task *task = fillTask(addItem(user, 6, "布置了任务")->mutable_f_msg_task());
        task->set_f_task_status(0);
        QVariantHash content = base;
        content.insert("status", 0);
        QTest::newRow("status 0 present") << toBytes(user) << content;
    }
    {
        pb_clt_t_user user;
        pb_im_t_msg_task *task = fillTask(addItem(user, 6, "布置了任务")->mutable_f_msg_task());
        task->set_f_task_status(2);
        task->set_f_task_desc_type(3);
        task->set_f_task_desc_playtime(17);
        task->set_f_task_desc("cf-voice-88");
        QVariantHash content = base;
        content.insert("status", 2);
        content.insert("task_desc_play_time", 17);
        content.insert("desc", QStringLiteral("cf-voice-88"));
        QTest::newRow("voice description") << toBytes(user) << content;
    }
    {
        pb_clt_t_user user;
        pb_im_t_msg_task *task = fillTask(addItem(user, 6, "布置了任务")->mutable_f_msg_task());
        task->set_f_task_desc_type(3);
        QVariantHash content = base;
        content.insert("task_desc_play_time", 0);
        QTest::newRow("voice description without play time") << toBytes(user) << content;
    }
    {
        pb_clt_t_user user;
        pb_im_t_msg_task *task = fillTask(addItem(user, 6, "布置了任务")->mutable_f_msg_task());
        task->set_f_task_desc_type(1);
        task->set_f_task_desc_playtime(17);
        QTest::newRow("text description ignores play time") << toBytes(user) << base;
    }
    {
        pb_clt_t_user user;
        pb_im_t_msg_task *task = fillTask(addItem(user, 6, "布置了任务")->mutable_f_msg_task());
        task->set_f_task_type(7);
        QVariantHash content = base;
        content.insert("type", QString());
        QTest::newRow("unknown task type") << toBytes(user) << content;
    }
    {
        pb_clt_t_user user;
        pb_im_t_msg_task *task = fillTask(addItem(user, 6, "布置了任务")->mutable_f_msg_task());
        task->clear_f_task_end();
        task->set_f_task_id(std::numeric_limits<quint64>::max());
        QVariantHash content = base;
        content.insert("time", endTimeText(0));
        content.insert("taskid", QStringLiteral("18446744073709551615"));
        QTest::newRow("no end time, largest id") << toBytes(user) << content;
    }
}

void tst_DynMsgConverter::taskContent()
{
    QFETCH(QByteArray, message);
    QFETCH(QVariantHash, content);

    for (bool groupFeed : { false, true }) {
        DynMsgConverter converter = makeConverter(groupFeed);
        const Records records = convert(converter, fromBytes(message));
        QCOMPARE(int(records.size()), 1);
        QCOMPARE(records.front()->kind, int(SDynData::KindTask));
        compareHash(records.front()->content, content);
    }
}

void tst_DynMsgConverter::taskExtra_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<bool>("groupFeed");
    QTest::addColumn<QVariantHash>("extra");

    const QVariantHash base {
        { "aboutme", true },
        { "taskid", QStringLiteral("4711") },
        { "userid", kUserId },
    };
    {
        pb_clt_t_user user;
        fillTask(addItem(user, 6, "布置了任务")->mutable_f_msg_task());
        QTest::newRow("bare") << toBytes(user) << false << base;
        QTest::newRow("bare, group feed") << toBytes(user) << true << QVariantHash();
    }
    {
        pb_clt_t_user user;
        pb_im_t_msg_item *item = addItem(user, 6, "通知了任务");
        item->set_f_msg_id(5550001);
        pb_im_t_msg_task *task = fillTask(item->mutable_f_msg_task());
        task->set_f_operate_type(3);
        for (quint64 uid : { 30ULL, 1ULL, 200ULL })
            task->add_f_receiver_uin(uid);
        task->add_f_operate_uin(std::numeric_limits<quint64>::max());
        task->add_f_operate_uin(0);
        task->set_f_operate_status(1);
        QVariantHash extra = base;
        extra.insert("msgid", QStringLiteral("5550001"));
        extra.insert("operate_type", 3);
        extra.insert("receiver_uids", QStringList { "30", "1", "200" });
        extra.insert("operate_uids", QStringList { "18446744073709551615", "0" });
        extra.insert("operator_status", 1);
        QTest::newRow("full notification") << toBytes(user) << false << extra;
        QTest::newRow("full notification, group feed")
            << toBytes(user) << true << QVariantHash { { "msgid", QStringLiteral("5550001") } };
    }
    {
        pb_clt_t_user user;
        pb_im_t_msg_task *task = fillTask(addItem(user, 6, "通知了任务")->mutable_f_msg_task());
        task->set_f_operate_type(0);
        task->set_f_operate_status(0);
        task->add_f_operate_uin(9);
        QVariantHash extra = base;
        extra.insert("operate_type", 0);
        extra.insert("operator_status", 0);
        extra.insert("operate_uids", QStringList { "9" });
        QTest::newRow("zero codes present, no receivers") << toBytes(user) << false << extra;
    }
    {
        pb_clt_t_user user;
        pb_im_t_msg_task *task = fillTask(addRecord(user, 6, "通知了任务")->mutable_f_task_info());
        task->add_f_receiver_uin(12);
        QVariantHash extra = base;
        extra.insert("receiver_uids", QStringList { "12" });
        QTest::newRow("project record task") << toBytes(user) << false << extra;
    }
}

void tst_DynMsgConverter::taskExtra()
{
    QFETCH(QByteArray, message);
    QFETCH(bool, groupFeed);
    QFETCH(QVariantHash, extra);

    DynMsgConverter converter = makeConverter(groupFeed);
    const Records records = convert(converter, fromBytes(message));
    QCOMPARE(int(records.size()), 1);
    compareHash(records.front()->extra, extra);
}

void tst_DynMsgConverter::reportRecord_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QVariantHash>("content");
    QTest::addColumn<QVariantHash>("extra");

    const QVariantHash content {
        { "taskid", QStringLiteral("4711") },
        { "task_desc", QStringLiteral("浇筑三层楼板") },
        { "title", QStringLiteral("整改回复") },
        { "content", QStringLiteral("已整改完毕") },
        { "content_type", 1 },
    };
    const QVariantHash extra {
        { "reportid", QStringLiteral("880001") },
        { "sponsor_id", 1001 },
        { "sponsor_name", QStringLiteral("张三") },
        { "replyto_id", 1002 },
        { "replyto_name", QStringLiteral("李四") },
    };
    {
        pb_clt_t_user user;
        fillReport(fillTask(addItem(user, 7, "回复了任务")->mutable_f_msg_task()));
        QTest::newRow("bare") << toBytes(user) << content << extra;
    }
    {
        pb_clt_t_user user;
        fillReport(fillTask(addRecord(user, 11, "回复了任务")->mutable_f_task_info()));
        QTest::newRow("project record 11") << toBytes(user) << content << extra;
    }
    {
        pb_clt_t_user user;
        pb_im_t_msg_item *item = addItem(user, 6, "回复了任务");
        item->set_f_msg_id(42);
        pb_im_t_msg_task *task = fillTask(item->mutable_f_msg_task());
        task->set_f_task_desc_type(3);
        task->set_f_task_desc_playtime(9);
        task->set_f_operate_type(1); // tasks' notification fields stay off reports
        task->add_f_receiver_uin(5);
        pb_prj_t_task_report *report = fillReport(task);
        report->set_f_playtime(0);
        report->set_f_content_type(3);
        pb_im_t_msg_attach *byUrl = report->add_f_attach_list()->mutable_f_baseinfo();
        setAttachment(byUrl, "照片.jpg", 10, "http://files.example/p.jpg", "cf-9");
        byUrl->set_f_attach_type(2);
        pb_im_t_msg_attach *byName = report->add_f_attach_list()->mutable_f_baseinfo();
        setAttachment(byName, "验收单.docx", 10, "http://files.example/d", "cf-10");
        byName->set_f_attach_type(1);
        report->add_f_attach_list(); // no base info
        pb_im_t_msg_attach *untyped = report->add_f_attach_list()->mutable_f_baseinfo();
        setAttachment(untyped, "记录.txt");

        QVariantHash full = content;
        full.insert("task_desc_play_time", 9);
        full.insert("report_play_time", 0);
        full.insert("content_type", 3);
        full.insert("attach_list",
            QStringList { "http://files.example/p.jpg", "验收单.docx", "", "记录.txt" });
        QVariantHash fullExtra = extra;
        fullExtra.insert("msgid", QStringLiteral("42"));
        QTest::newRow("full") << toBytes(user) << full << fullExtra;
    }
    {
        pb_clt_t_user user;
        pb_prj_t_task_report *report
            = fillReport(fillTask(addItem(user, 7, "回复了任务")->mutable_f_msg_task()));
        report->mutable_f_sponsor()->clear_f_uid();
        report->mutable_f_sponsor()->clear_f_name();
        report->clear_f_reply_to();
        report->clear_f_report_id();
        QTest::newRow("people without fields")
            << toBytes(user) << content << QVariantHash { { "reportid", QStringLiteral("0") } };
    }
}

void tst_DynMsgConverter::reportRecord()
{
    QFETCH(QByteArray, message);
    QFETCH(QVariantHash, content);
    QFETCH(QVariantHash, extra);

    for (bool groupFeed : { false, true }) {
        DynMsgConverter converter = makeConverter(groupFeed);
        const Records records = convert(converter, fromBytes(message));
        QCOMPARE(int(records.size()), 1);
        QCOMPARE(records.front()->kind, int(SDynData::KindTaskReport));
        compareHash(records.front()->content, content);
        if (QTest::currentTestFailed())
            return;
        compareHash(records.front()->extra, extra);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(records.front()->userHeader, groupFeed ? QString() : kSecretaryHeader);
        QCOMPARE(records.front()->dateTime, QDateTime::fromSecsSinceEpoch(kSendTime));
    }
}

void tst_DynMsgConverter::reportSummary_data()
{
    QTest::addColumn<bool>("groupFeed");
    QTest::addColumn<QString>("sponsor"); // "-": no name field
    QTest::addColumn<QString>("replyTo");
    QTest::addColumn<QString>("text");

    QTest::newRow("own feed") << false << "王工"
                              << "李四"
                              << "王工回复李四";
    QTest::newRow("group feed") << true << "王工"
                                << "李四"
                                << "回复李四";
    QTest::newRow("sponsor without name") << false << "-"
                                          << "李四"
                                          << "：已整改";
    QTest::newRow("sponsor with empty name") << false << ""
                                             << "李四"
                                             << "：已整改";
    QTest::newRow("reply-to without name") << false << "王工"
                                           << "-"
                                           << "：已整改";
    QTest::newRow("reply-to with empty name, group feed") << true << "王工"
                                                          << ""
                                                          << "：已整改";
}

void tst_DynMsgConverter::reportSummary()
{
    QFETCH(bool, groupFeed);
    QFETCH(QString, sponsor);
    QFETCH(QString, replyTo);
    QFETCH(QString, text);

    pb_clt_t_user user;
    pb_prj_t_task_report *report
        = fillReport(fillTask(addItem(user, 7, "张三：已整改")->mutable_f_msg_task()));
    if (sponsor == QLatin1String("-"))
        report->mutable_f_sponsor()->clear_f_name();
    else
        report->mutable_f_sponsor()->set_f_name(utf8(sponsor));
    if (replyTo == QLatin1String("-"))
        report->mutable_f_reply_to()->clear_f_name();
    else
        report->mutable_f_reply_to()->set_f_name(utf8(replyTo));

    DynMsgConverter converter = makeConverter(groupFeed);
    const Records records = convert(converter, user);
    QCOMPARE(int(records.size()), 1);
    QCOMPARE(records.front()->text, text);
    QCOMPARE(records.front()->userName, QStringLiteral("张三"));
}

void tst_DynMsgConverter::attachmentsOfItem_data()
{
    QTest::addColumn<quint32>("type");
    QTest::addColumn<bool>("withTask");
    QTest::addColumn<int>("attachments");
    QTest::addColumn<QList<int>>("kinds");

    QTest::newRow("type 6 without task, two files") << 6u << false << 2 << QList<int> { 5, 5 };
    QTest::newRow("type 7 without task, one file") << 7u << false << 1 << QList<int> { 5 };
    QTest::newRow("type 6 without task, no file") << 6u << false << 0 << QList<int> {};
    QTest::newRow("unknown type, three files") << 99u << false << 3 << QList<int> { 5, 5, 5 };
    QTest::newRow("type 0, one file") << 0u << false << 1 << QList<int> { 5 };
    QTest::newRow("unknown type, no file") << 99u << false << 0 << QList<int> {};
    QTest::newRow("task with files: task only") << 6u << true << 2 << QList<int> { 1 };
    QTest::newRow("plain with files: plain only") << 5u << false << 2 << QList<int> { 0 };
}

void tst_DynMsgConverter::attachmentsOfItem()
{
    QFETCH(quint32, type);
    QFETCH(bool, withTask);
    QFETCH(int, attachments);
    QFETCH(QList<int>, kinds);

    pb_clt_t_user user;
    pb_im_t_msg_item *item = addItem(user, type, "张三上传了文件");
    item->set_f_msg_seq_id(300);
    item->set_f_msg_id(123456789);
    if (withTask)
        fillTask(item->mutable_f_msg_task());
    for (int i = 0; i < attachments; ++i) {
        setAttachment(item->add_f_attch(), "file" + std::to_string(i) + ".pdf", 1000 + i,
            "http://files.example/" + std::to_string(i), "cf-" + std::to_string(i));
    }

    for (bool groupFeed : { false, true }) {
        DynMsgConverter converter = makeConverter(groupFeed);
        const Records records = convert(converter, user);
        QList<int> actualKinds;
        for (const auto &record : records)
            actualKinds << record->kind;
        QCOMPARE(actualKinds, kinds);
        if (kinds.value(0) != SDynData::KindAttachment)
            continue;
        for (int i = 0; i < int(records.size()); ++i) {
            const SDynData &record = *records.at(i);
            const QString n = QString::number(i);
            compareHash(record.content,
                { { "f_attach_name", QStringLiteral("file%1.pdf").arg(n) },
                    { "f_attach_size", 1000 + i },
                    { "f_attach_url", QStringLiteral("http://files.example/") + n },
                    { "f_attach_id", QStringLiteral("cf-") + n } });
            compareHash(record.extra, { { "msgid", QStringLiteral("123456789") } });
            QCOMPARE(record.seqId, 300);
            QCOMPARE(record.text, QStringLiteral("上传了文件"));
            QCOMPARE(record.userId, QString::number(kSenderId));
            QCOMPARE(record.userName, QStringLiteral("张三"));
            QCOMPARE(record.userJob, kOther);
            QCOMPARE(record.userHeader, groupFeed ? QString() : kSecretaryHeader);
            QCOMPARE(record.dateTime, QDateTime::fromSecsSinceEpoch(kSendTime));
        }
    }
}

void tst_DynMsgConverter::projectRecordTypes_data()
{
    QTest::addColumn<int>("recordType");
    QTest::addColumn<QString>("parts"); // what the record carries: task, report, files
    QTest::addColumn<int>("kind"); // -1: no record

    QTest::newRow("0 plain") << 0 << "" << 0;
    QTest::newRow("3 plain") << 3 << "" << 0;
    QTest::newRow("3 plain ignores task") << 3 << "task" << 0;
    QTest::newRow("1 invited") << 1 << "" << 0;
    QTest::newRow("9 joined") << 9 << "" << 0;
    QTest::newRow("2 information") << 2 << "" << 3;
    for (int type : { 4, 5, 6, 10 }) {
        QTest::addRow("%d with task", type) << type << "task" << 1;
        QTest::addRow("%d with task and report", type) << type << "task report" << 1;
        QTest::addRow("%d without task", type) << type << "files" << -1;
    }
    QTest::newRow("11 with report") << 11 << "task report" << 2;
    QTest::newRow("11 task without report") << 11 << "task" << -1;
    QTest::newRow("11 without task") << 11 << "" << -1;
    QTest::newRow("7 with files") << 7 << "files" << 5;
    QTest::newRow("7 without files") << 7 << "task" << -1;
    QTest::newRow("8 with files") << 8 << "files" << 5;
    QTest::newRow("8 without files") << 8 << "" << -1;
    QTest::newRow("12 unknown") << 12 << "task report files" << -1;
    QTest::newRow("-1 unknown") << -1 << "task report files" << -1;
    QTest::newRow("largest unknown") << std::numeric_limits<int>::max() << "files" << -1;
}

void tst_DynMsgConverter::projectRecordTypes()
{
    QFETCH(int, recordType);
    QFETCH(QString, parts);
    QFETCH(int, kind);

    pb_clt_t_user user;
    pb_im_t_msg_prj_record *prjRecord = addRecord(user, recordType, "张三更新了项目");
    user.mutable_f_im_msg()->mutable_f_msg(0)->set_f_msg_seq_id(12);
    if (parts.contains(QLatin1String("task"))) {
        pb_im_t_msg_task *task = fillTask(prjRecord->mutable_f_task_info());
        if (parts.contains(QLatin1String("report")))
            fillReport(task);
    }
    if (parts.contains(QLatin1String("files"))) {
        setAttachment(prjRecord->add_f_files()->mutable_f_baseinfo(), "a.pdf");
        setAttachment(prjRecord->add_f_files()->mutable_f_baseinfo(), "b.pdf");
    }

    for (bool groupFeed : { false, true }) {
        DynMsgConverter converter = makeConverter(groupFeed);
        const Records records = convert(converter, user);
        QCOMPARE(int(records.size()), kind < 0 ? 0 : 1);
        if (kind < 0)
            continue;
        const SDynData &record = *records.front();
        QCOMPARE(record.kind, kind);
        QCOMPARE(record.seqId, 12);
        QCOMPARE(record.userJob, QStringLiteral("项目经理"));
        QCOMPARE(record.dateTime, QDateTime::fromSecsSinceEpoch(kSendTime));
        if (recordType != 1 && recordType != 9 && recordType != 11)
            QCOMPARE(record.text, QStringLiteral("更新了项目"));
    }
}

void tst_DynMsgConverter::fileRecords_data()
{
    QTest::addColumn<int>("recordType");
    QTest::addColumn<QVariantHash>("extra");

    QTest::newRow("7 uploaded") << 7 << QVariantHash { { "upload", true } };
    QTest::newRow("8 file") << 8 << QVariantHash();
}

void tst_DynMsgConverter::fileRecords()
{
    QFETCH(int, recordType);
    QFETCH(QVariantHash, extra);

    pb_clt_t_user user;
    pb_im_t_msg_prj_record *prjRecord = addRecord(user, recordType, "上传了文件");
    setAttachment(prjRecord->add_f_files()->mutable_f_baseinfo(), "施工图.dwg", 52428800,
        "http://files.example/dwg", "cf-dwg");
    setAttachment(prjRecord->add_f_files()->mutable_f_baseinfo(), "second.pdf");

    DynMsgConverter converter = makeConverter(true);
    const Records records = convert(converter, user);
    QCOMPARE(int(records.size()), 1);
    compareHash(records.front()->content,
        { { "f_attach_name", QStringLiteral("施工图.dwg") }, { "f_attach_size", 52428800 },
            { "f_attach_url", QStringLiteral("http://files.example/dwg") },
            { "f_attach_id", QStringLiteral("cf-dwg") } });
    compareHash(records.front()->extra, extra);
}

void tst_DynMsgConverter::invitation_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("contentText"); // null: no content

    QTest::newRow("four members") << "邀请了A、B、C、D加入项目"
                                  << "邀请了A、B、C等4人加入项目"
                                  << "新加入成员： A、B、C、D";
    QTest::newRow("five members") << "邀请了甲、乙、丙、丁、戊加入项目"
                                  << "邀请了甲、乙、丙等5人加入项目"
                                  << "新加入成员： 甲、乙、丙、丁、戊";
    QTest::newRow("twelve members") << "邀请了1、2、3、4、5、6、7、8、9、10、11、12加入项目"
                                    << "邀请了1、2、3等12人加入项目"
                                    << "新加入成员： 1、2、3、4、5、6、7、8、9、10、11、12";
    QTest::newRow("empty parts count") << "邀请了A、、B、C加入项目"
                                       << "邀请了A、、B等4人加入项目"
                                       << "新加入成员： A、、B、C";
    QTest::newRow("names with placeholders") << "邀请了%1、%2、%3、%4加入项目"
                                             << "邀请了%1、%2、%3等4人加入项目"
                                             << "新加入成员： %1、%2、%3、%4";
    QTest::newRow("sender name cut first") << "张三邀请了A、B、C、D加入项目"
                                           << "邀请了A、B、C等4人加入项目"
                                           << "新加入成员： A、B、C、D";
    QTest::newRow("three members") << "邀请了A、B、C加入项目"
                                   << "邀请了A、B、C加入项目" << QString();
    QTest::newRow("two members") << "邀请了A、B加入项目"
                                 << "邀请了A、B加入项目" << QString();
    QTest::newRow("no members") << "邀请了加入项目"
                                << "邀请了加入项目" << QString();
    QTest::newRow("no prefix") << "请了A、B、C、D加入项目"
                               << "请了A、B、C、D加入项目" << QString();
    QTest::newRow("no suffix") << "邀请了A、B、C、D加入"
                               << "邀请了A、B、C、D加入" << QString();
    QTest::newRow("latin comma") << "邀请了A,B,C,D加入项目"
                                 << "邀请了A,B,C,D加入项目" << QString();
    QTest::newRow("empty body") << ""
                                << "" << QString();
}

void tst_DynMsgConverter::invitation()
{
    QFETCH(QString, body);
    QFETCH(QString, text);
    QFETCH(QString, contentText);

    pb_clt_t_user user;
    addRecord(user, 1, utf8(body));
    for (bool groupFeed : { false, true }) {
        DynMsgConverter converter = makeConverter(groupFeed);
        const Records records = convert(converter, user);
        QCOMPARE(int(records.size()), 1);
        const SDynData &record = *records.front();
        QCOMPARE(record.kind, int(SDynData::KindText));
        QCOMPARE(record.text, text);
        compareHash(record.content,
            contentText.isNull() ? QVariantHash() : QVariantHash { { "text", contentText } });
        QCOMPARE(record.userHeader, kNewMemberHeader);
        QCOMPARE(record.userName, QStringLiteral("张三"));
    }
}

void tst_DynMsgConverter::memberJoined_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("withSender");
    QTest::addColumn<QStringList>("receivers"); // each "uid name job"
    QTest::addColumn<QStringList>("author"); // userId, userName, userJob, text

    const QStringList unchanged { "1001", "张三", "项目经理", "赵六加入了项目" };
    QTest::newRow("one receiver becomes the author")
        << "赵六加入了项目" << true << QStringList { "2002 赵六 技术员" }
        << QStringList { "2002", "赵六", "技术员", "加入了项目" };
    QTest::newRow("receiver's unlisted job")
        << "赵六加入了项目" << true << QStringList { "2002 赵六 监理" }
        << QStringList { "2002", "赵六", "其他", "加入了项目" };
    QTest::newRow("two receivers")
        << "赵六加入了项目" << true << QStringList { "2002 赵六 技术员", "2003 钱七 安全员" }
        << unchanged;
    QTest::newRow("receiver not starting the text")
        << "赵六加入了项目" << true << QStringList { "2003 钱七 安全员" } << unchanged;
    QTest::newRow("no receivers") << "赵六加入了项目" << true << QStringList() << unchanged;
    QTest::newRow("no sender") << "赵六加入了项目" << false << QStringList { "2002 赵六 技术员" }
                               << QStringList { "1001", "张三", "其他", "赵六加入了项目" };
}

void tst_DynMsgConverter::memberJoined()
{
    QFETCH(QString, body);
    QFETCH(bool, withSender);
    QFETCH(QStringList, receivers);
    QFETCH(QStringList, author);

    pb_clt_t_user user;
    pb_im_t_msg_prj_record *prjRecord = addRecord(user, 9, utf8(body));
    if (!withSender)
        prjRecord->clear_sender();
    for (const QString &receiver : receivers) {
        const QStringList fields = receiver.split(QLatin1Char(' '));
        pb_im_t_msg_prj_record_base_user *base = prjRecord->add_receivers();
        base->set_f_uid(fields.at(0).toULongLong());
        base->set_f_name(utf8(fields.at(1)));
        base->set_f_job_type(utf8(fields.at(2)));
    }

    for (bool groupFeed : { false, true }) {
        DynMsgConverter converter = makeConverter(groupFeed);
        const Records records = convert(converter, user);
        QCOMPARE(int(records.size()), 1);
        const SDynData &record = *records.front();
        QCOMPARE(record.kind, int(SDynData::KindText));
        QCOMPARE(
            (QStringList { record.userId, record.userName, record.userJob, record.text }), author);
        QVERIFY(record.content.isEmpty());
        QCOMPARE(record.userHeader, groupFeed ? QString() : kSecretaryHeader);
    }
}

void tst_DynMsgConverter::projectInformation_data()
{
    QTest::addColumn<QByteArray>("info");
    QTest::addColumn<QStringList>("lines"); // empty: no "text" at all

    auto row = [](const char *name, const std::function<void(pb_prj_t_info &)> &fill,
                   const QStringList &lines) {
        pb_prj_t_info info;
        fill(info);
        const std::string bytes = info.SerializeAsString();
        QTest::newRow(name) << QByteArray(bytes.data(), int(bytes.size())) << lines;
    };

    row("nothing", [](pb_prj_t_info &) {}, {});
    row("name", [](pb_prj_t_info &i) { i.set_f_prj_name("锦绣花园二期"); },
        { "项目名称 : 锦绣花园二期" });
    row("empty name", [](pb_prj_t_info &i) { i.set_f_prj_name(""); }, {});
    row("type 1", [](pb_prj_t_info &i) { i.set_f_prj_type(1); }, { "项目类型 : 建筑工程" });
    row("type 8", [](pb_prj_t_info &i) { i.set_f_prj_type(8); }, { "项目类型 : 其他" });
    row("type 0", [](pb_prj_t_info &i) { i.set_f_prj_type(0); }, {});
    row("type 9", [](pb_prj_t_info &i) { i.set_f_prj_type(9); }, {});
    row("full location",
        [](pb_prj_t_info &i) {
            i.set_f_province("广东省");
            i.set_f_city("深圳市");
            i.set_f_prj_address("南山区科技园");
        },
        { "  所在地 : 广东省 深圳市 南山区科技园" });
    row("city only", [](pb_prj_t_info &i) { i.set_f_city("深圳市"); }, { "  所在地 : 深圳市" });
    row("empty city between",
        [](pb_prj_t_info &i) {
            i.set_f_province("广东省");
            i.set_f_city("");
            i.set_f_prj_address("南山区");
        },
        { "  所在地 : 广东省 南山区" });
    row("location present but empty",
        [](pb_prj_t_info &i) {
            i.set_f_province("");
            i.set_f_prj_address("");
        },
        {});
    row("area 0", [](pb_prj_t_info &i) { i.set_f_float_floor_area(0); }, {});
    row("area negative", [](pb_prj_t_info &i) { i.set_f_float_floor_area(-3); }, {});
    row("area 12.5", [](pb_prj_t_info &i) { i.set_f_float_floor_area(12.5f); },
        { "建筑面积 : 12.50万平米" });
    row("area 3", [](pb_prj_t_info &i) { i.set_f_float_floor_area(3); },
        { "建筑面积 : 3.00万平米" });
    row("area rounds to two decimals", [](pb_prj_t_info &i) { i.set_f_float_floor_area(0.125f); },
        { "建筑面积 : 0.13万平米" });
    row("begin and end",
        [](pb_prj_t_info &i) {
            i.set_f_prj_begin(kMarch1st2021);
            i.set_f_prj_end(kDec31st2022);
        },
        { "项目工期 : 2021-03-01 - 2022-12-31" });
    row("begin only", [](pb_prj_t_info &i) { i.set_f_prj_begin(kMarch1st2021); },
        { "开始时间 : 2021-03-01" });
    row("begin, end negative",
        [](pb_prj_t_info &i) {
            i.set_f_prj_begin(kMarch1st2021);
            i.set_f_prj_end(-5);
        },
        { "开始时间 : 2021-03-01" });
    row("end only", [](pb_prj_t_info &i) { i.set_f_prj_end(kDec31st2022); },
        { "结束时间 : 2022-12-31" });
    row("end, begin negative",
        [](pb_prj_t_info &i) {
            i.set_f_prj_begin(-86400);
            i.set_f_prj_end(kDec31st2022);
        },
        { "结束时间 : 2022-12-31" });
    row("both zero",
        [](pb_prj_t_info &i) {
            i.set_f_prj_begin(0);
            i.set_f_prj_end(0);
        },
        {});
    row("units in order",
        [](pb_prj_t_info &i) {
            i.set_f_fenbao_danwei("分包甲");
            i.set_f_jianli_danwei("监理乙");
            i.set_f_shigong_danwei("施工丙");
            i.set_f_jianzhu_danwei("建设丁");
        },
        { "建设单位 : 建设丁", "施工单位 : 施工丙", "监理单位 : 监理乙", "分包单位 : 分包甲" });
    row("empty units skipped",
        [](pb_prj_t_info &i) {
            i.set_f_jianzhu_danwei("");
            i.set_f_shigong_danwei("施工丙");
            i.set_f_jianli_danwei("");
        },
        { "施工单位 : 施工丙" });
    row("everything",
        [](pb_prj_t_info &i) {
            i.set_f_jianli_danwei("监理乙");
            i.set_f_prj_end(kDec31st2022);
            i.set_f_float_floor_area(8.25f);
            i.set_f_prj_address("南山区");
            i.set_f_prj_type(2);
            i.set_f_prj_name("锦绣花园");
            i.set_f_prj_begin(kMarch1st2021);
        },
        { "项目名称 : 锦绣花园", "项目类型 : 市政工程", "  所在地 : 南山区",
            "建筑面积 : 8.25万平米", "项目工期 : 2021-03-01 - 2022-12-31", "监理单位 : 监理乙" });
    row("markup escaped",
        [](pb_prj_t_info &i) {
            i.set_f_prj_name("<b>&");
            i.set_f_city("</p><script>x</script>");
            i.set_f_jianzhu_danwei("A&B \"Co\"");
        },
        { "项目名称 : &lt;b&gt;&amp;", "  所在地 : &lt;/p&gt;&lt;script&gt;x&lt;/script&gt;",
            "建设单位 : A&amp;B &quot;Co&quot;" });
}

void tst_DynMsgConverter::projectInformation()
{
    QFETCH(QByteArray, info);
    QFETCH(QStringList, lines);

    // The rows' dates are written for UTC; cleanup() restores the zone.
    qputenv("TZ", "UTC");
    tzset();

    pb_clt_t_user user;
    pb_im_t_msg_prj_record *prjRecord = addRecord(user, 2, "修改了项目信息");
    QVERIFY(prjRecord->mutable_f_prj_info()->ParseFromArray(info.constData(), info.size()));

    DynMsgConverter converter = makeConverter(false);
    const Records records = convert(converter, user);
    QCOMPARE(int(records.size()), 1);
    QCOMPARE(records.front()->kind, int(SDynData::KindProjectInfo));
    QCOMPARE(records.front()->text, QStringLiteral("修改了项目信息"));
    QString html;
    for (const QString &line : lines)
        html += paragraph(line);
    compareHash(records.front()->content,
        lines.isEmpty() ? QVariantHash() : QVariantHash { { "text", html } });
}

void tst_DynMsgConverter::projectLog_data()
{
    QTest::addColumn<QStringList>("entries"); // "time|content", "-" for a missing field
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("in order") << QStringList { "1600000000|创建了项目", "1600000100|修改了工期" }
                              << QStringList { "创建了项目", "修改了工期" };
    QTest::newRow("without content skipped")
        << QStringList { "1600000000|-", "1600000100|修改了工期" } << QStringList { "修改了工期" };
    QTest::newRow("without time skipped")
        << QStringList { "-|创建了项目", "1600000100|修改了工期" } << QStringList { "修改了工期" };
    QTest::newRow("empty content kept") << QStringList { "1600000000|" } << QStringList { "" };
    QTest::newRow("time 0 kept") << QStringList { "0|创建了项目" } << QStringList { "创建了项目" };
    QTest::newRow("nothing") << QStringList() << QStringList();
}

void tst_DynMsgConverter::projectLog()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, texts);

    pb_clt_t_user user;
    pb_prj_t_details *details = user.mutable_f_prj_details();
    QList<qint64> times;
    for (const QString &entry : entries) {
        const QStringList fields = entry.split(QLatin1Char('|'));
        pb_prj_t_log *log = details->add_f_prj_log();
        if (fields.at(0) != QLatin1String("-"))
            log->set_f_add_time(fields.at(0).toLongLong());
        if (fields.at(1) != QLatin1String("-"))
            log->set_f_log_content(utf8(fields.at(1)));
        if (fields.at(0) != QLatin1String("-") && fields.at(1) != QLatin1String("-"))
            times << fields.at(0).toLongLong();
    }

    for (bool groupFeed : { false, true }) {
        DynMsgConverter converter = makeConverter(groupFeed);
        const Records records = convert(converter, user);
        QStringList actual;
        for (const auto &record : records) {
            actual << record->text;
            QCOMPARE(record->kind, int(SDynData::KindText));
            QCOMPARE(record->seqId, -1);
            QCOMPARE(record->dateTime, QDateTime::fromSecsSinceEpoch(times.at(actual.size() - 1)));
            QVERIFY(record->userId.isEmpty());
            QVERIFY(record->userName.isEmpty());
            QVERIFY(record->userJob.isEmpty());
            QVERIFY(record->userHeader.isEmpty());
            QVERIFY(record->content.isEmpty());
            QVERIFY(record->extra.isEmpty());
        }
        QCOMPARE(actual, texts);
    }
}

void tst_DynMsgConverter::projectLogIgnoresSeenSet()
{
    DynMsgConverter converter = makeConverter(false);
    pb_clt_t_user items;
    addItem(items, 5, "发布了通知")->set_f_msg_seq_id(-1);
    QCOMPARE(int(convert(converter, items).size()), 1);

    pb_clt_t_user logs;
    pb_prj_t_log *log = logs.mutable_f_prj_details()->add_f_prj_log();
    log->set_f_log_content("创建了项目");
    log->set_f_add_time(1600000000);
    QCOMPARE(int(convert(converter, logs).size()), 1);
    QCOMPARE(int(convert(converter, logs).size()), 1);

    // Items win over the log when a message carries both.
    pb_clt_t_user both = logs;
    addItem(both, 5, "发布了通知");
    const Records records = convert(converter, both);
    QCOMPARE(int(records.size()), 1);
    QCOMPARE(records.front()->text, QStringLiteral("发布了通知"));
}

void tst_DynMsgConverter::weather_data()
{
    QTest::addColumn<quint64>("prjId");
    QTest::addColumn<QString>("prjName");
    QTest::addColumn<QStringList>("titles");

    QTest::newRow("own project") << kPrjIdValue << QStringLiteral("锦绣花园")
                                 << QStringList { "明日有雷阵雨", "注意防雷", "高温预警" };
    QTest::newRow("no name given")
        << kPrjIdValue << QString() << QStringList { "明日有雷阵雨", "注意防雷", "高温预警" };
    QTest::newRow("other project")
        << kOtherPrjIdValue << QStringLiteral("锦绣花园") << QStringList();
}

void tst_DynMsgConverter::weather()
{
    QFETCH(quint64, prjId);
    QFETCH(QString, prjName);
    QFETCH(QStringList, titles);

    pb_prj_t_prj_weather weather;
    weather.set_f_prj_id(prjId);
    pb_prj_t_weather_details *day1 = weather.add_f_weather_info();
    day1->set_f_weather_info("雷阵雨 22~28℃");
    day1->set_f_weather_type(4);
    day1->set_f_date("2021-06-01");
    pb_prj_t_reminder *reminder = day1->add_f_reminders();
    reminder->set_f_reminder_title("明日有雷阵雨");
    reminder->set_f_reminder_type(1);
    reminder = day1->add_f_reminders();
    reminder->set_f_reminder_title("注意防雷");
    reminder->set_f_reminder_type(2);
    weather.add_f_weather_info()->set_f_date("2021-06-02"); // a day without reminders
    pb_prj_t_weather_details *day3 = weather.add_f_weather_info();
    day3->set_f_weather_info("晴 30~37℃");
    day3->set_f_weather_type(1);
    day3->set_f_date("2021-06-03");
    reminder = day3->add_f_reminders();
    reminder->set_f_reminder_title("高温预警");
    reminder->set_f_reminder_type(3);

    const QList<QVariantHash> contents {
        { { "f_prj_name", prjName }, { "f_weather_info", QStringLiteral("雷阵雨 22~28℃") },
            { "f_weather_type", 4 }, { "f_date", QStringLiteral("2021-06-01") },
            { "f_reminder_title", QStringLiteral("明日有雷阵雨") }, { "f_reminder_type", 1 } },
        { { "f_prj_name", prjName }, { "f_weather_info", QStringLiteral("雷阵雨 22~28℃") },
            { "f_weather_type", 4 }, { "f_date", QStringLiteral("2021-06-01") },
            { "f_reminder_title", QStringLiteral("注意防雷") }, { "f_reminder_type", 2 } },
        { { "f_prj_name", prjName }, { "f_weather_info", QStringLiteral("晴 30~37℃") },
            { "f_weather_type", 1 }, { "f_date", QStringLiteral("2021-06-03") },
            { "f_reminder_title", QStringLiteral("高温预警") }, { "f_reminder_type", 3 } },
    };

    for (bool groupFeed : { false, true }) {
        DynMsgConverter converter = makeConverter(groupFeed);
        Records records;
        for (SDynData *record : converter.convertWeather(weather, prjName))
            records.emplace_back(record);
        QStringList actual;
        for (const auto &record : records) {
            actual << record->text;
            QCOMPARE(record->kind, int(SDynData::KindWeather));
            QCOMPARE(record->userName, QStringLiteral("Secretary"));
            QCOMPARE(record->userHeader, kSecretaryHeader);
            QVERIFY(record->userId.isEmpty());
            QVERIFY(record->userJob.isEmpty());
            QVERIFY(!record->dateTime.isValid());
            QCOMPARE(record->seqId, -1);
            compareHash(record->content, contents.at(actual.size() - 1));
            if (QTest::currentTestFailed())
                return;
        }
        QCOMPARE(actual, titles);
    }
}

void tst_DynMsgConverter::emptyResults_data()
{
    QTest::addColumn<QString>("message");

    QTest::newRow("no message") << "null";
    QTest::newRow("empty message") << "empty";
    QTest::newRow("task details only") << "task details";
    QTest::newRow("weather only") << "weather";
    QTest::newRow("no items") << "no items";
    QTest::newRow("empty log") << "empty log";
    QTest::newRow("item of type 5 then nothing") << "item without fields";
}

void tst_DynMsgConverter::emptyResults()
{
    QFETCH(QString, message);

    pb_clt_t_user user;
    if (message == QLatin1String("task details")) {
        user.mutable_f_task_details()->set_f_task_id(4711);
        user.mutable_f_task_details()->set_f_prj_id(kPrjIdValue);
    } else if (message == QLatin1String("weather")) {
        user.mutable_f_prj_weather()->set_f_prj_id(kPrjIdValue);
        user.mutable_f_prj_weather()->add_f_weather_info()->add_f_reminders()->set_f_reminder_title(
            "高温预警");
    } else if (message == QLatin1String("no items")) {
        user.mutable_f_im_msg();
        user.mutable_f_prj_details()->add_f_prj_log()->set_f_log_content("创建了项目");
        user.mutable_f_prj_details()->mutable_f_prj_log(0)->set_f_add_time(1);
    } else if (message == QLatin1String("empty log")) {
        user.mutable_f_prj_details();
    } else if (message == QLatin1String("item without fields")) {
        user.mutable_f_im_msg()->add_f_msg();
    }

    for (bool groupFeed : { false, true }) {
        DynMsgConverter converter = makeConverter(groupFeed);
        MessageContext context;
        context.groupId = kPrjId;
        context.user = message == QLatin1String("null") ? nullptr : &user;
        const QList<SDynData *> records = converter.convert(context);
        QCOMPARE(records.size(), 0);
    }
}

void tst_DynMsgConverter::hostileStrings_data()
{
    QTest::addColumn<QByteArray>("raw");

    QTest::newRow("markup") << QByteArray("<img src=x onerror=alert(1)><b>粗</b>&amp;");
    QTest::newRow("path") << QByteArray("../../x");
    QTest::newRow("windows path") << QByteArray("..\\..\\Windows\\system32");
    QTest::newRow("100k characters") << QByteArray(100000, 'w');
    QTest::newRow("100k chinese characters") << QString(100000, QChar(0x697c)).toUtf8();
    QTest::newRow("invalid utf-8") << QByteArray("\xff\xfe\xc3(\xe6\x96 \xed\xa0\x80 end");
    QTest::newRow("embedded nul") << QByteArray("before\0after", 12);
    QTest::newRow("format placeholders") << QByteArray("%1 %2 %n %s");
}

void tst_DynMsgConverter::hostileStrings()
{
    QFETCH(QByteArray, raw);
    const std::string value(raw.constData(), size_t(raw.size()));
    const QString expected = QString::fromUtf8(raw.constData(), raw.size());
    QVERIFY(!expected.isEmpty());

    pb_clt_t_user user;
    addItem(user, 5, value)->set_f_sender_name("");
    addItem(user, 5, "hello")->set_f_sender_name(value);
    pb_im_t_msg_item *attachments = addItem(user, 9, value);
    setAttachment(attachments->add_f_attch(), value, 1, value, value);
    pb_im_t_msg_task *task = fillTask(addItem(user, 6, value)->mutable_f_msg_task());
    task->set_f_task_desc(value);
    task->set_f_position(value);
    task->set_f_assign_desc(value);
    pb_prj_t_task_report *report = fillReport(fillTask(addItem(user, 7, "")->mutable_f_msg_task()));
    report->set_f_title(value);
    report->set_f_content(value);
    report->mutable_f_sponsor()->set_f_name(value);
    report->add_f_attach_list()->mutable_f_baseinfo()->set_f_attach_name(value);
    addRecord(user, 2, value)->mutable_f_prj_info()->set_f_prj_name(value);
    addRecord(user, 1, "邀请了" + value + "、B、C、D加入项目");
    for (int i = 0; i < user.f_im_msg().f_msg_size(); ++i)
        user.mutable_f_im_msg()->mutable_f_msg(i)->set_f_msg_seq_id(i);

    pb_clt_t_user logs;
    pb_prj_t_log *log = logs.mutable_f_prj_details()->add_f_prj_log();
    log->set_f_log_content(value);
    log->set_f_add_time(1600000000);

    pb_prj_t_prj_weather weather;
    weather.set_f_prj_id(kPrjIdValue);
    pb_prj_t_weather_details *day = weather.add_f_weather_info();
    day->set_f_weather_info(value);
    day->set_f_date(value);
    day->add_f_reminders()->set_f_reminder_title(value);

    DynMsgConverter converter = makeConverter(false);
    const Records records = convert(converter, user);
    QCOMPARE(int(records.size()), 7);

    QCOMPARE(records.at(0)->text, expected);
    QCOMPARE(records.at(1)->userName, expected);
    QCOMPARE(records.at(1)->text, QStringLiteral("hello"));
    const SDynData &attachment = *records.at(2);
    QCOMPARE(attachment.kind, int(SDynData::KindAttachment));
    QCOMPARE(attachment.content.value("f_attach_name").toString(), expected);
    QCOMPARE(attachment.content.value("f_attach_url").toString(), expected);
    QCOMPARE(attachment.content.value("f_attach_id").toString(), expected);
    const SDynData &taskRecord = *records.at(3);
    QCOMPARE(taskRecord.text, expected);
    QCOMPARE(taskRecord.content.value("desc").toString(), expected);
    QCOMPARE(taskRecord.content.value("location").toString(), expected);
    QCOMPARE(taskRecord.content.value("people").toString(), expected);
    const SDynData &reportRecord = *records.at(4);
    QCOMPARE(reportRecord.content.value("title").toString(), expected);
    QCOMPARE(reportRecord.content.value("content").toString(), expected);
    QCOMPARE(reportRecord.content.value("attach_list").toStringList(), QStringList { expected });
    QCOMPARE(reportRecord.extra.value("sponsor_name").toString(), expected);
    QCOMPARE(reportRecord.text, expected + QStringLiteral("回复李四"));
    QCOMPARE(records.at(5)->content.value("text").toString(),
        paragraph(QStringLiteral("项目名称 : ") + expected.toHtmlEscaped()));
    QCOMPARE(records.at(6)->content.value("text").toString(),
        QStringLiteral("新加入成员： ") + expected + QStringLiteral("、B、C、D"));

    const Records logRecords = convert(converter, logs);
    QCOMPARE(int(logRecords.size()), 1);
    QCOMPARE(logRecords.front()->text, expected);

    const QList<SDynData *> weatherRecords = converter.convertWeather(weather, expected);
    const Records weatherOwner(weatherRecords.cbegin(), weatherRecords.cend());
    QCOMPARE(weatherRecords.size(), 1);
    QCOMPARE(weatherRecords.front()->text, expected);
    QCOMPARE(weatherRecords.front()->content.value("f_weather_info").toString(), expected);
    QCOMPARE(weatherRecords.front()->content.value("f_date").toString(), expected);
    QCOMPARE(weatherRecords.front()->content.value("f_prj_name").toString(), expected);
}

/// Converts one message whose times are all `secs` and compares every time the records carry
/// with Qt's own local time of that instant.
void tst_DynMsgConverter::checkTimes(qint64 secs)
{
    const QDateTime reference = QDateTime::fromSecsSinceEpoch(secs);
    const QString wallClock = reference.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));

    pb_clt_t_user user;
    addItem(user, 5, "发布了通知")->set_f_send_time(secs);
    pb_im_t_msg_item *taskItem = addItem(user, 6, "布置了任务");
    taskItem->set_f_send_time(secs);
    fillTask(taskItem->mutable_f_msg_task())->set_f_task_end(secs);
    pb_im_t_msg_item *report = addItem(user, 7, "回复了任务");
    report->set_f_send_time(secs);
    fillReport(fillTask(report->mutable_f_msg_task()));
    pb_im_t_msg_prj_record *info = addRecord(user, 2, "修改了项目信息");
    user.mutable_f_im_msg()->mutable_f_msg(3)->set_f_send_time(secs);
    info->mutable_f_prj_info()->set_f_prj_begin(secs);

    pb_clt_t_user logs;
    pb_prj_t_log *log = logs.mutable_f_prj_details()->add_f_prj_log();
    log->set_f_log_content("创建了项目");
    log->set_f_add_time(secs);

    for (bool groupFeed : { false, true }) {
        DynMsgConverter converter = makeConverter(groupFeed);
        Records records = convert(converter, user);
        Records logRecords = convert(converter, logs);
        QCOMPARE(int(records.size()), 4);
        QCOMPARE(int(logRecords.size()), 1);
        records.push_back(std::move(logRecords.front()));
        for (const auto &record : records) {
            QCOMPARE(record->dateTime, reference);
            QCOMPARE(record->dateTime.toSecsSinceEpoch(), secs);
            QCOMPARE(record->dateTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), wallClock);
            QCOMPARE(record->dateTime.toString(QStringLiteral("yyyy-MM-dd hh:mm")),
                reference.toString(QStringLiteral("yyyy-MM-dd hh:mm")));
        }
        QCOMPARE(records.at(1)->content.value("time").toString(),
            QObject::tr("End Time") + reference.toString(QStringLiteral("yyyy-MM-dd hh:mm")));
        const QString infoText = records.at(3)->content.value("text").toString();
        if (secs >= 1) {
            QCOMPARE(infoText,
                paragraph(QStringLiteral("开始时间 : ")
                    + reference.date().toString(QStringLiteral("yyyy-MM-dd"))));
        } else {
            QVERIFY(infoText.isEmpty());
        }
    }
}

void tst_DynMsgConverter::localTime_data()
{
    QTest::addColumn<qint64>("secs");

    QTest::newRow("epoch") << qint64(0);
    QTest::newRow("one second") << qint64(1);
    QTest::newRow("2021") << kSendTime;
    QTest::newRow("last 32-bit second") << qint64(2147483647);
    QTest::newRow("2100") << qint64(4118126400);
    QTest::newRow("quarter hour minus one second") << qint64(1618899299);
}

void tst_DynMsgConverter::localTime()
{
    QFETCH(qint64, secs);
    checkTimes(secs);
}

void tst_DynMsgConverter::localTimeInZonesWithTransitions_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<qint64>("secs");

    const QByteArray berlin("Europe/Berlin");
    // Spring forward 2021-03-28 01:00 UTC: 02:00 CET becomes 03:00 CEST.
    QTest::newRow("Berlin, last second of winter time") << berlin << qint64(1616893199);
    QTest::newRow("Berlin, first second of summer time") << berlin << qint64(1616893200);
    QTest::newRow("Berlin, a second into summer time") << berlin << qint64(1616893201);
    QTest::newRow("Berlin, half an hour into summer time") << berlin << qint64(1616895000);
    // Fall back 2021-10-31 01:00 UTC: 02:30 happens twice.
    QTest::newRow("Berlin, first 02:30") << berlin << qint64(1635640200);
    QTest::newRow("Berlin, last second of summer time") << berlin << qint64(1635641999);
    QTest::newRow("Berlin, first second of winter time") << berlin << qint64(1635642000);
    QTest::newRow("Berlin, second 02:30") << berlin << qint64(1635643800);
    QTest::newRow("Berlin, summer 2100") << berlin << qint64(4118126400);
    QTest::newRow("Berlin, before the epoch") << berlin << qint64(-14182980);
    QTest::newRow("Berlin, one second before the epoch") << berlin << qint64(-1);
    QTest::newRow("Berlin, year 5")
        << berlin << QDateTime(QDate(5, 6, 1), QTime(12, 0), Qt::UTC).toSecsSinceEpoch();
    QTest::newRow("Berlin, 1 BC")
        << berlin << QDateTime(QDate(-1, 6, 1), QTime(12, 0), Qt::UTC).toSecsSinceEpoch();
    QTest::newRow("Shanghai, before the epoch") << QByteArray("Asia/Shanghai") << qint64(-14182980);
    // Offsets that are not whole hours.
    QTest::newRow("Kathmandu") << QByteArray("Asia/Kathmandu") << kSendTime;
    QTest::newRow("Lord Howe, end of summer time")
        << QByteArray("Australia/Lord_Howe") << qint64(1617462000);
    QTest::newRow("Lord Howe, just before")
        << QByteArray("Australia/Lord_Howe") << qint64(1617461999);
    // 1972-01-07 00:44:30 UTC: Monrovia left its -0:44:30 mean time, off any quarter hour.
    QTest::newRow("Monrovia, last second of mean time")
        << QByteArray("Africa/Monrovia") << qint64(63593069);
    QTest::newRow("Monrovia, first second of GMT")
        << QByteArray("Africa/Monrovia") << qint64(63593070);
    QTest::newRow("Monrovia, 20 s into GMT") << QByteArray("Africa/Monrovia") << qint64(63593090);
}

void tst_DynMsgConverter::localTimeInZonesWithTransitions()
{
    QFETCH(QByteArray, zone);
    QFETCH(qint64, secs);

    if (!QFileInfo::exists(QStringLiteral("/usr/share/zoneinfo/") + QString::fromLatin1(zone)))
        QSKIP("zone not installed");
    qputenv("TZ", zone);
    tzset();
    // The zone is in force: the row's instant sees the zone's own offset.
    QCOMPARE(QDateTime::fromSecsSinceEpoch(secs).offsetFromUtc(),
        QTimeZone(zone).offsetFromUtc(QDateTime::fromSecsSinceEpoch(secs, Qt::UTC)));
    checkTimes(secs);
}

void tst_DynMsgConverter::extremeTimes_data()
{
    QTest::addColumn<qint64>("secs");

    QTest::newRow("lowest") << std::numeric_limits<qint64>::min();
    QTest::newRow("highest") << std::numeric_limits<qint64>::max();
    QTest::newRow("milliseconds overflow") << std::numeric_limits<qint64>::max() / 1000 + 1;
    QTest::newRow("negative milliseconds overflow")
        << std::numeric_limits<qint64>::min() / 1000 - 1;
}

void tst_DynMsgConverter::extremeTimes()
{
    QFETCH(qint64, secs);

    pb_clt_t_user user;
    addItem(user, 5, "发布了通知")->set_f_send_time(secs);
    fillTask(addItem(user, 6, "布置了任务")->mutable_f_msg_task())->set_f_task_end(secs);
    pb_prj_t_info *info = addRecord(user, 2, "修改了项目信息")->mutable_f_prj_info();
    info->set_f_prj_begin(secs);
    info->set_f_prj_end(secs);

    DynMsgConverter converter = makeConverter(false);
    const Records records = convert(converter, user);
    QCOMPARE(int(records.size()), 3);
    // Beyond what a time can hold, the time stays at the nearest end rather than wrapping round
    // to 1970, so that such a record cannot pass for an old or a new one.
    const QDateTime time = records.at(0)->dateTime;
    QVERIFY(time.isValid());
    if (secs > 0)
        QVERIFY(time > QDateTime::fromSecsSinceEpoch(kSendTime).addYears(1000000));
    else
        QVERIFY(time < QDateTime::fromSecsSinceEpoch(0).addYears(-1000000));
    QCOMPARE(records.at(1)->content.value("time").toString(),
        QObject::tr("End Time") + time.toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    const QString day = time.toString(QStringLiteral("yyyy-MM-dd"));
    QCOMPARE(records.at(2)->content.value("text").toString(),
        secs > 0 ? paragraph(QStringLiteral("项目工期 : %1 - %1").arg(day)) : QString());
}

QTEST_GUILESS_MAIN(tst_DynMsgConverter)
#include "tst_DynMsgConverter.moc"
