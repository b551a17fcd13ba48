#include <QtTest>

#include <QTranslator>

#include <google/protobuf/text_format.h>

#include <ctime>
#include <memory>
#include <vector>

#include "DynKeys.h"
#include "MessageContext.h"
#include "common/TestEnvironment.h"
#include "common/TestMain.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "msl.pb.h"

namespace {

const bool kOwn = false; // bGroupFeed
const bool kGroup = true;

// Messages are written in protobuf's text format. A field given twice takes the later value;
// items given in several f_im_msg blocks are appended.
const QString kTask = "f_prj_id: 10086 f_task_id: 4711 f_task_desc: '浇筑楼板' f_task_type: 2 "
                      "f_position: '3号楼' f_assign_desc: '李四' f_task_end: 1672488000 ";
const QString kReport = "f_last_report { f_report_id: 880001 f_sponsor { f_uid: 1001 f_name: "
                        "'王工' } f_reply_to { f_uid: 1002 f_name: '李四' } f_title: '整改回复' "
                        "f_content: '已整改' f_content_type: 1 } ";

QString item(int type, const QString &fields = QString())
{
    return "f_im_msg { f_msg { f_msg_type: " + QString::number(type)
        + " f_msg_body: '张三发布' f_sender_id: 1001 f_sender_name: '张三' "
          "f_send_time: 1618900000 "
        + fields + "} } ";
}

QString task(const QString &fields = QString(), const char *field = "f_msg_task")
{
    return field + (" { " + kTask + fields + "} ");
}

QString record(int type, const QString &fields = QString(), const QString &itemFields = QString())
{
    return item(14,
        itemFields + "f_msg_prj_record { record_type: " + QString::number(type)
            + " sender { f_job_type: '项目经理' } " + fields + "} ");
}

template <typename Message> Message parse(const QString &text)
{
    Message message;
    if (!google::protobuf::TextFormat::MergeFromString(text.toStdString(), &message))
        qFatal("test message does not parse");
    return message;
}

using Records = std::vector<std::unique_ptr<SDynData>>;

DynMsgConverter makeConverter(bool groupFeed, const QString &prjId = QStringLiteral("10086"))
{
    DynMsgConverter converter(groupFeed);
    converter.setPrjId(prjId);
    converter.setUserId(QStringLiteral("777"));
    return converter;
}

Records convert(DynMsgConverter &converter, const pb_clt_t_user *user)
{
    MessageContext context;
    context.user = user;
    Records records;
    for (SDynData *record : converter.convert(context))
        records.emplace_back(record);
    return records;
}

QString html(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += "<p style = 'margin:10px'>" + line + "</p>";
    return text;
}

// A field of a record as text: a header field, "content.<key>", "extra.<key>", or "content" /
// "extra" for the sorted keys present. Avatars of the library's own images begin with "@".
QString field(const SDynData &r, const QString &name)
{
    if (name == QLatin1String("content") || name == QLatin1String("extra")) {
        QStringList keys = (name == QLatin1String("content") ? r.content : r.extra).keys();
        keys.sort();
        return keys.join(QLatin1Char(' '));
    }
    QVariant value;
    if (name.startsWith(QLatin1String("content.")))
        value = r.content.value(name.mid(8));
    else if (name.startsWith(QLatin1String("extra.")))
        value = r.extra.value(name.mid(6));
    else
        value = QVariantHash {
            { "kind", r.kind }, { "text", r.text }, { "seq", r.seqId }, { "userId", r.userId },
            { "userName", r.userName }, { "job", r.userJob },
            { "header", QString(r.userHeader).replace(":/icon/resources/images/", "@") },
            { "time", r.dateTime.isValid() ? QString::number(r.dateTime.toSecsSinceEpoch()) : "" }
        }.value(name);
    return value.type() == QVariant::StringList ? value.toStringList().join(QLatin1Char(','))
                                                : value.toString();
}

/// One "name=value|name=value" per record expected.
void compareRecords(const Records &records, const QStringList &expected)
{
    QCOMPARE(int(records.size()), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        for (const QString &pair : expected.at(i).split(QLatin1Char('|'))) {
            const QString name = pair.section(QLatin1Char('='), 0, 0);
            QCOMPARE(name + QLatin1Char('=') + field(*records.at(i), name), pair);
        }
    }
}

/// A task notification as the converter makes it for a feed that is not a group feed, without
/// the extra field named by without.
std::unique_ptr<SDynData> notification(
    int kind, int operateType, int taskId = 4711, const QString &without = QString())
{
    auto record = std::make_unique<SDynData>(kind);
    record->content.insert(DynKey::taskId, QString::number(taskId));
    record->extra = { { DynKey::operateType, operateType },
        { DynKey::receiverUids, QStringList { "7" } }, { DynKey::msgId, "90001" } };
    record->extra.remove(without);
    return record;
}

/// Translates the task's end time label, as a German catalogue would.
class GermanLabels : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *text, const char *, int) const override
    {
        const bool endTime = qstrcmp(context, "QObject") == 0 && qstrcmp(text, "End Time") == 0;
        return endTime ? QStringLiteral("Ende ") : QString();
    }
};

} // namespace

