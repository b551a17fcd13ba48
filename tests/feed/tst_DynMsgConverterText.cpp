#include <QtTest>

#include <memory>
#include <string>

#include "MessageContext.h"
#include "common/TestMain.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "msl.pb.h"

namespace {

std::string bytes(const QByteArray &raw)
{
    return std::string(raw.constData(), size_t(raw.size()));
}

/// The one record made of a message with one item of type, body and sender's name.
std::unique_ptr<SDynData> convertOne(
    DynMsgConverter &converter, quint32 type, const QByteArray &body, const QByteArray &name)
{
    pb_clt_t_user user;
    pb_im_t_msg_item *item = user.mutable_f_im_msg()->add_f_msg();
    item->set_f_msg_type(type);
    item->set_f_msg_body(bytes(body));
    item->set_f_sender_id(1001);
    item->set_f_sender_name(bytes(name));
    item->set_f_send_time(1618900000);
    if (type == 6) {
        item->mutable_f_msg_task()->set_f_prj_id(10086);
        item->mutable_f_msg_task()->set_f_task_end(1672488000);
    }
    MessageContext context;
    context.user = &user;
    const QList<SDynData *> records = converter.convert(context);
    return std::unique_ptr<SDynData>(records.size() == 1 ? records.front() : nullptr);
}

/// Translates the task's end time label, as a German catalogue would.
class GermanLabels : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        const bool endTime
            = qstrcmp(context, "QObject") == 0 && qstrcmp(sourceText, "End Time") == 0;
        return endTime ? QStringLiteral("Ende ") : QString();
    }
};

QString endTimeOf(DynMsgConverter &converter)
{
    const auto record = convertOne(converter, 6, "布置了任务", "张三");
    const QString time = record ? record->content.value("time").toString() : QString();
    return time.left(time.size() - int(qstrlen("yyyy-MM-dd hh:mm")));
}

} // namespace

/// Text fields of the records read exactly as Qt decodes the message's UTF-8, bad bytes included.
class tst_DynMsgConverterText : public QObject
{
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void nameCutFromSummary_data();
    void nameCutFromSummary();
    void endTimeFollowsTranslators();
};

void tst_DynMsgConverterText::text_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::newRow("ascii then chinese") << QByteArray("Room 1203, 3号楼12层, north side");
    QTest::newRow("four-byte characters") << QByteArray("进度 \xf0\x9f\x9a\xa7 \xf0\xa0\x80\x80");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("leading byte order mark") << QByteArray("\xef\xbb\xbf张三");
    QTest::newRow("byte order mark inside") << QByteArray("张三\xef\xbb\xbf说");
    QTest::newRow("cut at the end") << QByteArray("张三\xe5\xbc");
    QTest::newRow("overlong slash") << QByteArray("a\xc0\xaf"
                                                  "b");
    QTest::newRow("invalid lead bytes") << QByteArray("\xfe\xff\xf8\x88\x80\x80\x80");
    QTest::newRow("embedded nul") << QByteArray("前\0后", 7);
}

void tst_DynMsgConverterText::text()
{
    QFETCH(QByteArray, raw);
    const QString expected = QString::fromUtf8(raw.constData(), raw.size());
    for (bool groupFeed : { true, false }) {
        DynMsgConverter converter(groupFeed);
        converter.setPrjId(QStringLiteral("10086"));
        const auto plain = convertOne(converter, 5, raw, QByteArray());
        const auto task = convertOne(converter, 6, raw, raw);
        QVERIFY(plain && task);
        QCOMPARE(plain->text, expected);
        QCOMPARE(plain->text.isNull(), expected.isNull());
        QCOMPARE(task->userName, expected);
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
    QTest::newRow("name ends inside a character")
        << QByteArray("张三说") << QByteArray("张\xe4\xb8") << "张三说";
    QTest::newRow("body is the name") << QByteArray("Li Na") << QByteArray("Li Na") << "";
}

void tst_DynMsgConverterText::nameCutFromSummary()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, name);
    DynMsgConverter converter(true);
    const auto record = convertOne(converter, 5, body, name);
    QVERIFY(record);
    QTEST(record->text, "text");
    QVERIFY(!record->text.isNull());
}

void tst_DynMsgConverterText::endTimeFollowsTranslators()
{
    DynMsgConverter converter(true);
    QCOMPARE(endTimeOf(converter), QStringLiteral("End Time"));
    {
        GermanLabels german;
        QVERIFY(QCoreApplication::installTranslator(&german));
        QCOMPARE(endTimeOf(converter), QStringLiteral("Ende "));
        QVERIFY(QCoreApplication::removeTranslator(&german));
    }
    QCOMPARE(endTimeOf(converter), QStringLiteral("End Time"));
}

DYNFEED_TEST_GUILESS_MAIN(tst_DynMsgConverterText)
#include "tst_DynMsgConverterText.moc"
