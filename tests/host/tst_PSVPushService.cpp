#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <climits>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "DynKeys.h"
#include "PSVPushService.h"
#include "common/QueuedControllerSignals.h"
#include "common/TestMain.h"
#include "common/TestServers.h"
#include "feed/DynDataController.h"
#include "msl.pb.h"

// The Redis cases need a redis-server of their own.
#define SKIP_WITHOUT_REDIS()                                                                       \
    if (!TestRedisServer::isInstalled())                                                           \
    QSKIP("redis-server is not installed (scripts/deps.sh installs it)")

namespace {

const std::thread::id kTestThread = std::this_thread::get_id();

/// Records what every callback carried: "info 12 0 3", "items 1 2", "log note", "error 15", and
/// every item number in the order received; a callback on the test's thread shows too.
class Sink : public IPushServiceSink
{
public:
    void onReceiveMessage(const MessageContext &context) override
    {
        QStringList parts;
        QList<int> numbers;
        for (const pb_im_t_msg_item &item : context.user->f_im_msg().f_msg()) {
            numbers << item.f_msg_seq_id();
            parts << QString::number(item.f_msg_seq_id());
        }
        if (!parts.isEmpty())
            parts = QStringList { QStringLiteral("items ") + parts.join(QLatin1Char(' ')) };
        for (const pb_prj_t_log &log : context.user->f_prj_details().f_prj_log())
            parts << QStringLiteral("log ") + QString::fromStdString(log.f_log_content());
        record(parts.join(QStringLiteral("; ")), numbers);
        if (onMessage)
            onMessage();
    }
    void onGetGroupInfo(const pb_clt_t_group_item &item) override
    {
        const QString id = item.has_f_group_id() ? QString::number(item.f_group_id()) : "-";
        record(QStringLiteral("info %1 %2 %3").arg(id).arg(item.f_init_seqid()).arg(item.f_seq()));
    }
    void onError(int code) override { record(QStringLiteral("error %1").arg(code)); }

    QStringList texts(bool clear = false)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        QStringList copy = clear ? std::exchange(m_texts, {}) : m_texts;
        copy.detach(); // shares no list with the delivery thread's appends
        return copy;
    }
    QList<int> numbers() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        QList<int> copy = m_numbers;
        copy.detach();
        return copy;
    }

    std::function<void()> onMessage; // runs in each message callback; set before publishing

private:
    void record(const QString &text, const QList<int> &numbers = {})
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_texts << text;
        m_numbers << numbers;
        if (std::this_thread::get_id() == kTestThread) // not on the client's delivery thread
            m_texts << QStringLiteral("stray thread");
    }

    mutable std::mutex m_mutex; // guards the members below
    QStringList m_texts;
    QList<int> m_numbers;
};

/// count items, numbered by their sender: the service gives its own numbers.
pb_clt_t_user items(int count)
{
    pb_clt_t_user message;
    for (int i = 0; i < count; ++i) {
        message.mutable_f_im_msg()->add_f_msg()->set_f_msg_type(MsgType::Plain);
        message.mutable_f_im_msg()->mutable_f_msg(i)->set_f_msg_seq_id(999 - i);
    }
    return message;
}

/// count items, or for 0 a project log "note". Item i has the message id <group> * 1000 +
/// 10 * count + i, so that messages of one size repeat their ids.
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

/// Publishes one layoutMessage per entry.
void publishLayout(const QString &prjId, const QList<int> &layout)
{
    for (int count : layout)
        QCOMPARE(
            PSVPushService::publish(prjId, layoutMessage(prjId, count)).size(), qMax(1, count));
}

/// Waits until the client has received exactly expected, then forgets it. The request past any
/// group's end is a fence: its "no messages" reply comes after all that came before it.
void expectTexts(PSVPushService &client, Sink &sink, QStringList expected)
{
    client.getMsgs(INT_MAX - 1, 1);
    expected << QStringLiteral("error 15");
    QTRY_COMPARE(sink.texts(), expected);
    sink.texts(true);
}

