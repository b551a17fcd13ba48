#include <QtTest>

#include <algorithm>
#include <climits>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "PSVPushService.h"
#include "common/QueuedControllerSignals.h"
#include "common/TestMain.h"
#include "common/TestServers.h"
#include "feed/DynDataController.h"
#include "msl.pb.h"

namespace {

/// Records the callbacks as "info 12 0 3", "items 1 2", "log note", "error 4", and every item
/// number in the order received.
class Sink : public IPushServiceSink
{
public:
    void onReceiveMessage(const MessageContext &context) override
    {
        QStringList parts;
        QList<int> numbers;
        for (const pb_im_t_msg_item &item : context.user->f_im_msg().f_msg())
            numbers << item.f_msg_seq_id();
        for (int number : numbers)
            parts << QString::number(number);
        if (!parts.isEmpty())
            parts = QStringList { QStringLiteral("items ") + parts.join(QLatin1Char(' ')) };
        for (const pb_prj_t_log &log : context.user->f_prj_details().f_prj_log())
            parts << QStringLiteral("log ") + QString::fromStdString(log.f_log_content());
        std::lock_guard<std::mutex> lock(m_mutex);
        m_texts << parts.join(QStringLiteral("; "));
        m_numbers << numbers;
    }
    void onGetGroupInfo(const pb_clt_t_group_item &item) override
    {
        const QString id = item.has_f_group_id() ? QString::number(item.f_group_id()) : "-";
        std::lock_guard<std::mutex> lock(m_mutex);
        m_texts
            << QStringLiteral("info %1 %2 %3").arg(id).arg(item.f_init_seqid()).arg(item.f_seq());
    }
    void onError(int code) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_texts << QStringLiteral("error %1").arg(code);
    }

    QStringList texts() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        QStringList copy = m_texts;
        copy.detach();
        return copy;
    }
    QList<int> numbers() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        QList<int> copy = m_numbers;
        copy.detach();
        return copy;
    }

private:
    mutable std::mutex m_mutex; // guards the members below
    QStringList m_texts;
    QList<int> m_numbers;
};

pb_clt_t_user items(int count)
{
    pb_clt_t_user message;
    for (int i = 0; i < count; ++i) {
        pb_im_t_msg_item *item = message.mutable_f_im_msg()->add_f_msg();
        item->set_f_msg_type(5);
        item->set_f_msg_seq_id(999 - i); // numbers are the service's
    }
    return message;
}

/// One message per entry: that many items, or for 0 a project log "note". Item i has the message
/// id <group> * 1000 + 10 * count + i, so that messages of one size repeat their ids.
pb_clt_t_user layoutMessage(const QString &prjId, int count)
{
    pb_clt_t_user message = items(count);
    for (int i = 0; i < count; ++i)
        message.mutable_f_im_msg()->mutable_f_msg(i)->set_f_msg_id(
            prjId.toULongLong() * 1000 + quint64(10 * count + i));
    if (count == 0)
        message.mutable_f_prj_details()->add_f_prj_log()->set_f_log_content("note");
    return message;
}

QList<int> oneTo(int last)
{
    QList<int> numbers;
    for (int i = 1; i <= last; ++i)
        numbers << i;
    return numbers;
}

using Requests = QList<QPair<int, int>>; // getMsgs(from, count)

using Lookups = QList<QPair<int, int>>; // message id (without the group's * 1000), its number

/// What findItem gives for the ids: each item's number, -1 for none.
Lookups lookUp(const QString &prjId, Lookups ids)
{
    for (auto &id : ids) {
        QString group;
        pb_im_t_msg_item item;
        const bool ok = PSVPushService::findItem(
            prjId.toULongLong() * 1000 + quint64(id.first), &group, &item);
        id.second = ok && group == prjId ? item.f_msg_seq_id() : -1;
    }
    return ids;
}

} // namespace

/// The push service on a Redis server: the same deliveries as in process, unique numbers across
/// publishers, and nothing lost or doubled when the server goes away and comes back.
class tst_RedisPushService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup() { QVERIFY(PSVPushService::setServerUrl(QUrl())); }
    void sameAsInProcess_data();
    void sameAsInProcess();
    void twoPublishersTwoClients();
    void serverRestart();
    void serverAbsentAtStart();
    void feedShowsTheOutageOnce();

private:
    QStringList transcript(const QString &prjId, const QList<int> &layout, const Requests &requests,
        const QList<int> &live);

    QTemporaryDir m_dir;
    TestRedisServer m_redis;
    int m_nextGroup = 100;
};

void tst_RedisPushService::initTestCase()
{
    if (!TestRedisServer::isInstalled())
        QSKIP("redis-server is not installed (scripts/deps.sh installs it)");
    QVERIFY2(m_redis.start(), qPrintable(m_redis.why()));
    QVERIFY(m_dir.isValid());
    QStandardPaths::setTestModeEnabled(true);
}

