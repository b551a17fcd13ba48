#include <QtTest>

#include <memory>
#include <string>
#include <vector>

#include "MessageContext.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "msl.pb.h"

namespace {

using Records = std::vector<std::unique_ptr<SDynData>>;

std::string bytes(const QByteArray &raw)
{
    return std::string(raw.constData(), size_t(raw.size()));
}

QString decoded(const QByteArray &raw)
{
    return QString::fromUtf8(raw.constData(), raw.size());
}

Records convert(bool groupFeed, const pb_clt_t_user &user)
{
    DynMsgConverter converter(groupFeed);
    converter.setPrjId(QStringLiteral("10086"));
    converter.setUserId(QStringLiteral("777"));
    MessageContext context;
    context.user = &user;
    Records records;
    for (SDynData *record : converter.convert(context))
        records.emplace_back(record);
    return records;
}

pb_im_t_msg_item *addItem(pb_clt_t_user &user, quint32 type, const QByteArray &body,
    const QByteArray &name, quint64 senderId = 1001)
{
    pb_im_t_msg_item *item = user.mutable_f_im_msg()->add_f_msg();
    item->set_f_msg_type(type);
    item->set_f_msg_body(bytes(body));
    item->set_f_sender_id(senderId);
    item->set_f_sender_name(bytes(name));
    item->set_f_send_time(1618900000);
    return item;
}

/// Byte strings that UTF-8 decoding must treat exactly as QString::fromUtf8 does.
void addTextRows()
{
    QTest::addColumn<QByteArray>("raw");

    QTest::newRow("chinese") << QByteArray("张建国布置了任务");
    QTest::newRow("long ascii") << QByteArray("http://files.example/prj/10086/cf-8f14e45fceea");
    QTest::newRow("ascii then chinese") << QByteArray("Room 1203, 3号楼12层, north side");
    QTest::newRow("two-byte characters") << QByteArray("Ñandú über Москва");
    QTest::newRow("four-byte characters") << QByteArray("进度 \xf0\x9f\x9a\xa7 \xf0\xa0\x80\x80");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("leading byte order mark") << QByteArray("\xef\xbb\xbf张三");
    QTest::newRow("byte order mark inside") << QByteArray("张三\xef\xbb\xbf说");
    QTest::newRow("only a byte order mark") << QByteArray("\xef\xbb\xbf");
    QTest::newRow("cut at the end") << QByteArray("张三\xe5\xbc");
    QTest::newRow("overlong slash") << QByteArray("a\xc0\xaf"
                                                  "b");
    QTest::newRow("overlong three bytes") << QByteArray("a\xe0\x80\xaf"
                                                        "b");
    QTest::newRow("encoded surrogate") << QByteArray("a\xed\xa0\x80"
                                                     "b");
    QTest::newRow("beyond unicode") << QByteArray("a\xf4\x90\x80\x80"
                                                  "b");
    QTest::newRow("stray continuation") << QByteArray("a\x80\xbf"
                                                      "b");
    QTest::newRow("invalid lead bytes") << QByteArray("\xfe\xff\xf8\x88\x80\x80\x80");
    QTest::newRow("noncharacters") << QByteArray("a\xef\xbf\xbf\xef\xb7\x90"
                                                 "b");
    QTest::newRow("embedded nul") << QByteArray("前\0后", 7);
}

/// Translates the task's end time label, as a German catalogue would.
class GermanLabels : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *sourceText, const char *disambiguation,
        int n) const override
    {
        Q_UNUSED(disambiguation)
        Q_UNUSED(n)
        if (qstrcmp(context, "QObject") == 0 && qstrcmp(sourceText, "End Time") == 0)
            return QStringLiteral("Ende ");
        return QString();
    }
};

QString endTimeOf(DynMsgConverter &converter)
{
    pb_clt_t_user user;
    pb_im_t_msg_task *task = addItem(user, 6, "布置了任务", "张三")->mutable_f_msg_task();
    task->set_f_prj_id(10086);
    task->set_f_task_end(1672488000);
    MessageContext context;
    context.user = &user;
    const QList<SDynData *> records = converter.convert(context);
    if (records.size() != 1)
        return QStringLiteral("no record");
    const std::unique_ptr<SDynData> record(records.front());
    const QString time = record->content.value("time").toString();
    return time.left(time.size() - int(qstrlen("yyyy-MM-dd hh:mm")));
}

} // namespace