/// Starts the client and subscribes it to prjId, then expects the group's first deliveries.
void join(PSVPushService &client, Sink &sink, const QString &prjId, QStringList expected = {})
{
    QVERIFY(client.start(QStringLiteral("u1"), &sink));
    QVERIFY(client.subscribe(prjId));
    expectTexts(
        client, sink, expected.isEmpty() ? QStringList { "info " + prjId + " 0 0" } : expected);
}

QList<int> oneTo(int last)
{
    QList<int> numbers;
    for (int i = 1; i <= last; ++i)
        numbers << i;
    return numbers;
}

/// The numbers findItem gives for the ids (<group> * 1000 + id), -1 for none.
QList<int> lookUp(const QString &prjId, const QList<int> &ids)
{
    QList<int> numbers;
    for (int id : ids) {
        QString group;
        pb_im_t_msg_item item;
        const bool ok
            = PSVPushService::findItem(prjId.toULongLong() * 1000 + quint64(id), &group, &item);
        numbers << (ok && group == prjId ? int(item.f_msg_seq_id()) : -1);
    }
    return numbers;
}

} // namespace

/// The host's push service, in process and on a Redis server: numbering, delivery on its own
/// thread, paging, leaving and storage; nothing lost or doubled when the server goes away.

/// Rows tagged "on Redis" run on a Redis server of their own, so that groups start afresh.

class tst_PSVPushService : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { PSVPushService::setStorePath(QString()); }

private:
    QString freshStorePath() { return m_dir.filePath(QStringLiteral("%1.db").arg(++m_stores)); }

    QTemporaryDir m_dir;
    int m_stores = 0;
    TestRedisServer m_redis;
    std::unique_ptr<TestRedisServer> m_rowRedis;
    int m_nextGroup = 100;
