#include <QDate>
#include <QSet>
#include <QTest>

#include <memory>
#include <vector>

#include "DynKeys.h"
#include "MessageContext.h"
#include "common/TestMain.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "samples/SampleProject.h"

namespace {

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

    QList<pb_clt_t_user> m_messages;

private slots:
    void initTestCase()
    {
        m_messages = SampleProject::messages();
        QVERIFY(m_messages.size() >= 200);
    }

    void stream_data()
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

    void stream()
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

    void conversion_data()
    {
        QTest::addColumn<bool>("groupFeed");
        QTest::newRow("group feed") << true;
        QTest::newRow("own feed") << false;
    }

    void conversion()
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
                shown << record->extra.value(DynKey::msgId).toString();
            }
            for (const pb_im_t_msg_item &item : message.f_im_msg().f_msg()) {
                QVERIFY(
                    item.f_send_time() >= previousTime && item.f_send_time() < start + 35 * 86400);
                QVERIFY(!item.has_f_msg_seq_id() || item.f_msg_seq_id() > previousSeq);
                QVERIFY(!msgIds.contains(item.f_msg_id()));
                previousTime = item.f_send_time();
                previousSeq = item.has_f_msg_seq_id() ? item.f_msg_seq_id() : previousSeq;
                msgIds << item.f_msg_id();
                const bool otherProject = item.has_f_msg_task()
                    && QString::number(item.f_msg_task().f_prj_id()) != SampleProject::projectId();
                QVERIFY2(shown.contains(QString::number(item.f_msg_id()))
                        != (otherProject && !groupFeed),
                    qPrintable(QString::number(item.f_msg_id())));
            }
            QVERIFY(message.has_f_im_msg() || message.has_f_prj_details() || records.empty());
        }
    }
};

DYNFEED_TEST_GUILESS_MAIN(tst_SampleProject)
#include "tst_SampleProject.moc"
