#include <QDate>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <google/protobuf/text_format.h>

#include <memory>

#include "MessageContext.h"
#include "common/TestEnvironment.h"
#include "common/TestMain.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "samples/SampleProject.h"

namespace {

/// A message on one line in protobuf's text format, strings as UTF-8.
QString oneLine(const google::protobuf::Message &message)
{
    google::protobuf::TextFormat::Printer printer;
    printer.SetSingleLineMode(true);
    printer.SetUseUtf8StringEscaping(true);
    std::string text;
    printer.PrintToString(message, &text);
    return QString::fromStdString(text);
}

using Records = std::vector<std::unique_ptr<SDynData>>;

Records take(const QList<SDynData *> &records)
{
    return Records(records.cbegin(), records.cend());
}

} // namespace

/// The sample project that the demo, the benchmarks and the controller tests feed on.
class tst_SampleProject : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sameOnEveryCall();
    void coverage_data();
    void coverage();
    void stream_data();
    void stream();
    void conversion_data();
    void conversion();

private:
    QList<pb_clt_t_user> m_messages;
    QStringList m_lines; // each message and each item on one line
};

void tst_SampleProject::initTestCase()
{
    m_messages = SampleProject::messages();
    QVERIFY(m_messages.size() >= 200);
    for (const pb_clt_t_user &message : qAsConst(m_messages)) {
        m_lines << oneLine(message);
        for (const pb_im_t_msg_item &item : message.f_im_msg().f_msg())
            m_lines << oneLine(item);
    }
}

void tst_SampleProject::sameOnEveryCall()
{
    const QByteArray first = SampleProject::toDelimitedStream(SampleProject::messages());
    QVERIFY(first == SampleProject::toDelimitedStream(m_messages));
    QCOMPARE(SampleProject::toDelimitedStream(SampleProject::weather()),
        SampleProject::toDelimitedStream(SampleProject::weather()));
    // Nothing may hang on the process's time zone.
    ScopedTimeZone elsewhere("America/Los_Angeles");
    QVERIFY(first == SampleProject::toDelimitedStream(SampleProject::messages()));
}

