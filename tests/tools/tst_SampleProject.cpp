#include <QDate>
#include <QSet>
#include <QTest>

#include "MessageContext.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "samples/SampleProject.h"

namespace {

QString text(const std::string &s)
{
    return QString::fromStdString(s);
}

QList<const pb_im_t_msg_attach *> attachmentsOf(const pb_im_t_msg_item &item)
{
    QList<const pb_im_t_msg_attach *> list;
    for (const pb_im_t_msg_attach &attach : item.f_attch())
        list << &attach;
    const pb_im_t_msg_prj_record &record = item.f_msg_prj_record();
    for (const pb_prj_t_base_file &file : record.f_files())
        list << &file.f_baseinfo();
    for (const pb_im_t_msg_task *task : { &item.f_msg_task(), &record.f_task_info() }) {
        for (const pb_prj_t_base_file &file : task->f_last_report().f_attach_list())
            list << &file.f_baseinfo();
    }
    return list;
}

bool hasAllFields(const pb_prj_t_info &info)
{
    return info.has_f_prj_name() && info.has_f_prj_type() && info.has_f_province()
        && info.has_f_city() && info.has_f_prj_address() && info.has_f_float_floor_area()
        && info.has_f_prj_begin() && info.has_f_prj_end() && info.has_f_jianzhu_danwei()
        && info.has_f_shigong_danwei() && info.has_f_jianli_danwei() && info.has_f_fenbao_danwei();
}

/// What the sample holds, as short names: the rows of the coverage test look them up.
QSet<QString> featuresOf(const QList<pb_clt_t_user> &messages)
{
    QSet<QString> features;
    for (const SampleMember &member : SampleProject::members()) {
        if (!jobTitles().contains(member.jobTitle))
            features << QStringLiteral("job title outside the list");
    }
    for (const pb_clt_t_user &message : messages) {
        if (message.f_prj_details().f_prj_log_size() > 0)
            features << QStringLiteral("project log");
        if (!message.has_f_im_msg() && message.has_f_task_details())
            features << QStringLiteral("task details only");
        if (message.f_im_msg().f_msg_size() > 1)
            features << QStringLiteral("several items");
        for (const pb_im_t_msg_item &item : message.f_im_msg().f_msg()) {
            const quint32 type = item.f_msg_type();
            const QString name = text(item.f_sender_name());
            const QString body = text(item.f_msg_body());
            features << (item.has_f_msg_seq_id() ? QStringLiteral("with sequence number")
                                                 : QStringLiteral("without sequence number"));
            if (type != 5 && type != 6 && type != 7 && type != 14 && item.f_attch_size() > 0)
                features << QStringLiteral("other type with attachments");
            if (type == 5)
                features << QStringLiteral("plain message");
            if (name.isEmpty())
                features << QStringLiteral("empty sender name");
            if (name.contains(QLatin1Char('<')))
                features << QStringLiteral("markup in a name");
            if (body.mid(name.size()).contains(QLatin1String("<script>")))
                features << QStringLiteral("markup in a body");
            if (body.size() >= 3000)
                features << QStringLiteral("body of several thousand characters");

            if (type == 6 || type == 7) {
                const QString prefix = QStringLiteral("task message %1 ").arg(type);
                if (!item.has_f_msg_task())
                    features << prefix + QStringLiteral("without task");
                else if (item.f_msg_task().has_f_last_report())
                    features << prefix + QStringLiteral("with report");
                else
                    features << prefix + QStringLiteral("without report");
                if (item.has_f_msg_task() && item.f_attch_size() > 0)
                    features << QStringLiteral("task with attachments");
                if (item.has_f_msg_task()
                    && item.f_msg_task().f_prj_id() != SampleProject::projectId().toULongLong())
                    features << QStringLiteral("task of another project");
            }

            const pb_im_t_msg_task &task
                = item.has_f_msg_task() ? item.f_msg_task() : item.f_msg_prj_record().f_task_info();
            if (task.has_f_task_id()) {
                if (task.f_task_desc_type() == 3 && task.f_task_desc_playtime() > 0
                    && text(task.f_task_desc()).endsWith(QLatin1String(".amr")))
                    features << QStringLiteral("task with voice description");
                else if (!task.f_task_desc().empty())
                    features << QStringLiteral("task with text description");
            }
            if (task.has_f_last_report()) {
                const pb_prj_t_task_report &report = task.f_last_report();
                const QString content = text(report.f_content());
                if (content.endsWith(QLatin1String(".amr")) && report.f_playtime() > 0)
                    features << QStringLiteral("report with voice note");
                else if (!content.isEmpty())
                    features << QStringLiteral("report with text");
                for (const pb_prj_t_base_file &file : report.f_attach_list()) {
                    if (file.f_baseinfo().f_attach_type() == 2
                        && text(file.f_baseinfo().f_attach_url()).endsWith(QLatin1String(".jpg")))
                        features << QStringLiteral("report with pictures by URL");
                }
            }

            if (type == 14) {
                const pb_im_t_msg_prj_record &record = item.f_msg_prj_record();
                features << QStringLiteral("record type %1").arg(record.record_type());
                if (record.record_type() == 1) {
                    const QString sentence = body.mid(name.size());
                    const QString names = sentence.mid(3, sentence.size() - 7);
                    features << QStringLiteral("invitation of %1")
                                    .arg(names.split(QStringLiteral("、")).size());
                }
                if (record.record_type() == 2 && hasAllFields(record.f_prj_info()))
                    features << QStringLiteral("project information with all fields");
            }

            for (const pb_im_t_msg_attach *attach : attachmentsOf(item)) {
                const QString fileName = text(attach->f_attach_name());
                if (fileName.contains(QLatin1Char('/')))
                    features << QStringLiteral("file name with a slash");
                if (fileName.contains(QLatin1Char('\\')))
                    features << QStringLiteral("file name with a backslash");
                if (text(attach->f_attach_id()).contains(QLatin1String("../")))
                    features << QStringLiteral("file id leaving its directory");
                features << QStringLiteral("suffix ") + fileName.section(QLatin1Char('.'), -1);
            }
        }
    }
    return features;
}

/// Deletes the records of one conversion, also when a check fails half way.
struct OwnedRecords
{
    QList<SDynData *> list;
    ~OwnedRecords() { qDeleteAll(list); }
};

QString describe(const pb_im_t_msg_item &item)
{
    return QStringLiteral("item %1 (type %2): %3")
        .arg(item.f_msg_id())
        .arg(item.f_msg_type())
        .arg(text(item.f_msg_body()).left(40));
}

} // namespace