/// Text fields of the records read exactly as Qt decodes the message's UTF-8, bad bytes included.
class tst_DynMsgConverterText : public QObject
{
    Q_OBJECT

private slots:
    void fields_data();
    void fields();
    void nameCutFromSummary_data();
    void nameCutFromSummary();
    void jobTitle_data();
    void jobTitle();
    void peopleOverManyMessages();
    void endTimeFollowsTranslators();
};

void tst_DynMsgConverterText::fields_data()
{
    addTextRows();
}

void tst_DynMsgConverterText::fields()
{
    QFETCH(QByteArray, raw);
    const QString expected = decoded(raw);

    pb_clt_t_user user;
    addItem(user, 5, raw, QByteArray());
    pb_im_t_msg_item *files = addItem(user, 9, "x", raw);
    pb_im_t_msg_attach *attach = files->add_f_attch();
    attach->set_f_attach_name(bytes(raw));
    attach->set_f_attach_url(bytes(raw));
    attach->set_f_attach_id(bytes(raw));
    pb_im_t_msg_task *task = addItem(user, 6, raw, raw)->mutable_f_msg_task();
    task->set_f_prj_id(10086);
    task->set_f_task_desc(bytes(raw));
    task->set_f_position(bytes(raw));
    task->set_f_assign_desc(bytes(raw));
    pb_im_t_msg_prj_record *record = addItem(user, 14, raw, "李四")->mutable_f_msg_prj_record();
    record->set_record_type(2);
    record->mutable_sender()->set_f_job_type(bytes(raw));
    record->mutable_f_prj_info()->set_f_prj_name(bytes(raw + "!"));

    for (bool groupFeed : { true, false }) {
        const Records records = convert(groupFeed, user);
        QCOMPARE(int(records.size()), 4);

        const SDynData &plain = *records.at(0);
        QCOMPARE(plain.text, expected);
        QCOMPARE(plain.text.isNull(), expected.isNull());
        QVERIFY(plain.userName.isEmpty());

        const SDynData &file = *records.at(1);
        QCOMPARE(file.userName, expected);
        QCOMPARE(file.content.value("f_attach_name").toString(), expected);
        QCOMPARE(file.content.value("f_attach_url").toString(), expected);
        QCOMPARE(file.content.value("f_attach_id").toString(), expected);

        const SDynData &taskRecord = *records.at(2);
        QCOMPARE(taskRecord.userName, expected);
        QVERIFY(taskRecord.text.isEmpty()); // the body is the sender's name
        QCOMPARE(taskRecord.content.value("desc").toString(), expected);
        QCOMPARE(taskRecord.content.value("location").toString(), expected);
        QCOMPARE(taskRecord.content.value("people").toString(), expected);

        const SDynData &info = *records.at(3);
        QCOMPARE(info.text, expected);
        QCOMPARE(info.userJob, QStringLiteral("其他"));
        QCOMPARE(info.content.value("text").toString(),
            QStringLiteral("<p style = 'margin:10px'>项目名称 : %1</p>")
                .arg((expected + QLatin1Char('!')).toHtmlEscaped()));
    }
}

void tst_DynMsgConverterText::nameCutFromSummary_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("text");

    QTest::newRow("plain") << QByteArray("张三：明天停水") << QByteArray("张三") << "：明天停水";
    QTest::newRow("same first bytes, another character")
        << QByteArray("张丰说") << QByteArray("张三") << "张丰说";
    QTest::newRow("bad bytes after the name")
        << QByteArray("张三\xff说") << QByteArray("张三") << QString::fromUtf8("\xef\xbf\xbd说");
    QTest::newRow("byte order mark before the body")
        << QByteArray("\xef\xbb\xbf张三说") << QByteArray("张三") << "说";
    QTest::newRow("byte order mark before the name")
        << QByteArray("张三说") << QByteArray("\xef\xbb\xbf张三") << "说";
    QTest::newRow("byte order mark after the name")
        << QByteArray("张三\xef\xbb\xbf说") << QByteArray("张三") << QChar(0xfeff) + QString("说");
    QTest::newRow("name of bad bytes") << QByteArray("\xff说") << QByteArray("\xfe") << "说";
    QTest::newRow("name of a byte order mark")
        << QByteArray("\xef\xbb\xbf说") << QByteArray("\xef\xbb\xbf") << "说";
    QTest::newRow("name ends inside a character")
        << QByteArray("张三说") << QByteArray("张\xe4\xb8") << "张三说";
    QTest::newRow("body is the name") << QByteArray("Li Na") << QByteArray("Li Na") << "";
}