/// Conversion of push messages into feed records; the records' validity and task-notification
/// pairing.

class tst_DynMsgConverter : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScopedTimeZone> m_zone;

private slots:

    void init()
    {
        // The rows' dates are written for UTC.
        m_zone = std::make_unique<ScopedTimeZone>("UTC");
    }

    void cleanup() { m_zone.reset(); }

    void records_data()
    {
        QTest::addColumn<QString>("message"); // null: no message at all
        QTest::addColumn<bool>("groupFeed");
        QTest::addColumn<QString>("prjId");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char *name, bool groupFeed, const QString &message,
                             const QStringList &expected, const QString &prjId = "10086") {
            QTest::newRow(name) << message << groupFeed << prjId << expected;
        };

        // The header every item gives its records.
        row("plain, own feed", kOwn,
            item(5, "f_sender_id: 18446744073709551615 f_msg_id: 9007199254740993 f_msg_seq_id: 7"),
            { "kind=0|text=发布|userId=18446744073709551615|userName=张三|seq=7|extra=msgid|"
              "extra.msgid=9007199254740993|time=1618900000|job=其他|content=|header=@secretary."
              "png" });
        row("plain without ids, group feed", kGroup, "f_im_msg { f_msg { f_msg_type: 5 } }",
            { "seq=-1|extra=|userId=0|header=" });
        row("colon after the name kept", kOwn, item(5, "f_msg_body: '张三：明天停水'"),
            { "text=：明天停水" });
        row("name cut only at the front", kOwn, item(5, "f_msg_body: '通知张三开会'"),
            { "text=通知张三开会" });
        row("empty name cuts nothing", kOwn, item(5, "f_sender_name: ''"), { "text=张三发布" });
        row("unlisted job title", kOwn, record(0, "sender { f_job_type: '项目经理 ' }"),
            { "job=其他" });
        row("no message", kOwn, QString(), {});
        row("task details only", kGroup, "f_task_details { f_task_id: 4711 }", {});

        // Tasks, and the project filter of a feed that is not a group feed.
        const QString otherProject = item(7, task("f_prj_id: 10087"));
        row("task, own feed", kOwn, item(6, task()),
            { "kind=1|text=发布|content=desc location people taskid time type|content.taskid=4711|"
              "content.desc=浇筑楼板|content.type=问题项|content.location=3号楼|content.people="
              "李四|"
              "extra=aboutme taskid userid|extra.aboutme=true|extra.taskid=4711|extra.userid=777|"
              "content.time=End Time2022-12-31 12:00" });
        row("task of another project, own feed", kOwn, otherProject, {});
        row("task of another project, group feed", kGroup, otherProject, { "kind=1|extra=" });
        row("task, project id with a leading zero", kOwn, item(6, task()), {}, "010086");
        row("report of another project, own feed", kOwn, item(7, task(kReport + "f_prj_id: 10087")),
            {});
        row("project record task of another project, own feed", kOwn,
            record(5, task("f_prj_id: 10087", "f_task_info")), { "kind=1" });
        row("task with status 0 and a voice description", kOwn,
            item(6,
                task("f_task_status: 0 f_task_desc_type: 3 f_task_desc_playtime: 17 f_task_type: "
                     "7")),
            { "content.status=0|content.task_desc_play_time=17|content.type=" });
        row("task with a text description", kOwn, item(6, task("f_task_desc_playtime: 17")),
            { "content=desc location people taskid time type" });
        const QString notification = item(6,
            "f_msg_id: 5550001 "
                + task("f_operate_type: 3 f_receiver_uin: [30, 1, 200] "
                       "f_operate_uin: [18446744073709551615, 0] f_operate_status: 1"));
        row("task notification, own feed", kOwn, notification,
            { "extra.msgid=5550001|extra.operate_type=3|extra.receiver_uids=30,1,200|"
              "extra.operate_uids=18446744073709551615,0|extra.operator_status=1" });
        row("task notification, group feed", kGroup, notification, { "extra=msgid" });
        row("task notification with zero codes, no receivers", kOwn,
            item(6, task("f_operate_type: 0 f_operate_status: 0 f_operate_uin: 9")),
            { "extra=aboutme operate_type operate_uids operator_status taskid userid|"
              "extra.operate_type=0|extra.operator_status=0" });

        // Task reports; a task's notification fields stay off its reports.
        const QString answered = "f_msg_body: '张三：已整改' ";
        const QString report = item(7,
            answered
                + task("f_task_desc_type: 3 f_task_desc_playtime: 9 f_operate_type: 1 " + kReport
                    + "f_last_report { f_playtime: 0 f_attach_list { f_baseinfo { f_attach_name: "
                      "'p.jpg' f_attach_url: 'http://f/p' f_attach_type: 2 } } f_attach_list {} "
                      "f_attach_list { f_baseinfo { f_attach_name: 'd.doc' } } }"));
        row("report, own feed", kOwn, report,
            { "kind=2|text=王工回复李四|header=@secretary.png|content=attach_list content "
              "content_type report_play_time task_desc task_desc_play_time taskid title|"
              "content.taskid=4711|content.task_desc=浇筑楼板|content.task_desc_play_time=9|"
              "content.title=整改回复|content.content=已整改|content.content_type=1|"
              "content.report_play_time=0|content.attach_list=http://f/p,,d.doc|"
              "extra=replyto_id replyto_name reportid sponsor_id "
              "sponsor_name|extra.reportid=880001|"
              "extra.sponsor_id=1001|extra.sponsor_name=王工|extra.replyto_id=1002|"
              "extra.replyto_name=李四" });
        row("report, group feed", kGroup, report, { "text=回复李四|header=" });
        row("report without sponsor or reply-to", kOwn,
            item(7, answered + task("f_last_report {}")),
            { "text=：已整改|extra=reportid|extra.reportid=0|"
              "content=content content_type task_desc taskid title" });

        // Attachments of an item.
        const QString twoFiles
            = "f_msg_seq_id: 300 f_msg_id: 123 f_attch { f_attach_name: 'a.pdf' "
              "f_attach_size: 2048 f_attach_url: 'http://f/a' f_attach_id: 'cf-a' "
              "} f_attch { f_attach_name: 'b.pdf' } ";
        row("type 6 without task, two files", kOwn, item(6, twoFiles),
            { "kind=5|seq=300|extra.msgid=123|text=发布|content.f_attach_name=a.pdf|"
              "content.f_attach_size=2048|content.f_attach_url=http://f/a|content.f_attach_id=cf-a|"
              "header=@secretary.png",
                "kind=5|seq=300|extra.msgid=123|content.f_attach_name=b.pdf" });
        row("unknown type without files", kOwn, item(99), {});
        row("task with files", kOwn, item(6, twoFiles + task()), { "kind=1" });
        row("plain with files", kOwn, item(5, twoFiles), { "kind=0" });

        // Project records.
        const QString taskInfo = task(QString(), "f_task_info");
        const QString reportInfo = task(kReport, "f_task_info");
        const QString files = "f_files { f_baseinfo { f_attach_name: 'a.pdf' } } "
                              "f_files { f_baseinfo { f_attach_name: 'b.pdf' } } ";
        const QString plain = "kind=0|text=发布|job=项目经理";
        const QString withTask = "kind=1|text=发布|job=项目经理";
        row("project records 0 and 3", kOwn, record(0, taskInfo) + record(3), { plain, plain });
        row("project records 4, 5, 6, 10 with task", kOwn,
            record(4, reportInfo) + record(5, taskInfo) + record(6, taskInfo)
                + record(10, taskInfo),
            { withTask, withTask, withTask, withTask });
        row("project records 4, 5, 6, 10 without task", kOwn,
            record(4, files) + record(5) + record(6) + record(10), {});
        row("project record 11 with report", kOwn, record(11, reportInfo),
            { "kind=2|text=王工回复李四" });
        row("project record 11 without report", kOwn, record(11, taskInfo), {});
        row("project records 7 and 8 with files", kOwn, record(7, files) + record(8, files),
            { "kind=5|content.f_attach_name=a.pdf|extra=upload|extra.upload=true",
                "kind=5|content.f_attach_name=a.pdf|extra=" });
        row("project records 7 and 8 without files", kOwn, record(7, taskInfo) + record(8), {});
        row("unknown project records", kOwn, record(12, reportInfo + files) + record(-1, files),
            {});

        // Invitations and joined members.
        const auto invitation = [](const QString &body) {
            return record(1, QString(), "f_msg_body: '" + body + "' ");
        };
        row("invitation of four", kGroup, invitation("张三邀请了A、B、C、D加入项目"),
            { "text=邀请了A、B、C等4人加入项目|content.text=新加入成员： A、B、C、D|"
              "header=@new_member.png" });
        row("invitation of three", kOwn, invitation("邀请了A、B、C加入项目"),
            { "text=邀请了A、B、C加入项目|content=|header=@new_member.png" });
        row("invitation with an empty name", kOwn, invitation("邀请了A、、B、C加入项目"),
            { "text=邀请了A、、B等4人加入项目" });
        row("invitation of names like placeholders", kOwn,
            invitation("邀请了%1、%2、%3、%4加入项目"), { "text=邀请了%1、%2、%3等4人加入项目" });
        row("invitation without its ending", kOwn, invitation("邀请了A、B、C、D加入"),
            { "text=邀请了A、B、C、D加入|content=" });
        const QString joined = "f_msg_body: '赵六加入了项目' ";
        const QString zhao = "receivers { f_uid: 2002 f_name: '赵六' f_job_type: '技术员' } ";
        const QString qian = "receivers { f_uid: 2003 f_name: '钱七' f_job_type: '安全员' } ";
        const QString unchanged = "userId=1001|userName=张三|job=项目经理|text=赵六加入了项目";
        row("member joined", kOwn, record(9, zhao, joined),
            { "userId=2002|userName=赵六|job=技术员|text=加入了项目|header=@secretary.png" });
        row("member joined with an unlisted job", kOwn,
            record(9, "receivers { f_name: '赵六' f_job_type: '监理' }", joined), { "job=其他" });
        row("member joined, two receivers", kOwn, record(9, zhao + qian, joined), { unchanged });
        row("member joined, receiver not named first", kOwn, record(9, qian, joined),
            { unchanged });
        row("member joined without sender", kOwn,
            item(14, joined + "f_msg_prj_record { record_type: 9 " + zhao + "}"),
            { "userId=1001|job=其他|text=赵六加入了项目" });

        // Project information.
        const auto info
            = [](const QString &fields) { return record(2, "f_prj_info { " + fields + "} "); };
        row("information, empty fields", kOwn,
            info("f_prj_name: '' f_prj_type: 9 f_province: '' f_float_floor_area: 0 f_prj_begin: 0 "
                 "f_prj_end: 0 f_jianli_danwei: ''"),
            { "kind=3|content=" });
        row("information in order", kOwn,
            info("f_prj_name: '锦绣花园' f_prj_type: 2 f_province: '广东省' f_city: '' "
                 "f_prj_address: '南山区' f_float_floor_area: 12.5 f_prj_begin: 1614600000 "
                 "f_prj_end: 1672488000 f_jianzhu_danwei: '建设丁' f_jianli_danwei: '' "
                 "f_fenbao_danwei: '分包甲'"),
            { "content.text="
                + html({ "项目名称 : 锦绣花园", "项目类型 : 市政工程", "  所在地 : 广东省 南山区",
                    "建筑面积 : 12.50万平米", "项目工期 : 2021-03-01 - 2022-12-31",
                    "建设单位 : 建设丁", "分包单位 : 分包甲" }) });
        row("information, begin only", kOwn, info("f_prj_begin: 1614600000 f_prj_end: -5"),
            { "content.text=" + html({ "开始时间 : 2021-03-01" }) });
        row("information, end only", kOwn, info("f_prj_end: 1672488000"),
            { "content.text=" + html({ "结束时间 : 2022-12-31" }) });
        row("information with markup", kOwn, info("f_prj_name: '<b>&' f_city: '</p><script>'"),
            { "content.text="
                + html({ "项目名称 : &lt;b&gt;&amp;", "  所在地 : &lt;/p&gt;&lt;script&gt;" }) });

        // The project log.
        const QString log
            = "f_prj_details { f_prj_log { f_add_time: 1600000000 f_log_content: 'a' } ";
        row("project log", kOwn,
            log
                + "f_prj_log { f_add_time: 1600000050 } f_prj_log { f_log_content: 'b' } "
                  "f_prj_log { f_add_time: 1600000100 f_log_content: '' } }",
            { "kind=0|text=a|time=1600000000|seq=-1|userId=|job=|header=|content=|extra=",
                "text=|time=1600000100" });
        row("items win over the log", kOwn, log + "} " + item(5), { "text=发布" });
        row("no items and a log", kOwn, log + "} f_im_msg {}", {});

        // Hostile strings reach the records as received.
        const auto hostile = [&](const char *name, const QString &escaped, const QString &text) {
            const QString value = "'" + escaped + "'";
            row(name, kOwn,
                item(5, "f_sender_name: '' f_msg_body: " + value)
                    + item(9, "f_attch { f_attach_name: " + value + " }")
                    + item(6, task("f_task_desc: " + value))
                    + record(1, QString(), "f_msg_body: '邀请了" + escaped + "、B、C、D加入项目'"),
                { "text=" + text, "content.f_attach_name=" + text, "content.desc=" + text,
                    "content.text=新加入成员： " + text + "、B、C、D" });
        };
        hostile("markup", "<img src=x onerror=alert(1)>&amp;", "<img src=x onerror=alert(1)>&amp;");
        hostile("invalid UTF-8", R"(\377\376\303( \355\240\200 end)",
            QString::fromUtf8("\xff\xfe\xc3( \xed\xa0\x80 end"));
        hostile("embedded nul", R"(a\000b)", QString::fromUtf8("a\0b", 3));
        hostile("100k characters", QString(100000, QChar(0x697c)), QString(100000, QChar(0x697c)));
    }

    void records()
    {
        QFETCH(QString, message);
        QFETCH(bool, groupFeed);
        QFETCH(QString, prjId);
        QFETCH(QStringList, expected);

        const auto user = parse<pb_clt_t_user>(message);
        DynMsgConverter converter = makeConverter(groupFeed, prjId);
        compareRecords(convert(converter, message.isNull() ? nullptr : &user), expected);
    }

    void rawText_data()
    {
        // Bodies and names as raw bytes: text fields read exactly as Qt decodes the UTF-8, bad
        // bytes included; the name is cut off the front character for character.
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("text"); // null: the body as decoded

        const auto row = [](const char *name, const QByteArray &body, const QByteArray &sender = {},
                             const QString &text = QString()) {
            QTest::newRow(name) << body << sender << text;
        };
        row("four-byte characters", "进度 \xf0\x9f\x9a\xa7 \xf0\xa0\x80\x80");
        row("empty", QByteArray());
        row("leading byte order mark", "\xef\xbb\xbf张三");
        row("same first bytes, another character", "张丰说", "张三", "张丰说");
        row("bad bytes after the name", "张三\xff说", "张三", QString::fromUtf8("\xef\xbf\xbd说"));
        row("byte order mark before the body", "\xef\xbb\xbf张三说", "张三", "说");
        row("name ends inside a character", "张三说", "张\xe4\xb8", "张三说");
        row("body is the name", "Li Na", "Li Na", "");
    }

    void rawText()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, name);
        QFETCH(QString, text);
        const QString decoded = QString::fromUtf8(body.constData(), body.size());
        auto user = parse<pb_clt_t_user>(item(5) + item(6, task()));
        user.mutable_f_im_msg()->mutable_f_msg(0)->set_f_msg_body(body.toStdString());
        user.mutable_f_im_msg()->mutable_f_msg(0)->set_f_sender_name(name.toStdString());
        user.mutable_f_im_msg()->mutable_f_msg(1)->set_f_sender_name(body.toStdString());
        for (bool groupFeed : { kOwn, kGroup }) {
            DynMsgConverter converter = makeConverter(groupFeed);
            const Records records = convert(converter, &user);
            QCOMPARE(int(records.size()), 2);
            QCOMPARE(records.at(0)->text, text.isNull() ? decoded : text);
            QCOMPARE(records.at(0)->text.isNull(), text.isNull() && decoded.isNull());
            QCOMPARE(records.at(1)->userName, decoded);
        }
    }

    void endTimeFollowsTranslators()
    {
        const auto user = parse<pb_clt_t_user>(item(6, task()));
        DynMsgConverter converter = makeConverter(kOwn);
        const auto endTime
            = [&] { return field(*convert(converter, &user).at(0), "content.time"); };
        QCOMPARE(endTime(), QStringLiteral("End Time2022-12-31 12:00"));
        GermanLabels german;
        QVERIFY(QCoreApplication::installTranslator(&german));
        QCOMPARE(endTime(), QStringLiteral("Ende 2022-12-31 12:00"));
        QVERIFY(QCoreApplication::removeTranslator(&german));
        QCOMPARE(endTime(), QStringLiteral("End Time2022-12-31 12:00"));
    }

    void seenSequenceNumbers_data()
    {
        // Each step converts one message of items with the listed sequence numbers ("n": none, "x":
        // an item that yields no record), or resets. Results: the records' numbers per message.
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("results");

        QTest::newRow("repeat") << QStringList { "1 2", "1 2" } << QStringList { "1 2", "" };
        QTest::newRow("overlap") << QStringList { "1 2", "2 3" } << QStringList { "1 2", "3" };
        QTest::newRow("twice in one message") << QStringList { "5 5 6" } << QStringList { "5 6" };
        QTest::newRow("reset") << QStringList { "1 2", "reset", "1 2" }
                               << QStringList { "1 2", "1 2" };
        QTest::newRow("none") << QStringList { "n n", "n" } << QStringList { "-1 -1", "-1" };
        QTest::newRow("-1 is a number") << QStringList { "-1", "-1" } << QStringList { "-1", "" };
        QTest::newRow("item yielding nothing")
            << QStringList { "x40", "40 41" } << QStringList { "", "41" };
    }

    void seenSequenceNumbers()
    {
        QFETCH(QStringList, steps);

        DynMsgConverter converter = makeConverter(kOwn);
        QStringList actual;
        for (const QString &step : steps) {
            if (step == QLatin1String("reset")) {
                converter.reset();
                continue;
            }
            QString text;
            for (QString token : step.split(QLatin1Char(' '))) {
                const int type = token.startsWith(QLatin1Char('x')) ? 99 : 5;
                text += item(type, token == "n" ? QString() : "f_msg_seq_id: " + token.remove('x'));
            }
            const auto user = parse<pb_clt_t_user>(text);
            QStringList seqIds;
            for (const auto &record : convert(converter, &user))
                seqIds << QString::number(record->seqId);
            actual << seqIds.join(QLatin1Char(' '));
        }
        QTEST(actual, "results");
    }

    void localTime_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<qint64>("secs");

        const auto row = [](const char *name, const char *zone, qint64 secs) {
            QTest::newRow(name) << QByteArray(zone) << secs;
        };
        row("UTC, epoch", "UTC", 0);
        // Summer time began at 01:00 UTC.
        row("Berlin, first second of summer time", "Europe/Berlin", 1616893200);
        // Monrovia left its -0:44:30 mean time at 1972-01-07 00:44:30 UTC, off any quarter hour.
        row("Monrovia, last second of mean time", "Africa/Monrovia", 63593069);
        row("lowest", "UTC", std::numeric_limits<qint64>::min());
        row("highest", "UTC", std::numeric_limits<qint64>::max());
        row("first to overflow milliseconds", "UTC", std::numeric_limits<qint64>::max() / 1000 + 1);
    }

    void localTime()
    {
        QFETCH(QByteArray, zone);
        QFETCH(qint64, secs);

        if (!QFileInfo::exists(QStringLiteral("/usr/share/zoneinfo/") + QString::fromLatin1(zone)))
            QSKIP("zone not installed");
        m_zone.reset(); // back to the process's zone before the row's own
        m_zone = std::make_unique<ScopedTimeZone>(zone);

        const QString time = QString::number(secs);
        const auto user = parse<pb_clt_t_user>(item(5, "f_send_time: " + time)
            + item(6, task("f_task_end: " + time))
            + record(2, "f_prj_info { f_prj_begin: " + time + " f_prj_end: " + time + " }"));
        DynMsgConverter converter = makeConverter(kOwn);
        const Records records = convert(converter, &user);
        QCOMPARE(int(records.size()), 3);
        QDateTime expected = QDateTime::fromSecsSinceEpoch(secs);
        if (secs > 1000000000000000 || secs < -1000000000000000) {
            // Held at the nearest end rather than wrapped round to 1970.
            expected = records.at(0)->dateTime;
            QVERIFY(
                secs > 0 ? expected.date().year() > 1000000 : expected.date().year() < -1000000);
        } else {
            QCOMPARE(expected.offsetFromUtc(), QTimeZone(zone).offsetFromUtc(expected));
            QCOMPARE(records.at(0)->dateTime, expected);
        }
        const QString wallClock = QStringLiteral("yyyy-MM-dd hh:mm:ss");
        QCOMPARE(records.at(0)->dateTime.toString(wallClock), expected.toString(wallClock));
        QCOMPARE(records.at(1)->content.value("time").toString(),
            "End Time" + expected.toString("yyyy-MM-dd hh:mm"));
        const QString day = expected.toString("yyyy-MM-dd");
        QCOMPARE(records.at(2)->content.value("text").toString(),
            secs < 1 ? QString() : html({ "项目工期 : " + day + " - " + day }));
    }

    void isValid_data()
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

    void isValid()
    {
        QFETCH(int, kind);
        QFETCH(QString, text);

        SDynData record(kind);
        record.text = text;
        QTEST(::isValid(&record), "valid");
        QVERIFY(!::isValid(nullptr));
    }

    void taskNotifications_data()
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

    void taskNotifications()
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
};

DYNFEED_TEST_GUILESS_MAIN(tst_DynMsgConverter)
#include "tst_DynMsgConverter.moc"