private slots:

    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QStandardPaths::setTestModeEnabled(true);
        if (TestRedisServer::isInstalled())
            QVERIFY2(m_redis.start(), qPrintable(m_redis.why()));
    }

    void init()
    {
        PSVPushService::setStorePath(freshStorePath());
        if (!QByteArray(QTest::currentDataTag()).endsWith("on Redis"))
            return;
        SKIP_WITHOUT_REDIS();
        m_rowRedis = std::make_unique<TestRedisServer>(false);
        QVERIFY2(m_rowRedis->start(), qPrintable(m_rowRedis->why()));
        QVERIFY(PSVPushService::setServerUrl(m_rowRedis->url()));
    }

    void cleanup()
    {
        QVERIFY(PSVPushService::setServerUrl(QUrl()));
        m_rowRedis.reset();
    }

    void subscribe_data()
    {
        QTest::addColumn<QString>("prjId");
        QTest::addColumn<QList<int>>("layout");
        QTest::addColumn<QStringList>("expected"); // empty: refused

        const auto row
            = [](const char *name, const char *prjId, QList<int> layout, QStringList texts) {
                  for (const char *backend : { "", ", on Redis" })
                      QTest::addRow("%s%s", name, backend) << QString(prjId) << layout << texts;
              };
        row("empty project id", "", { 1 }, {});
        row("empty group", "1001", {}, { "info 1001 0 0" });
        row("project id not a number", "prj-a", {}, { "info - 0 0" });
        row("project log on its own", "12", { 2, 0, 1 },
            { "info 12 0 4", "items 1 2 4", "log note" });
        // 1 a log, 2-13 one message, 14-16, 17 a log, 18-21: the newest ten numbers are 12-21.
        row("newest ten numbers, the older log left out", "12", { 0, 12, 3, 0, 4 },
            { "info 12 0 21", "items 12 13 14 15 16 18 19 20 21", "log note" });
    }

    void subscribe()
    {
        QFETCH(QString, prjId);
        QFETCH(QList<int>, layout);
        QFETCH(QStringList, expected);
        publishLayout(prjId.isEmpty() ? QStringLiteral("1") : prjId, layout);

        Sink sink;
        PSVPushService client(PushType_Group);
        QVERIFY(!client.subscribe(prjId)); // not started
        QVERIFY(client.start(QStringLiteral("u1"), &sink));
        QCOMPARE(client.subscribe(prjId), !expected.isEmpty());
        expectTexts(client, sink, expected); // without a group, paging reads nothing
    }

    void concurrentPublishers_data()
    {
        QTest::addColumn<int>("publishers");
        QTest::addColumn<int>("messages"); // each
        QTest::newRow("in process") << 4 << 25;
        // Each publishing thread has a connection of its own, as two machines would.
        QTest::newRow("two publishers, on Redis") << 2 << 150;
    }

    void concurrentPublishers()
    {
        QFETCH(int, publishers);
        QFETCH(int, messages);
        const QString group = QStringLiteral("77");
        const QStringList groups { group, group, "78" }; // the last client listens elsewhere
        Sink sinks[3];
        std::unique_ptr<PSVPushService> clients[3];
        for (int c = 0; c < 3; ++c) {
            clients[c] = std::make_unique<PSVPushService>(PushType_Group);
            join(*clients[c], sinks[c], groups.at(c));
        }
        std::vector<QList<int>> given(static_cast<size_t>(publishers));
        std::vector<std::thread> threads;
        for (int p = 0; p < publishers; ++p) {
            threads.emplace_back([p, messages, &given, group] {
                for (int m = 0; m < messages; ++m)
                    given[size_t(p)] << PSVPushService::publish(group, items((p + m) % 3 + 1));
            });
        }
        for (std::thread &thread : threads)
            thread.join();

        // Unique, gap-free numbers, ascending for each publisher; every subscriber receives every
        // message once, in the order of the numbers, after the group's numbers as they stand with
        // it.
        QList<int> all;
        for (const QList<int> &numbers : given) {
            QVERIFY(std::is_sorted(numbers.cbegin(), numbers.cend()));
            all << numbers;
        }
        std::sort(all.begin(), all.end());
        QCOMPARE(all, oneTo(all.size()));
        for (int c = 0; c < 2; ++c) {
            QTRY_COMPARE(sinks[c].numbers(), all);
            const QStringList texts = sinks[c].texts();
            QCOMPARE(texts.size(), 2 * publishers * messages);
            for (int i = 0; i + 1 < texts.size(); i += 2)
                QCOMPARE(texts.at(i), "info " + group + " 0 " + texts.at(i + 1).section(' ', -1));
        }
        expectTexts(*clients[2], sinks[2], {});
    }

    void getMsgs_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("expected");

        // The group: 1-4 single items, 5 a project log, 6-7 one message, 8-10 single items. The log
        // carries no number a receiver could recognise, so a subscription has it once.
        const auto row = [](const char *name, int from, int count, QStringList texts) {
            for (const char *backend : { "", ", on Redis" })
                QTest::addRow("%s%s", name, backend) << from << count << texts;
        };
        row("inside, the log left out", 3, 4, { "items 4 6 7" });
        row("only the log", 4, 1, {});
        row("second item of a message", 6, 1, { "items 7" });
        row("clipped at the start", -5, 7, { "items 1 2" });
        row("clipped at the end", 8, 10, { "items 9 10" });
        row("largest count", 0, INT_MAX, { "items 1 2 3 4 6 7 8 9 10" });
        row("beyond the end", 10, 5, { "error 15" });
        row("ending before the first", -9, 5, { "error 15" });
        row("count 0", 3, 0, { "error 15" });
    }

    void getMsgs()
    {
        QFETCH(int, from);
        QFETCH(int, count);
        QFETCH(QStringList, expected);
        const QString prjId = QStringLiteral("8");
        publishLayout(prjId, { 1, 1, 1, 1, 0, 2, 1, 1, 1 });
        const QStringList joined { "info 8 0 10", "items 1 2 3 4 6 7 8 9 10", "log note" };

        Sink sink;
        PSVPushService client(PushType_Group);
        join(client, sink, prjId, joined);
        client.getMsgs(from, count);
        expectTexts(client, sink, expected);
        // A new subscription has the log again.
        client.unsubscribe(prjId);
        QVERIFY(client.subscribe(prjId));
        expectTexts(client, sink, joined);

        // Published while subscribed, a log too, each after the group's numbers.
        publishLayout(prjId, { 0, 2 });
        QTRY_COMPARE(sink.texts(),
            (QStringList { "info 8 0 11", "log note", "info 8 0 13", "items 12 13" }));
        // Single items repeat their ids: the newest is found.
        QCOMPARE(lookUp(prjId, { 10, 20, 21, 99 }), (QList<int> { 10, 12, 13, -1 }));
        int initSeqId = -1;
        int seq = -1;
        PSVPushService::groupSeqIds(prjId, &initSeqId, &seq);
        QCOMPARE(qMakePair(initSeqId, seq), qMakePair(0, 13));
    }

    void leaveWhileCallbackBlocked_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("unsubscribe") << "unsubscribe";
        QTest::newRow("stop") << "stop";
        QTest::newRow("destroy") << "destroy";
        QTest::newRow("destroy from the callback") << "destroy from the callback";
    }

    void leaveWhileCallbackBlocked()
    {
        QFETCH(QString, how);
        const QString prjId = QStringLiteral("40");
        Sink sink;
        Sink witnessSink;
        auto client = std::make_unique<PSVPushService>(PushType_Group);
        PSVPushService witness(PushType_Group);
        join(*client, sink, prjId);
        join(witness, witnessSink, prjId);

        // The test thread plays the controller: it holds the lock its callbacks need.
        std::mutex controllerLock;
        std::unique_lock<std::mutex> held(controllerLock);
        std::atomic<int> entered { 0 };
        std::atomic<int> finished { 0 };
        const bool fromCallback = how == QLatin1String("destroy from the callback");
        const auto leave = [&] {
            if (how == QLatin1String("unsubscribe"))
                client->unsubscribe(prjId);
            else
                how == QLatin1String("stop") ? client->stop() : client.reset();
        };
        sink.onMessage = [&] {
            ++entered;
            if (fromCallback)
                leave();
            else
                std::lock_guard<std::mutex> wait(controllerLock);
            ++finished;
        };
        publishLayout(prjId, { 1, 1, 1 });
        QTRY_COMPARE(entered.load(), 1);

        // Leaving must not wait for the blocked callback (done aside, so that a wait fails the test
        // instead of hanging it); destroying waits for it to finish, and must then return.
        std::atomic<int> stage { 0 }; // 1 leaving, 2 left
        std::thread leaving;
        if (!fromCallback) {
            leaving = std::thread([&] {
                stage = 1;
                leave();
                stage = 2;
            });
            QTRY_VERIFY(stage > 0);
        }
        if (how == QLatin1String("stop") || how == QLatin1String("unsubscribe"))
            QTRY_COMPARE_WITH_TIMEOUT(stage.load(), 2, 5000);
        held.unlock();
        if (leaving.joinable())
            leaving.join();

        if (how == QLatin1String("destroy")) // the destructor waited for the callback
            QCOMPARE(finished.load(), entered.load());
        QTRY_COMPARE(finished.load(), entered.load());
        const int seen = entered;
        PSVPushService::publish(prjId, items(1));
        expectTexts(witness, witnessSink,
            { "info 40 0 1", "items 1", "info 40 0 2", "items 2", "info 40 0 3", "items 3",
                "info 40 0 4", "items 4" });
        QCOMPARE(entered.load(), seen);
        // A callback that began before the destructor did may run; none after it.
        if (how != QLatin1String("destroy"))
            QCOMPARE(sink.texts(), (QStringList { "info 40 0 1", "items 1" }));
    }

    void storage()
    {
        const QString prjId = QStringLiteral("5");
        const QString path = PSVPushService::storePath();
        QSqlDatabase db
            = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("test"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        publishLayout(prjId, { 2, 0, 1 });
        {
            Sink sink;
            PSVPushService client(PushType_Group);
            join(client, sink, prjId, { "info 5 0 4", "items 1 2 4", "log note" });

            // The disk refuses the next message: the subscribers hear of it, nothing of it stays.
            QVERIFY(
                query.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON push_messages "
                                          "BEGIN SELECT RAISE(ABORT, 'disk full'); END")));
            QTest::ignoreMessage(QtWarningMsg,
                QRegularExpression(
                    "^PSVPushService: cannot store a message of group 5: .*disk full"));
            QVERIFY(PSVPushService::publish(prjId, items(2)).isEmpty());
            expectTexts(client, sink, { "error 3" });
            QVERIFY(query.exec(QStringLiteral("DROP TRIGGER refuse")));
        }

        // The store, opened again, has it all but a damaged message, which is left out.
        PSVPushService::setStorePath(freshStorePath());
        PSVPushService::setStorePath(path);
        QCOMPARE(PSVPushService::publish(prjId, items(1)), QList<int> { 5 });
        QVERIFY(query.exec("UPDATE push_messages SET payload = x'0f0f' WHERE first_seq = 4"));
        QTest::ignoreMessage(QtWarningMsg,
            "PSVPushService: skipped a malformed stored message (group 5, sequence number 4)");
        Sink sink;
        PSVPushService client(PushType_Group);
        join(client, sink, prjId, { "info 5 0 5", "items 1 2 5", "log note" });

        QTest::ignoreMessage(
            QtWarningMsg, "PSVPushService: a message without a project id was not published");
        QVERIFY(PSVPushService::publish(QString(), items(1)).isEmpty());
    }

    void unusableStore()
    {
        const QString path = m_dir.filePath(QStringLiteral("not-a-database"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(4096, 'x')) == 4096);
        file.close();
        PSVPushService::setStorePath(path);
        for (int i = 0; i < 2; ++i) {
            QTest::ignoreMessage(QtWarningMsg,
                QRegularExpression(
                    "^PSVPushService: cannot open the message store .*not-a-database"));
        }

        Sink sink;
        PSVPushService client(PushType_Group);
        QVERIFY(client.start(QStringLiteral("u1"), &sink));
        QVERIFY(!client.subscribe(QStringLiteral("1")));
        QVERIFY(PSVPushService::publish(QStringLiteral("1"), items(1)).isEmpty());
        QTRY_COMPARE(sink.texts(), QStringList { "error 1" });
    }

    void redisServerRestart()
    {
        SKIP_WITHOUT_REDIS();
        constexpr int kMessages = 400;
        // Long enough for a publisher to wait out the restart instead of giving up.
        QVERIFY(PSVPushService::setServerUrl(m_redis.url(QStringLiteral("timeout=20000"))));
        const QString prjId = QString::number(++m_nextGroup);
        Sink sink;
        PSVPushService client(PushType_Group);
        client.start(QStringLiteral("u1"), &sink);
        QVERIFY(client.subscribe(prjId));
        QTRY_COMPARE(sink.texts(), QStringList { "info " + prjId + " 0 0" });
        // A feed on the group shows the outage once, and goes on afterwards.
        DynDataController controller(true, nullptr);
        QueuedControllerSignals queued(&controller);
        QSignalSpy errors(&queued, &QueuedControllerSignals::networkError);
        QSignalSpy received(&queued, &QueuedControllerSignals::newMessageReceived);
        controller.setProjUserId(prjId, QStringLiteral("u7"));

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
        QTest::ignoreMessage(QtWarningMsg,
            QRegularExpression("^PSVPushService: client of user u7 cannot reach the push server"));
        m_redis.kill();
        killed.set_value();
        QTRY_COMPARE(sink.texts().count(QStringLiteral("error 4")), 1);
        QTRY_COMPARE(errors.count(), 1);
        QVERIFY2(m_redis.start(), qPrintable(m_redis.why()));
        publisher.join();

        QCOMPARE(given, oneTo(kMessages));
        // The client comes back at its next try, up to 5 s apart.
        QTRY_COMPARE_WITH_TIMEOUT(sink.numbers(), given, 15000); // everything once, in order
        QCOMPARE(sink.texts().count(QStringLiteral("error 4")), 1);
        const int before = received.count();
        QVERIFY(!PSVPushService::publish(prjId, items(1)).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(received.count() > before, 15000);
        QCOMPARE(errors.count(), 1);
    }

    void redisAbsentAtStart()
    {
        SKIP_WITHOUT_REDIS();
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
};

DYNFEED_TEST_GUILESS_MAIN(tst_PSVPushService)
#include "tst_PSVPushService.moc"