/// Publishes the layout, subscribes, asks for the ranges, publishes the live layout, and returns
/// what the client received. Joining a second group ends the requests, since they are answered
/// in order; each live message is waited for with its group information.
QStringList tst_RedisPushService::transcript(const QString &prjId, const QList<int> &layout,
    const Requests &requests, const QList<int> &live)
{
    for (int count : layout)
        PSVPushService::publish(prjId, layoutMessage(prjId, count));
    Sink sink;
    PSVPushService client(PushType_Group);
    client.start(QStringLiteral("u1"), &sink);
    client.subscribe(prjId);
    for (const auto &request : requests)
        client.getMsgs(request.first, request.second);
    client.subscribe(QStringLiteral("fence"));
    const QString end = QStringLiteral("info - 0 0");
    [&] { QTRY_COMPARE(sink.texts().value(sink.texts().size() - 1), end); }();
    for (int count : live) {
        const int before = sink.texts().size();
        PSVPushService::publish(prjId, layoutMessage(prjId, count));
        [&] { QTRY_COMPARE(sink.texts().size(), before + 2); }();
    }
    return sink.texts();
}

void tst_RedisPushService::sameAsInProcess_data()
{
    QTest::addColumn<QList<int>>("layout");
    QTest::addColumn<Requests>("requests");
    QTest::addColumn<QList<int>>("live"); // published while subscribed
    QTest::addColumn<Lookups>("found"); // by findItem afterwards

    const QList<int> mixed { 1, 1, 1, 1, 0, 2, 1, 1, 1 }; // 5 a log, 6-7 one message
    QTest::newRow("empty group") << QList<int>() << Requests { { 0, 5 } } << QList<int>()
                                 << Lookups { { 10, -1 } };
    QTest::newRow("items and a log, then live")
        << QList<int> { 2, 0, 1 } << Requests { { 0, 10 }, { 1, 2 } } << QList<int> { 1, 0, 3 }
        << Lookups { { 10, 5 }, { 20, 1 }, { 21, 2 }, { 32, 9 }, { 99, -1 } };
    QTest::newRow("newest ten numbers, older log left out")
        << QList<int> { 0, 12, 3, 0, 4 } << Requests { { 2, 3 }, { 0, 1 } } << QList<int>()
        << Lookups { { 120, 2 }, { 43, 21 } };
    QTest::newRow("ranges inside, clipped and empty")
        << mixed
        << Requests { { 3, 4 }, { 4, 1 }, { 6, 1 }, { -5, 7 }, { 8, 10 }, { 0, INT_MAX }, { 10, 5 },
               { -9, 5 }, { 3, 0 } }
        << QList<int> { 2 } << Lookups { { 10, 10 }, { 21, 12 } };
}

void tst_RedisPushService::sameAsInProcess()
{
    QFETCH(QList<int>, layout);
    QFETCH(Requests, requests);
    QFETCH(QList<int>, live);
    QFETCH(Lookups, found);
    const QString prjId = QString::number(++m_nextGroup);
    PSVPushService::setStorePath(m_dir.filePath(prjId + QStringLiteral(".db")));
    const QStringList inProcess = transcript(prjId, layout, requests, live);
    QCOMPARE(lookUp(prjId, found), found);
    QVERIFY(PSVPushService::setServerUrl(m_redis.url()));
    QCOMPARE(transcript(prjId, layout, requests, live), inProcess);
    QCOMPARE(lookUp(prjId, found), found);
    int initSeqId = -1;
    int seq = -1;
    PSVPushService::groupSeqIds(prjId, &initSeqId, &seq);
    int numbers = 0;
    for (int count : layout + live)
        numbers += std::max(1, count);
    QCOMPARE(seq, numbers);
    QCOMPARE(initSeqId, 0);
}

void tst_RedisPushService::twoPublishersTwoClients()
{
    constexpr int kMessages = 150;
    QVERIFY(PSVPushService::setServerUrl(m_redis.url()));
    const QString prjId = QString::number(++m_nextGroup);
    Sink sinks[2];
    std::unique_ptr<PSVPushService> clients[2];
    for (int c = 0; c < 2; ++c) {
        clients[c] = std::make_unique<PSVPushService>(PushType_Group);
        clients[c]->start(QStringLiteral("u%1").arg(c), &sinks[c]);
        QVERIFY(clients[c]->subscribe(prjId));
        QTRY_COMPARE(sinks[c].texts(), QStringList { "info " + prjId + " 0 0" });
    }
    // Each publishing thread has a connection of its own, as two machines would.
    std::vector<QList<int>> given(2);
    std::vector<std::thread> publishers;
    for (int p = 0; p < 2; ++p) {
        publishers.emplace_back([p, &given, prjId] {
            for (int m = 0; m < kMessages; ++m)
                given[size_t(p)] << PSVPushService::publish(prjId, items((p + m) % 3 + 1));
        });
    }
    for (std::thread &publisher : publishers)
        publisher.join();

    QList<int> all = given[0] + given[1];
    QVERIFY(std::is_sorted(given[0].cbegin(), given[0].cend()));
    QVERIFY(std::is_sorted(given[1].cbegin(), given[1].cend()));
    std::sort(all.begin(), all.end());
    QCOMPARE(all, oneTo(all.size())); // unique and gap-free
    for (const Sink &sink : sinks) // every number once, in order
        QTRY_COMPARE(sink.numbers(), all);
}