void tst_SampleProject::coverage_data()
{
    // Every shape the feed tells apart is in the sample: some message matches each pattern.
    QTest::addColumn<QString>("pattern");
    const auto row = [](const char *name, const char *pattern) { QTest::newRow(name) << pattern; };
    row("plain message", R"(f_msg_type: 5 )");
    row("task message 6 without report", R"(^f_msg_type: 6 .*f_msg_task \{(?!.*f_last_report))");
    row("task message 7 with report", R"(^f_msg_type: 7 .*f_last_report)");
    row("task message 6 without task", R"(^f_msg_type: 6 (?!.*f_msg_task))");
    row("other type with attachments", R"(^f_msg_type: (?!5 |6 |7 |14 )\d+ .*f_attch)");
    QTest::newRow("task of another project")
        << QStringLiteral("f_msg_task \\{ f_prj_id: (?!%1 )").arg(SampleProject::projectId());
    row("report with voice note", R"(f_content: "[^"]*\.amr"[^{}]*f_playtime: [1-9])");
    row("invitation of 5", R"(邀请了([^、"]+、){4}[^、"]+加入项目)");
    row("project information with all fields", R"(f_prj_info \{ f_prj_name: .*f_fenbao_danwei)");
    row("project log", R"(f_prj_log \{)");
    row("task details only", R"(^f_task_details)");
    row("without sequence number", R"(^f_msg_type: \d+ (?!f_msg_seq_id))");
    row("several items", R"(f_msg \{.*f_msg \{)");
    row("markup in a body", R"(f_msg_body: "[^"]*<script>)");
    row("file name with a backslash", R"(f_attach_name: "[^"]*\\\\)");
    row("file id leaving its directory", R"(f_attach_id: "\.\./)");
    row("body of several thousand characters", R"(f_msg_body: "[^"]{3000})");
    row("empty sender name", R"(f_sender_name: "")");
    for (const char *suffix : { "pdf", "xlsx", "dwg", "jpg", "zip" })
        QTest::addRow("suffix %s", suffix)
            << QStringLiteral(R"(f_attach_name: "[^"]*\.%1")").arg(suffix);
    for (int type = 0; type <= 11; ++type)
        QTest::addRow("record type %d", type) << QStringLiteral("record_type: %1 ").arg(type);
}

void tst_SampleProject::coverage()
{
    QFETCH(QString, pattern);
    const QRegularExpression expression(pattern);
    QVERIFY2(expression.isValid(), qPrintable(expression.errorString()));
    QVERIFY(!m_lines.filter(expression).isEmpty());
}

void tst_SampleProject::stream_data()
{
    QTest::addColumn<QByteArray>("tail"); // after the whole sample
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("extra");

    QTest::newRow("nothing appended") << QByteArray() << true << 0;
    QTest::newRow("an empty message") << QByteArray("\x00", 1) << true << 1;
    QTest::newRow("length cut short") << QByteArray("\x80", 1) << false << 0;
    QTest::newRow("message cut short") << QByteArray("\x05\x0a\x02", 3) << false << 0;
    QTest::newRow("length too long") << QByteArray("\xff\xff\xff\xff\x0f", 5) << false << 0;
    QTest::newRow("bytes that are no message") << QByteArray("\x02\xff\xff", 3) << false << 0;
}

void tst_SampleProject::stream()
{
    QFETCH(QByteArray, tail);
    QFETCH(bool, ok);
    QFETCH(int, extra);
    const QByteArray stream = SampleProject::toDelimitedStream(m_messages);
    bool readOk = !ok;
    const QList<pb_clt_t_user> read
        = SampleProject::messagesFromDelimitedStream(stream + tail, &readOk);
    QCOMPARE(readOk, ok);
    // Whatever went wrong, the messages before it are kept.
    QCOMPARE(read.size(), m_messages.size() + extra);
    QVERIFY(SampleProject::toDelimitedStream(read.mid(0, m_messages.size())) == stream);
}

void tst_SampleProject::conversion_data()
{
    QTest::addColumn<bool>("groupFeed");
    QTest::newRow("group feed") << true;
    QTest::newRow("own feed") << false;
}

void tst_SampleProject::conversion()
{
    // Every item shows, except a neighbouring project's task outside the group feed.
    QFETCH(bool, groupFeed);
    DynMsgConverter converter(groupFeed);
    converter.setPrjId(SampleProject::projectId());
    converter.setUserId(SampleProject::members().constFirst().userId());
    // Times and sequence numbers ascend, message ids are unique, all within five weeks.
    const qint64 start = SampleProject::startTime().toSecsSinceEpoch();
    qint64 previousTime = start;
    int previousSeq = 0;
    QSet<quint64> msgIds;
    for (const pb_clt_t_user &message : qAsConst(m_messages)) {
        MessageContext context;
        context.user = &message;
        const Records records = take(converter.convert(context));
        QSet<QString> shown;
        for (const auto &record : records) {
            QVERIFY(isValid(record.get()) && record->dateTime.isValid());
            shown << record->extra.value(QStringLiteral("msgid")).toString();
        }
        for (const pb_im_t_msg_item &item : message.f_im_msg().f_msg()) {
            QVERIFY(item.f_send_time() >= previousTime && item.f_send_time() < start + 35 * 86400);
            QVERIFY(!item.has_f_msg_seq_id() || item.f_msg_seq_id() > previousSeq);
            QVERIFY(!msgIds.contains(item.f_msg_id()));
            previousTime = item.f_send_time();
            previousSeq = item.has_f_msg_seq_id() ? item.f_msg_seq_id() : previousSeq;
            msgIds << item.f_msg_id();
            const bool otherProject = item.has_f_msg_task()
                && QString::number(item.f_msg_task().f_prj_id()) != SampleProject::projectId();
            QVERIFY2(
                shown.contains(QString::number(item.f_msg_id())) != (otherProject && !groupFeed),
                qPrintable(QString::number(item.f_msg_id())));
        }
        QVERIFY(message.has_f_im_msg() || message.has_f_prj_details() || records.empty());
    }
}

DYNFEED_TEST_GUILESS_MAIN(tst_SampleProject)
#include "tst_SampleProject.moc"