class tst_SampleProject : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sameOnEveryCall();
    void coverage_data();
    void coverage();
    void chronologyAndIds();
    void everyMemberTakesPart();
    void weatherDays();
    void streamRoundTrip();
    void damagedStream_data();
    void damagedStream();
    void conversion_data();
    void conversion();

private:
    QList<pb_clt_t_user> m_messages;
};

void tst_SampleProject::initTestCase()
{
    m_messages = SampleProject::messages();
    QVERIFY(m_messages.size() >= 200);
}

void tst_SampleProject::sameOnEveryCall()
{
    const QByteArray first = SampleProject::toDelimitedStream(SampleProject::messages());
    const QByteArray second = SampleProject::toDelimitedStream(SampleProject::messages());
    QVERIFY(!first.isEmpty());
    QVERIFY(first == second);
    QCOMPARE(SampleProject::toDelimitedStream(SampleProject::weather()),
        SampleProject::toDelimitedStream(SampleProject::weather()));

    // Nothing may hang on the process's time zone.
    const QByteArray zoneBefore = qgetenv("TZ");
    qputenv("TZ", "America/Los_Angeles");
    const QByteArray elsewhere = SampleProject::toDelimitedStream(SampleProject::messages());
    if (zoneBefore.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", zoneBefore);
    QVERIFY(first == elsewhere);
}

void tst_SampleProject::coverage_data()
{
    QTest::addColumn<QString>("feature");
    const QStringList features {
        QStringLiteral("plain message"),
        QStringLiteral("task message 6 without report"),
        QStringLiteral("task message 6 with report"),
        QStringLiteral("task message 7 without report"),
        QStringLiteral("task message 7 with report"),
        QStringLiteral("task message 6 without task"),
        QStringLiteral("other type with attachments"),
        QStringLiteral("task with voice description"),
        QStringLiteral("task with text description"),
        QStringLiteral("task with attachments"),
        QStringLiteral("task of another project"),
        QStringLiteral("report with text"),
        QStringLiteral("report with voice note"),
        QStringLiteral("report with pictures by URL"),
        QStringLiteral("invitation of 2"),
        QStringLiteral("invitation of 5"),
        QStringLiteral("project information with all fields"),
        QStringLiteral("project log"),
        QStringLiteral("task details only"),
        QStringLiteral("with sequence number"),
        QStringLiteral("without sequence number"),
        QStringLiteral("several items"),
        QStringLiteral("job title outside the list"),
        QStringLiteral("markup in a name"),
        QStringLiteral("markup in a body"),
        QStringLiteral("file name with a slash"),
        QStringLiteral("file name with a backslash"),
        QStringLiteral("file id leaving its directory"),
        QStringLiteral("body of several thousand characters"),
        QStringLiteral("empty sender name"),
        QStringLiteral("suffix pdf"),
        QStringLiteral("suffix docx"),
        QStringLiteral("suffix xlsx"),
        QStringLiteral("suffix dwg"),
        QStringLiteral("suffix jpg"),
        QStringLiteral("suffix png"),
        QStringLiteral("suffix zip"),
    };
    for (const QString &feature : features)
        QTest::newRow(qPrintable(feature)) << feature;
    for (int type = 0; type <= 11; ++type) {
        const QString feature = QStringLiteral("record type %1").arg(type);
        QTest::newRow(qPrintable(feature)) << feature;
    }
}

void tst_SampleProject::coverage()
{
    QFETCH(QString, feature);
    static const QSet<QString> features = featuresOf(m_messages);
    QVERIFY2(features.contains(feature), qPrintable(feature));
}

void tst_SampleProject::chronologyAndIds()
{
    const qint64 start = SampleProject::startTime().toSecsSinceEpoch();
    const qint64 end = start + 5 * 7 * 24 * 3600;
    qint64 previousTime = start;
    int previousSeq = 0;
    QSet<quint64> msgIds;
    for (const pb_clt_t_user &message : qAsConst(m_messages)) {
        QList<qint64> times;
        for (const pb_im_t_msg_item &item : message.f_im_msg().f_msg()) {
            times << item.f_send_time();
            if (item.has_f_msg_seq_id()) {
                QVERIFY2(item.f_msg_seq_id() > previousSeq, qPrintable(describe(item)));
                previousSeq = item.f_msg_seq_id();
            }
            QVERIFY2(!msgIds.contains(item.f_msg_id()), qPrintable(describe(item)));
            msgIds.insert(item.f_msg_id());
        }
        for (const pb_prj_t_log &log : message.f_prj_details().f_prj_log()) {
            if (log.has_f_add_time())
                times << log.f_add_time();
        }
        for (qint64 time : qAsConst(times)) {
            QVERIFY(time >= previousTime);
            QVERIFY(time < end);
            previousTime = time;
        }
    }
}

void tst_SampleProject::everyMemberTakesPart()
{
    const QList<SampleMember> members = SampleProject::members();
    QCOMPARE(members.size(), 12);
    QSet<quint64> senders;
    for (const pb_clt_t_user &message : qAsConst(m_messages)) {
        for (const pb_im_t_msg_item &item : message.f_im_msg().f_msg())
            senders.insert(item.f_sender_id());
    }
    QSet<quint64> uids;
    for (const SampleMember &member : members) {
        QVERIFY2(!member.name.isEmpty() && !member.jobTitle.isEmpty(), qPrintable(member.userId()));
        QVERIFY2(senders.contains(member.uid), qPrintable(member.name));
        uids.insert(member.uid);
    }
    QCOMPARE(uids.size(), members.size());
}

void tst_SampleProject::weatherDays()
{
    const QList<pb_prj_t_prj_weather> weather = SampleProject::weather();
    DynMsgConverter converter(true);
    converter.setPrjId(SampleProject::projectId());
    QSet<QDate> days;
    int reminders = 0;
    int records = 0;
    for (const pb_prj_t_prj_weather &forecast : weather) {
        for (const pb_prj_t_weather_details &day : forecast.f_weather_info()) {
            const QDate date = QDate::fromString(text(day.f_date()), QStringLiteral("yyyy-MM-dd"));
            QVERIFY2(date.isValid(), day.f_date().c_str());
            days.insert(date);
            reminders += day.f_reminders_size();
        }
        const OwnedRecords converted { converter.convertWeather(
            forecast, SampleProject::projectName()) };
        for (const SDynData *record : converted.list) {
            QCOMPARE(record->content.value(QStringLiteral("f_prj_name")).toString(),
                SampleProject::projectName());
            QVERIFY(isValid(record));
        }
        records += converted.list.size();
    }
    QVERIFY(days.size() >= 3);
    QVERIFY(reminders > days.size());
    QCOMPARE(records, reminders);
}

void tst_SampleProject::streamRoundTrip()
{
    const QByteArray stream = SampleProject::toDelimitedStream(m_messages);
    bool ok = false;
    const QList<pb_clt_t_user> read = SampleProject::messagesFromDelimitedStream(stream, &ok);
    QVERIFY(ok);
    QCOMPARE(read.size(), m_messages.size());
    QVERIFY(SampleProject::toDelimitedStream(read) == stream);
}

void tst_SampleProject::damagedStream_data()
{
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("extra");

    QTest::newRow("nothing appended") << QByteArray() << true << 0;
    QTest::newRow("length cut short") << QByteArray("\x80", 1) << false << 0;
    QTest::newRow("message cut short") << QByteArray("\x05\x0a\x02", 3) << false << 0;
    QTest::newRow("length too long for the stream")
        << QByteArray("\xff\xff\xff\xff\x0f", 5) << false << 0;
    QTest::newRow("bytes that are no message") << QByteArray("\x02\xff\xff", 3) << false << 0;
    QTest::newRow("an empty message") << QByteArray("\x00", 1) << true << 1;
}

void tst_SampleProject::damagedStream()
{
    QFETCH(QByteArray, tail);
    QFETCH(bool, ok);
    QFETCH(int, extra);

    const QList<pb_clt_t_user> head = m_messages.mid(0, 3);
    bool readOk = !ok;
    const QList<pb_clt_t_user> read = SampleProject::messagesFromDelimitedStream(
        SampleProject::toDelimitedStream(head) + tail, &readOk);
    QCOMPARE(readOk, ok);
    // Whatever went wrong, the messages before it are kept.
    QCOMPARE(read.size(), head.size() + extra);
    QVERIFY(
        SampleProject::toDelimitedStream(read.mid(0, 3)) == SampleProject::toDelimitedStream(head));
}

void tst_SampleProject::conversion_data()
{
    QTest::addColumn<bool>("groupFeed");
    QTest::newRow("group feed") << true;
    QTest::newRow("own feed") << false;
}

void tst_SampleProject::conversion()
{
    QFETCH(bool, groupFeed);
    DynMsgConverter converter(groupFeed);
    converter.setPrjId(SampleProject::projectId());
    converter.setUserId(SampleProject::members().constFirst().userId());
    const quint64 ownProject = SampleProject::projectId().toULongLong();

    int total = 0;
    for (const pb_clt_t_user &message : qAsConst(m_messages)) {
        MessageContext context;
        context.groupId = SampleProject::projectId();
        context.user = &message;
        const OwnedRecords owned { converter.convert(context) };
        const QList<SDynData *> &records = owned.list;
        total += records.size();

        for (const SDynData *record : qAsConst(records)) {
            QVERIFY2(isValid(record), qPrintable(QStringLiteral("kind %1").arg(record->kind)));
            QVERIFY(record->kind >= SDynData::KindText && record->kind <= SDynData::KindAttachment);
            QVERIFY(record->dateTime.isValid());
        }
        if (!message.has_f_im_msg()) {
            if (!message.has_f_prj_details())
                QVERIFY(records.isEmpty());
            continue;
        }
        // Every item of the sample is meant to show, except a task of the neighbouring project in
        // a feed that is not the group's.
        for (const pb_im_t_msg_item &item : message.f_im_msg().f_msg()) {
            const QString msgId = QString::number(item.f_msg_id());
            int found = 0;
            for (const SDynData *record : qAsConst(records)) {
                if (record->extra.value(QStringLiteral("msgid")).toString() == msgId)
                    ++found;
            }
            const bool otherProject
                = item.has_f_msg_task() && item.f_msg_task().f_prj_id() != ownProject;
            if (otherProject && !groupFeed)
                QVERIFY2(found == 0, qPrintable(describe(item)));
            else
                QVERIFY2(found > 0, qPrintable(describe(item)));
        }
    }
    QVERIFY(total > m_messages.size());
}

QTEST_GUILESS_MAIN(tst_SampleProject)
#include "tst_SampleProject.moc"