void tst_RedisPushService::serverRestart()
{
    constexpr int kMessages = 400;
    // Long enough for a publisher to wait out the restart instead of giving up.
    QVERIFY(PSVPushService::setServerUrl(m_redis.url(QStringLiteral("timeout=20000"))));
    const QString prjId = QString::number(++m_nextGroup);
    Sink sink;
    PSVPushService client(PushType_Group);
    client.start(QStringLiteral("u1"), &sink);
    QVERIFY(client.subscribe(prjId));
    QTRY_COMPARE(sink.texts(), QStringList { "info " + prjId + " 0 0" });

    // The publisher goes on once the server is gone; its publications wait for the restart, and
    // go on while the client is still reconnecting.
    QList<int> given;
    std::promise<void> killed;
    std::thread publisher([&given, &prjId, gate = killed.get_future()] {
        for (int m = 0; m < kMessages; ++m) {
            if (m == kMessages / 4)
                gate.wait();
            given << PSVPushService::publish(prjId, items(1));
        }
    });
    QTRY_COMPARE(sink.numbers().size(), kMessages / 4);
    QTest::ignoreMessage(QtWarningMsg,
        QRegularExpression("^PSVPushService: client of user u1 cannot reach the push server "
                           "127.0.0.1:\\d+/0: .*; retrying$"));
    m_redis.kill();
    killed.set_value();
    QTRY_COMPARE(sink.texts().count(QStringLiteral("error 4")), 1);
    QVERIFY2(m_redis.start(), qPrintable(m_redis.why()));
    publisher.join();

    QCOMPARE(given, oneTo(kMessages));
    // The client comes back at its next try, up to 5 s apart.
    QTRY_COMPARE_WITH_TIMEOUT(sink.numbers(), given, 15000); // everything once, in order
    QCOMPARE(sink.texts().count(QStringLiteral("error 4")), 1);
}

void tst_RedisPushService::serverAbsentAtStart()
{
    TestRedisServer late;
    QVERIFY(PSVPushService::setServerUrl(late.url(QStringLiteral("timeout=300"))));
    QTest::ignoreMessage(QtWarningMsg,
        QRegularExpression("^PSVPushService: client of user u1 cannot reach the push server"));
    Sink sink;
    PSVPushService client(PushType_Group);
    client.start(QStringLiteral("u1"), &sink);
    QVERIFY(client.subscribe(QStringLiteral("5"))); // accepted; the group follows the server
    QTRY_COMPARE(sink.texts(), QStringList { "error 4" });
    QTest::ignoreMessage(QtWarningMsg,
        QRegularExpression("^PSVPushService: a message for group 5 was not published: the push "
                           "server 127.0.0.1:\\d+/0 cannot be reached"));
    QVERIFY(PSVPushService::publish(QStringLiteral("5"), items(1)).isEmpty());

    QVERIFY2(late.start(), qPrintable(late.why()));
    QTRY_COMPARE_WITH_TIMEOUT(sink.texts(), (QStringList { "error 4", "info 5 0 0" }), 15000);
    QCOMPARE(PSVPushService::publish(QStringLiteral("5"), items(2)), (QList<int> { 1, 2 }));
    QTRY_COMPARE(
        sink.texts(), (QStringList { "error 4", "info 5 0 0", "info 5 0 2", "items 1 2" }));
}

void tst_RedisPushService::feedShowsTheOutageOnce()
{
    QVERIFY(PSVPushService::setServerUrl(m_redis.url()));
    const QString prjId = QString::number(++m_nextGroup);
    DynDataController controller(true, nullptr);
    QueuedControllerSignals queued(&controller);
    QSignalSpy errors(&queued, &QueuedControllerSignals::networkError);
    QSignalSpy received(&queued, &QueuedControllerSignals::newMessageReceived);
    controller.setProjUserId(prjId, QStringLiteral("u7"));
    QTest::ignoreMessage(QtWarningMsg,
        QRegularExpression("^PSVPushService: client of user u7 cannot reach the push server"));
    m_redis.kill();
    QTRY_COMPARE(errors.count(), 1);
    QVERIFY2(m_redis.start(), qPrintable(m_redis.why()));
    QVERIFY(!PSVPushService::publish(prjId, items(1)).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, 15000);
    QCOMPARE(errors.count(), 1);
}

DYNFEED_TEST_GUILESS_MAIN(tst_RedisPushService)
#include "tst_RedisPushService.moc"
