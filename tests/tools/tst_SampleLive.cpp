#include <QSet>
#include <QTest>

#include <google/protobuf/util/message_differencer.h>

#include <memory>

#include "MessageContext.h"
#include "common/TestMain.h"
#include "feed/DynMsgConverter.h"
#include "feed/SDynData.h"
#include "samples/SampleLive.h"

/// The demo's live messages: the same message for the same number, and messages that do not
/// read like repeats of the ones just before, whatever number a start begins at.
class tst_SampleLive : public QObject
{
    Q_OBJECT

private slots:
    void variety_data();
    void variety();
};

namespace {

const qint64 kNow = 1796000000;

/// What a reader sees of a message: the sender and the summary of each record.
QStringList readings(const pb_clt_t_user &message, QSet<QString> *kinds)
{
    DynMsgConverter converter(true);
    converter.setPrjId(QStringLiteral("10086"));
    MessageContext context;
    context.user = &message;
    QStringList lines;
    for (SDynData *raw : converter.convert(context)) {
        const std::unique_ptr<SDynData> record(raw);
        lines << record->userName + QLatin1Char('|') + record->text + QLatin1Char('|')
                + record->content.value(QStringLiteral("f_attach_name")).toString();
        *kinds << QString::number(record->kind)
                + (record->extra.value(QStringLiteral("upload")).toBool() ? "upload" : "");
    }
    return lines;
}

} // namespace

void tst_SampleLive::variety_data()
{
    QTest::addColumn<quint64>("first");
    QTest::newRow("a new demo store") << quint64(0);
    QTest::newRow("across the end of a round") << quint64(17);
    QTest::newRow("a store used for long") << quint64(123457);
}

void tst_SampleLive::variety()
{
    QFETCH(quint64, first);
    const int count = 20;
    QList<QStringList> seen;
    QSet<QString> kinds;
    QString lastSender;
    SampleLiveMessages live(first);
    for (int i = 0; i < count; ++i) {
        const pb_clt_t_user message = live.next(kNow + i);
        QVERIFY(google::protobuf::util::MessageDifferencer::Equals(
            message, SampleLiveMessages::message(first + i, kNow + i)));
        const QStringList lines = readings(message, &kinds);
        QVERIFY(!lines.isEmpty());
        // Never the same person twice in a row, and nothing that reads like one of the last
        // few messages, which a start after a short while shows at the top again.
        const QString sender = lines.first().section(QLatin1Char('|'), 0, 0);
        QVERIFY2(sender != lastSender, qPrintable(sender));
        lastSender = sender;
        for (int back = 1; back <= 4 && back <= seen.size(); ++back) {
            for (const QString &line : lines)
                QVERIFY2(!seen.at(seen.size() - back).contains(line), qPrintable(line));
        }
        seen << lines;
    }
    // Notices, files, uploads with their View button, photos: every kind a member posts.
    QCOMPARE(kinds, (QSet<QString> { "0", "5", "5upload" }));
}

DYNFEED_TEST_MAIN(tst_SampleLive)
#include "tst_SampleLive.moc"