void tst_DynMsgConverterText::nameCutFromSummary()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, name);
    QFETCH(QString, text);

    pb_clt_t_user user;
    addItem(user, 5, body, name);
    const Records records = convert(true, user);
    QCOMPARE(int(records.size()), 1);
    QCOMPARE(records.front()->text, text);
    QVERIFY(!records.front()->text.isNull());
    QCOMPARE(records.front()->userName, decoded(name));
}

void tst_DynMsgConverterText::jobTitle_data()
{
    QTest::addColumn<QByteArray>("job");
    QTest::addColumn<QString>("title");

    QTest::newRow("title") << QByteArray("质量员") << "质量员";
    QTest::newRow("byte order mark before a title") << QByteArray("\xef\xbb\xbf施工员") << "施工员";
    QTest::newRow("only a byte order mark") << QByteArray("\xef\xbb\xbf") << "其他";
    QTest::newRow("two byte order marks") << QByteArray("\xef\xbb\xbf\xef\xbb\xbf施工员") << "其他";
    QTest::newRow("title and a bad byte") << QByteArray("施工员\xff") << "其他";
    QTest::newRow("title cut inside a character") << QByteArray("施工\xe5\x91") << "其他";
    QTest::newRow("empty") << QByteArray() << "其他";
}

void tst_DynMsgConverterText::jobTitle()
{
    QFETCH(QByteArray, job);
    QFETCH(QString, title);

    pb_clt_t_user user;
    pb_im_t_msg_prj_record *text
        = addItem(user, 14, "更新了进度", "张三")->mutable_f_msg_prj_record();
    text->set_record_type(0);
    text->mutable_sender()->set_f_job_type(bytes(job));
    pb_im_t_msg_prj_record *joined
        = addItem(user, 14, "赵六加入了项目", "张三")->mutable_f_msg_prj_record();
    joined->set_record_type(9);
    joined->mutable_sender()->set_f_job_type("项目经理");
    pb_im_t_msg_prj_record_base_user *receiver = joined->add_receivers();
    receiver->set_f_name("赵六");
    receiver->set_f_job_type(bytes(job));

    const Records records = convert(true, user);
    QCOMPARE(int(records.size()), 2);
    QCOMPARE(records.at(0)->userJob, title);
    QCOMPARE(records.at(1)->userName, QStringLiteral("赵六"));
    QCOMPARE(records.at(1)->userJob, title);
}

void tst_DynMsgConverterText::peopleOverManyMessages()
{
    // More people than any cache holds, met again in another order and under other names.
    DynMsgConverter converter(false);
    converter.setPrjId(QStringLiteral("10086"));
    for (int round = 0; round < 3; ++round) {
        for (quint64 n = 0; n < 300; ++n) {
            const quint64 id = round == 1 ? 299 - n : n * 1000003;
            const QByteArray name = round == 2 && n % 2
                ? QByteArray("成员\xff") + QByteArray::number(n)
                : "成员" + QByteArray::number(n % 150);
            pb_clt_t_user user;
            pb_im_t_msg_task *task
                = addItem(user, 6, name + "布置了任务", name, id)->mutable_f_msg_task();
            task->set_f_prj_id(10086);
            task->add_f_receiver_uin(id + 1);
            MessageContext context;
            context.user = &user;
            const QList<SDynData *> records = converter.convert(context);
            QCOMPARE(records.size(), 1);
            const std::unique_ptr<SDynData> record(records.front());
            QCOMPARE(record->userId, QString::number(id));
            QCOMPARE(record->userName, decoded(name));
            QCOMPARE(record->text, QStringLiteral("布置了任务"));
            QCOMPARE(record->extra.value("receiver_uids").toStringList(),
                QStringList { QString::number(id + 1) });
        }
    }
}

void tst_DynMsgConverterText::endTimeFollowsTranslators()
{
    DynMsgConverter converter(true);
    QCOMPARE(endTimeOf(converter), QStringLiteral("End Time"));
    {
        GermanLabels german;
        QVERIFY(QCoreApplication::installTranslator(&german));
        QCOMPARE(endTimeOf(converter), QStringLiteral("Ende "));
        QCOMPARE(endTimeOf(converter), QStringLiteral("Ende "));

        DynMsgConverter later(true);
        QCOMPARE(endTimeOf(later), QStringLiteral("Ende "));
        QVERIFY(QCoreApplication::removeTranslator(&german));
        QCOMPARE(endTimeOf(later), QStringLiteral("End Time"));
    }
    QCOMPARE(endTimeOf(converter), QStringLiteral("End Time"));
}

QTEST_GUILESS_MAIN(tst_DynMsgConverterText)
#include "tst_DynMsgConverterText.moc"
