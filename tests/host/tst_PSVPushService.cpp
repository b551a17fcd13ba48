#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <climits>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "PSVPushService.h"
#include "msl.pb.h"

namespace {

/// What one callback carried, and the thread it ran on.
struct Event
{
    QString text; // "info <group id or -> <first> <newest>", "items 1 2", "log note3", "error 15"
    QString groupId; // the message context's group
    QStringList bodies; // the items' bodies
    QList<int> seqIds; // the items' sequence numbers
    std::thread::id thread;
};

QString describe(const pb_clt_t_user &message, QList<int> *seqIds, QStringList *bodies)
{
    QStringList parts;
    if (message.has_f_im_msg() && message.f_im_msg().f_msg_size() > 0) {
        QString items = QStringLiteral("items");
        for (const pb_im_t_msg_item &item : message.f_im_msg().f_msg()) {
            items += QLatin1Char(' ') + QString::number(item.f_msg_seq_id());
            seqIds->append(item.f_msg_seq_id());
            bodies->append(QString::fromStdString(item.f_msg_body()));
        }
        parts << items;
    }
    if (message.has_f_prj_details()) {
        QStringList logs;
        for (const pb_prj_t_log &log : message.f_prj_details().f_prj_log())
            logs << QString::fromStdString(log.f_log_content());
        parts << QStringLiteral("log ") + logs.join(QLatin1Char('|'));
    }
    if (message.has_f_prj_weather())
        parts << QStringLiteral("weather");
    if (message.has_f_task_details())
        parts << QStringLiteral("task");
    return parts.isEmpty() ? QStringLiteral("empty") : parts.join(QStringLiteral("; "));
}

/// Records every callback with the thread it ran on. Thread-safe. Can make its callbacks wait
/// for a mutex that the test holds, as the feed controller's callbacks wait for its list lock.
class RecordingSink : public IPushServiceSink
{
public:
    void onReceiveMessage(const MessageContext &context) override
    {
        Event event;
        event.groupId = context.groupId;
        event.text = context.user ? describe(*context.user, &event.seqIds, &event.bodies)
                                  : QStringLiteral("null");
        record(std::move(event));
    }

    void onGetGroupInfo(const pb_clt_t_group_item &groupItem) override
    {
        Event event;
        event.text = QStringLiteral("info %1 %2 %3")
                         .arg(groupItem.has_f_group_id() ? QString::number(groupItem.f_group_id())
                                                         : QStringLiteral("-"))
                         .arg(groupItem.f_init_seqid())
                         .arg(groupItem.f_seq());
        record(std::move(event));
    }

    void onError(int code) override
    {
        Event event;
        event.text = QStringLiteral("error %1").arg(code);
        record(std::move(event));
    }

    /// From now on every callback waits for this mutex before it records.
    void blockOn(std::mutex *mutex) { m_blocker.store(mutex); }
    /// Runs in the next message callback, on the delivery thread.
    void setOnMessage(std::function<void()> hook)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_onMessage = std::move(hook);
    }

    int entered() const { return m_entered.load(); }
    int finished() const { return m_finished.load(); }

    QList<Event> events() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }

    QStringList texts() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        QStringList texts;
        for (const Event &event : m_events)
            texts << event.text;
        return texts;
    }

    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.clear();
    }

private:
    void record(Event event)
    {
        m_entered.fetch_add(1);
        event.thread = std::this_thread::get_id();
        if (std::mutex *blocker = m_blocker.load()) {
            std::lock_guard<std::mutex> wait(*blocker);
        }
        std::function<void()> hook;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_events << event;
            if (!event.seqIds.isEmpty() || event.text.startsWith(QLatin1String("log")))
                hook = std::exchange(m_onMessage, nullptr);
        }
        if (hook)
            hook();
        m_finished.fetch_add(1);
    }

    mutable std::mutex m_mutex; // guards m_events and m_onMessage
    QList<Event> m_events;
    std::function<void()> m_onMessage;
    std::atomic<std::mutex *> m_blocker { nullptr };
    std::atomic<int> m_entered { 0 };
    std::atomic<int> m_finished { 0 };
};

pb_clt_t_user itemsMessage(int count, const QString &tag)
{
    pb_clt_t_user message;
    for (int i = 0; i < count; ++i) {
        pb_im_t_msg_item *item = message.mutable_f_im_msg()->add_f_msg();
        item->set_f_msg_type(5);
        item->set_f_msg_body(QStringLiteral("%1-%2").arg(tag).arg(i).toStdString());
        item->set_f_send_time(1700000000 + i);
    }
    return message;
}

pb_clt_t_user logMessage(const QString &text)
{
    pb_clt_t_user message;
    pb_prj_t_log *log = message.mutable_f_prj_details()->add_f_prj_log();
    log->set_f_log_content(text.toStdString());
    log->set_f_add_time(1700000000);
    return message;
}

/// Publishes one message per entry: that many items, or for 0 a project log "note<number>".
void publishLayout(const QString &prjId, const QList<int> &layout)
{
    int seq = 0;
    PSVPushService::groupSeqIds(prjId, nullptr, &seq);
    for (int count : layout) {
        const QList<int> given = count > 0
            ? PSVPushService::publish(
                prjId, itemsMessage(count, QStringLiteral("m%1").arg(seq + 1)))
            : PSVPushService::publish(prjId, logMessage(QStringLiteral("note%1").arg(seq + 1)));
        QCOMPARE(given.size(), qMax(1, count));
        seq = given.constLast();
    }
}

QStringList withFence(QStringList texts)
{
    return texts << QStringLiteral("error 15");
}

// A request past any group's end: its "no messages" reply comes after everything the client
// had coming before it.
void requestFence(PSVPushService &client)
{
    client.getMsgs(INT_MAX - 1, 1);
}

} // namespace

class tst_PSVPushService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void subscribeRefused_data();
    void subscribeRefused();
    void subscribeDelivers_data();
    void subscribeDelivers();
    void publishNumbers_data();
    void publishNumbers();
    void publishWithoutProjectId();
    void concurrentPublishers();
    void getMsgs_data();
    void getMsgs();
    void getMsgsWithoutGroup();
    void leaveWhileCallbackBlocked_data();
    void leaveWhileCallbackBlocked();
    void destroyWhileCallbackRunning();
    void destroyFromCallback();
    void twoClientsTwoGroups();
    void resubscribeStartsAfresh();
    void logsOncePerSubscription();
    void persistence();
    void unusableStore_data();
    void unusableStore();
    void failedWriteReachesSubscribers();
    void malformedStoredMessageSkipped();

private:
    QString freshStorePath();
    void verifyDeliveryThreads(const QList<Event> &events);
    /// Runs a statement on the store file through a connection of the test's own.
    void execOnStore(const QString &statement);

    QTemporaryDir m_dir;
    int m_storeCount = 0;
    std::thread::id m_testThread;
};

void tst_PSVPushService::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
    m_testThread = std::this_thread::get_id();
}

void tst_PSVPushService::init()
{
    PSVPushService::setStorePath(freshStorePath());
}

void tst_PSVPushService::cleanupTestCase()
{
    PSVPushService::setStorePath(QString());
}

QString tst_PSVPushService::freshStorePath()
{
    return m_dir.filePath(QStringLiteral("store-%1.db").arg(++m_storeCount));
}

void tst_PSVPushService::verifyDeliveryThreads(const QList<Event> &events)
{
    for (const Event &event : events) {
        QVERIFY2(event.thread != m_testThread, qPrintable(event.text));
        QCOMPARE(event.thread, events.constFirst().thread);
    }
}

void tst_PSVPushService::execOnStore(const QString &statement)
{
    const QString name = QStringLiteral("tst_direct");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(PSVPushService::storePath());
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
    }
    QSqlDatabase::removeDatabase(name);
}

void tst_PSVPushService::subscribeRefused_data()
{
    QTest::addColumn<bool>("started");
    QTest::addColumn<QString>("prjId");
    QTest::newRow("not started") << false << QStringLiteral("1");
    QTest::newRow("empty project id") << true << QString();
}

void tst_PSVPushService::subscribeRefused()
{
    QFETCH(bool, started);
    QFETCH(QString, prjId);
    PSVPushService::publish(QStringLiteral("1"), itemsMessage(1, QStringLiteral("a")));
    RecordingSink sink;
    PSVPushService client(PushType_Group);
    if (started)
        QVERIFY(client.start(QStringLiteral("u1"), &sink));
    QVERIFY(!client.subscribe(prjId));

    client.start(QStringLiteral("u1"), &sink);
    requestFence(client);
    QTRY_COMPARE(sink.texts(), withFence({}));
}

void tst_PSVPushService::subscribeDelivers_data()
{
    QTest::addColumn<QString>("prjId");
    QTest::addColumn<QList<int>>("layout");
    QTest::addColumn<QStringList>("expected");

    auto items = [](int first, int last) {
        QString text = QStringLiteral("items");
        for (int seq = first; seq <= last; ++seq)
            text += QLatin1Char(' ') + QString::number(seq);
        return text;
    };
    QTest::newRow("empty group, numeric id")
        << QStringLiteral("1001") << QList<int>() << QStringList { "info 1001 0 0" };
    QTest::newRow("empty group, text id")
        << QStringLiteral("prj-a") << QList<int>() << QStringList { "info - 0 0" };
    QTest::newRow("single items") << QStringLiteral("12") << QList<int> { 1, 1, 1 }
                                  << QStringList { "info 12 0 3", "items 1 2 3" };
    QTest::newRow("items of one message")
        << QStringLiteral("12") << QList<int> { 3 } << QStringList { "info 12 0 3", "items 1 2 3" };
    QTest::newRow("project log on its own")
        << QStringLiteral("12") << QList<int> { 2, 0, 1 }
        << QStringList { "info 12 0 4", "items 1 2 4", "log note3" };
    QTest::newRow("newest 30 of 45") << QStringLiteral("12") << QVector<int>(45, 1).toList()
                                     << QStringList { "info 12 0 45", items(16, 45) };
    QTest::newRow("message reaching into the newest 30") << QStringLiteral(
        "12") << QList<int> { 10, 25 } << QStringList { "info 12 0 35", items(6, 35) };
    QTest::newRow("older project log left out") << QStringLiteral("12") << QList<int> { 0, 30 }
                                                << QStringList { "info 12 0 31", items(2, 31) };
}

void tst_PSVPushService::subscribeDelivers()
{
    QFETCH(QString, prjId);
    QFETCH(QList<int>, layout);
    QFETCH(QStringList, expected);
    publishLayout(prjId, layout);

    RecordingSink sink;
    PSVPushService client(PushType_Group);
    QVERIFY(client.start(QStringLiteral("u1"), &sink));
    QVERIFY(client.subscribe(prjId));
    requestFence(client);

    QTRY_COMPARE(sink.texts(), withFence(expected));
    const QList<Event> events = sink.events();
    verifyDeliveryThreads(events);
    for (const Event &event : events) {
        if (!event.seqIds.isEmpty() || event.text.startsWith(QLatin1String("log")))
            QCOMPARE(event.groupId, prjId);
    }
}

void tst_PSVPushService::publishNumbers_data()
{
    QTest::addColumn<QList<int>>("before");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<QString>("delivered");

    QTest::newRow("first item of a new group")
        << QList<int>() << "items 1" << QList<int> { 1 } << "items 1";
    QTest::newRow("three items") << QList<int>() << "items 3" << QList<int> { 1, 2, 3 }
                                 << "items 1 2 3";
    QTest::newRow("after items and a log")
        << QList<int> { 2, 0 } << "items 2" << QList<int> { 4, 5 } << "items 4 5";
    QTest::newRow("project log") << QList<int> { 1 } << "log" << QList<int> { 2 } << "log hello";
    QTest::newRow("weather") << QList<int> { 1 } << "weather" << QList<int> { 2 } << "weather";
    QTest::newRow("empty message") << QList<int>() << "empty" << QList<int> { 1 } << "empty";
    QTest::newRow("numbers set by the sender are replaced")
        << QList<int> { 1 } << "preset" << QList<int> { 2, 3 } << "items 2 3";
    QTest::newRow("items with a log beside them")
        << QList<int>() << "items and log" << QList<int> { 1, 2 } << "items 1 2; log hello";
}

void tst_PSVPushService::publishNumbers()
{
    QFETCH(QList<int>, before);
    QFETCH(QString, kind);
    QFETCH(QList<int>, numbers);
    QFETCH(QString, delivered);
    const QString prjId = QStringLiteral("31");
    publishLayout(prjId, before);

    RecordingSink sink;
    PSVPushService client(PushType_Group);
    QVERIFY(client.start(QStringLiteral("u1"), &sink));
    QVERIFY(client.subscribe(prjId));
    requestFence(client);
    QTRY_VERIFY(!sink.texts().isEmpty() && sink.texts().constLast() == QLatin1String("error 15"));
    sink.clear();

    pb_clt_t_user message;
    if (kind.startsWith(QLatin1String("items")))
        message = itemsMessage(kind.section(QLatin1Char(' '), 1).toInt(), QStringLiteral("x"));
    if (kind == QLatin1String("items and log")) {
        message = itemsMessage(2, QStringLiteral("x"));
        message.mutable_f_prj_details()->add_f_prj_log()->set_f_log_content("hello");
    } else if (kind == QLatin1String("log")) {
        message = logMessage(QStringLiteral("hello"));
    } else if (kind == QLatin1String("weather")) {
        message.mutable_f_prj_weather()->set_f_prj_id(31);
    } else if (kind == QLatin1String("preset")) {
        message = itemsMessage(2, QStringLiteral("x"));
        message.mutable_f_im_msg()->mutable_f_msg(0)->set_f_msg_seq_id(999);
        message.mutable_f_im_msg()->mutable_f_msg(1)->set_f_msg_seq_id(-4);
    }
    QCOMPARE(PSVPushService::publish(prjId, message), numbers);
    int first = -1;
    int newest = -1;
    PSVPushService::groupSeqIds(prjId, &first, &newest);
    QCOMPARE(first, 0);
    QCOMPARE(newest, numbers.constLast());

    requestFence(client);
    QTRY_COMPARE(sink.texts(), withFence({ delivered }));

    // The stored items are the ones delivered live; the parts beside items, which carry no
    // sequence number, this subscription has had already and does not get again.
    sink.clear();
    client.getMsgs(numbers.constFirst() - 1, numbers.size());
    requestFence(client);
    const QString items = delivered.startsWith(QLatin1String("items"))
        ? delivered.section(QStringLiteral("; "), 0, 0)
        : QString();
    QTRY_COMPARE(sink.texts(), withFence(items.isEmpty() ? QStringList() : QStringList { items }));
}

void tst_PSVPushService::publishWithoutProjectId()
{
    QTest::ignoreMessage(QtWarningMsg,
        "PSVPushService: a message without a project id was not "
        "published");
    QVERIFY(PSVPushService::publish(QString(), itemsMessage(1, QStringLiteral("a"))).isEmpty());
}

void tst_PSVPushService::concurrentPublishers()
{
    const QString prjId = QStringLiteral("77");
    constexpr int Publishers = 4;
    constexpr int MessagesEach = 25;

    RecordingSink sinks[2];
    std::unique_ptr<PSVPushService> clients[2];
    for (int c = 0; c < 2; ++c) {
        clients[c] = std::make_unique<PSVPushService>(PushType_Group);
        QVERIFY(clients[c]->start(QStringLiteral("u%1").arg(c), &sinks[c]));
        QVERIFY(clients[c]->subscribe(prjId));
        QTRY_COMPARE(sinks[c].texts(), QStringList { "info 77 0 0" });
    }

    std::vector<QList<QList<int>>> given(Publishers);
    std::vector<std::thread::id> publisherThreads(Publishers);
    std::vector<std::thread> publishers;
    for (int p = 0; p < Publishers; ++p) {
        publishers.emplace_back([p, &given, &publisherThreads, &prjId] {
            publisherThreads[p] = std::this_thread::get_id();
            for (int m = 0; m < MessagesEach; ++m) {
                const int items = (p + m) % 3 + 1;
                given[p] << PSVPushService::publish(
                    prjId, itemsMessage(items, QStringLiteral("p%1m%2").arg(p).arg(m)));
            }
        });
    }
    for (std::thread &publisher : publishers)
        publisher.join();

    // Unique, consecutive numbers; within one message consecutive; per publisher ascending.
    QList<int> all;
    for (int p = 0; p < Publishers; ++p) {
        int previous = 0;
        for (int m = 0; m < MessagesEach; ++m) {
            const QList<int> &numbers = given[p].at(m);
            QCOMPARE(numbers.size(), (p + m) % 3 + 1);
            QVERIFY(numbers.constFirst() > previous);
            for (int i = 1; i < numbers.size(); ++i)
                QCOMPARE(numbers.at(i), numbers.at(i - 1) + 1);
            previous = numbers.constLast();
            all << numbers;
        }
    }
    std::sort(all.begin(), all.end());
    QList<int> expected;
    for (int seq = 1; seq <= all.size(); ++seq)
        expected << seq;
    QCOMPARE(all, expected);

    // Every client receives every message once, in the order of the numbers.
    for (int c = 0; c < 2; ++c) {
        requestFence(*clients[c]);
        QTRY_COMPARE(sinks[c].texts().size(), 1 + Publishers * MessagesEach + 1);
        const QList<Event> events = sinks[c].events();
        verifyDeliveryThreads(events);
        QList<int> received;
        for (const Event &event : events.mid(1, Publishers * MessagesEach)) {
            QCOMPARE(event.groupId, prjId);
            QVERIFY(!event.seqIds.isEmpty());
            // The items of one delivery are the items of one published message.
            const QString tag = event.bodies.constFirst().section(QLatin1Char('-'), 0, 0);
            for (int i = 0; i < event.bodies.size(); ++i)
                QCOMPARE(event.bodies.at(i), QStringLiteral("%1-%2").arg(tag).arg(i));
            received << event.seqIds;
        }
        QCOMPARE(received, expected);
        QCOMPARE(events.constLast().text, QStringLiteral("error 15"));
        for (const std::thread::id &publisher : publisherThreads)
            QVERIFY(events.constFirst().thread != publisher);
    }
    QVERIFY(sinks[0].events().constFirst().thread != sinks[1].events().constFirst().thread);
}

void tst_PSVPushService::getMsgs_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("expected");

    // The group: 1-4 single items, 5 a project log, 6-7 one message of two items, 8-10 single.
    // The subscription has had the log already: having no sequence number a receiver could
    // recognise, it does not come again.
    QTest::newRow("inside") << 3 << 4 << QStringList { "items 4 6 7" };
    QTest::newRow("first numbers") << 0 << 3 << QStringList { "items 1 2 3" };
    QTest::newRow("last numbers") << 8 << 2 << QStringList { "items 9 10" };
    QTest::newRow("clipped at the end") << 8 << 10 << QStringList { "items 9 10" };
    QTest::newRow("clipped at the start") << -5 << 7 << QStringList { "items 1 2" };
    QTest::newRow("second item of a message") << 6 << 1 << QStringList { "items 7" };
    QTest::newRow("first item of a message") << 5 << 1 << QStringList { "items 6" };
    QTest::newRow("only the log") << 4 << 1 << QStringList {};
    QTest::newRow("whole group") << 0 << 100 << QStringList { "items 1 2 3 4 6 7 8 9 10" };
    QTest::newRow("largest count") << 0 << INT_MAX << QStringList { "items 1 2 3 4 6 7 8 9 10" };
    QTest::newRow("beyond the end") << 10 << 5 << QStringList { "error 15" };
    QTest::newRow("far beyond the end") << INT_MAX << INT_MAX << QStringList { "error 15" };
    QTest::newRow("count 0") << 3 << 0 << QStringList { "error 15" };
    QTest::newRow("negative count") << 3 << -2 << QStringList { "error 15" };
    QTest::newRow("ending before the first") << -9 << 5 << QStringList { "error 15" };
}

void tst_PSVPushService::getMsgs()
{
    QFETCH(int, from);
    QFETCH(int, count);
    QFETCH(QStringList, expected);
    const QString prjId = QStringLiteral("8");
    publishLayout(prjId, { 1, 1, 1, 1, 0, 2, 1, 1, 1 });

    RecordingSink sink;
    PSVPushService client(PushType_Group);
    QVERIFY(client.start(QStringLiteral("u1"), &sink));
    QVERIFY(client.subscribe(prjId));
    QTRY_COMPARE(
        sink.texts(), QStringList({ "info 8 0 10", "items 1 2 3 4 6 7 8 9 10", "log note5" }));
    sink.clear();

    client.getMsgs(from, count);
    requestFence(client);
    QTRY_COMPARE(sink.texts(), withFence(expected));
    verifyDeliveryThreads(sink.events());
}

void tst_PSVPushService::getMsgsWithoutGroup()
{
    publishLayout(QStringLiteral("3"), { 1, 1 });
    RecordingSink sink;
    PSVPushService client(PushType_Group);
    QVERIFY(client.start(QStringLiteral("u1"), &sink));
    client.getMsgs(0, 2);
    QTRY_COMPARE(sink.texts(), QStringList { "error 15" });
    verifyDeliveryThreads(sink.events());
}

void tst_PSVPushService::leaveWhileCallbackBlocked_data()
{
    QTest::addColumn<bool>("stop");
    QTest::newRow("unsubscribe") << false;
    QTest::newRow("stop") << true;
}

void tst_PSVPushService::leaveWhileCallbackBlocked()
{
    QFETCH(bool, stop);
    const QString prjId = QStringLiteral("40");
    RecordingSink sink;
    RecordingSink witnessSink;
    PSVPushService client(PushType_Group);
    PSVPushService witness(PushType_Group);
    for (auto [service, recorder] :
        { std::pair(&client, &sink), std::pair(&witness, &witnessSink) }) {
        QVERIFY(service->start(QStringLiteral("u1"), recorder));
        QVERIFY(service->subscribe(prjId));
        QTRY_COMPARE(recorder->texts(), QStringList { "info 40 0 0" });
        recorder->clear();
    }

    // The test thread plays the controller: it holds the lock its callbacks need.
    std::mutex callerLock;
    std::unique_lock<std::mutex> held(callerLock);
    sink.blockOn(&callerLock);
    const int before = sink.finished();
    PSVPushService::publish(prjId, itemsMessage(1, QStringLiteral("a")));
    QTRY_COMPARE(sink.entered(), before + 1);
    PSVPushService::publish(prjId, itemsMessage(1, QStringLiteral("b")));
    PSVPushService::publish(prjId, itemsMessage(1, QStringLiteral("c")));

    // Leaving must not wait for the blocked callback; run it aside so that a wait fails the test
    // instead of hanging it.
    std::atomic<bool> returned { false };
    std::thread leaving([&] {
        if (stop)
            client.stop();
        else
            client.unsubscribe(prjId);
        returned = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(returned.load(), 5000);
    held.unlock();
    leaving.join();
    QTRY_COMPARE(sink.finished(), before + 1);

    PSVPushService::publish(prjId, itemsMessage(1, QStringLiteral("d")));
    QTRY_COMPARE(witnessSink.texts(), QStringList({ "items 1", "items 2", "items 3", "items 4" }));
    if (!stop) {
        requestFence(client);
        QTRY_COMPARE(sink.texts(), withFence({ "items 1" }));
    } else {
        QCOMPARE(sink.texts(), QStringList { "items 1" });
    }
    verifyDeliveryThreads(sink.events());
}

void tst_PSVPushService::destroyWhileCallbackRunning()
{
    const QString prjId = QStringLiteral("41");
    RecordingSink sink;
    auto client = std::make_unique<PSVPushService>(PushType_Group);
    QVERIFY(client->start(QStringLiteral("u1"), &sink));
    QVERIFY(client->subscribe(prjId));
    QTRY_COMPARE(sink.texts(), QStringList { "info 41 0 0" });

    std::mutex callerLock;
    std::unique_lock<std::mutex> held(callerLock);
    sink.blockOn(&callerLock);
    const int before = sink.finished();
    PSVPushService::publish(prjId, itemsMessage(1, QStringLiteral("a")));
    PSVPushService::publish(prjId, itemsMessage(1, QStringLiteral("b")));
    QTRY_COMPARE(sink.entered(), before + 1);

    std::atomic<bool> destroying { false };
    std::atomic<bool> destroyed { false };
    std::thread destroyer([&] {
        destroying = true;
        client.reset();
        destroyed = true;
    });
    QTRY_VERIFY(destroying.load());
    held.unlock(); // the running callback finishes; the destructor must then return
    QTRY_VERIFY(destroyed.load());
    destroyer.join();

    const int seen = sink.entered() - before;
    QCOMPARE(sink.finished(), sink.entered());
    PSVPushService::publish(prjId, itemsMessage(1, QStringLiteral("c")));
    QCOMPARE(sink.entered() - before, seen);
    // The second message ran only if its callback began before the destructor did.
    QVERIFY(seen == 1 || seen == 2);
}

void tst_PSVPushService::destroyFromCallback()
{
    const QString prjId = QStringLiteral("42");
    RecordingSink sink;
    auto *client = new PSVPushService(PushType_Group);
    QVERIFY(client->start(QStringLiteral("u1"), &sink));
    QVERIFY(client->subscribe(prjId));
    QTRY_COMPARE(sink.texts(), QStringList { "info 42 0 0" });

    std::atomic<bool> deleted { false };
    sink.setOnMessage([&deleted, client] {
        delete client;
        deleted = true;
    });
    PSVPushService::publish(prjId, itemsMessage(1, QStringLiteral("a")));
    QTRY_VERIFY(deleted.load());
    PSVPushService::publish(prjId, itemsMessage(1, QStringLiteral("b")));
    QCOMPARE(sink.texts(), QStringList({ "info 42 0 0", "items 1" }));
}

void tst_PSVPushService::twoClientsTwoGroups()
{
    RecordingSink sinkA;
    RecordingSink sinkB;
    PSVPushService clientA(PushType_Group);
    PSVPushService clientB(PushType_Personal);
    QVERIFY(clientA.start(QStringLiteral("ua"), &sinkA));
    QVERIFY(clientB.start(QStringLiteral("ub"), &sinkB));
    QVERIFY(clientA.subscribe(QStringLiteral("1")));
    QVERIFY(clientB.subscribe(QStringLiteral("2")));
    QTRY_COMPARE(sinkA.texts(), QStringList { "info 1 0 0" });
    QTRY_COMPARE(sinkB.texts(), QStringList { "info 2 0 0" });

    for (int i = 0; i < 5; ++i) {
        PSVPushService::publish(
            QStringLiteral("1"), itemsMessage(1, QStringLiteral("one%1").arg(i)));
        PSVPushService::publish(
            QStringLiteral("2"), itemsMessage(2, QStringLiteral("two%1").arg(i)));
    }
    requestFence(clientA);
    requestFence(clientB);
    QTRY_COMPARE(sinkA.texts(),
        withFence({ "info 1 0 0", "items 1", "items 2", "items 3", "items 4", "items 5" }));
    QTRY_COMPARE(sinkB.texts(),
        withFence(
            { "info 2 0 0", "items 1 2", "items 3 4", "items 5 6", "items 7 8", "items 9 10" }));
    for (const Event &event : sinkA.events().mid(1, 5)) {
        QCOMPARE(event.groupId, QStringLiteral("1"));
        QVERIFY(event.bodies.constFirst().startsWith(QLatin1String("one")));
    }
    for (const Event &event : sinkB.events().mid(1, 5)) {
        QCOMPARE(event.groupId, QStringLiteral("2"));
        QVERIFY(event.bodies.constFirst().startsWith(QLatin1String("two")));
    }
    verifyDeliveryThreads(sinkA.events());
    verifyDeliveryThreads(sinkB.events());
    QVERIFY(sinkA.events().constFirst().thread != sinkB.events().constFirst().thread);
}

void tst_PSVPushService::resubscribeStartsAfresh()
{
    // Leaving a project and coming back: the group information and newest messages again,
    // then new messages once each, and getMsgs reads the group joined last.
    publishLayout(QStringLiteral("5"), { 1, 1 });
    publishLayout(QStringLiteral("6"), { 3 });
    RecordingSink sink;
    PSVPushService client(PushType_Group);
    QVERIFY(client.start(QStringLiteral("u1"), &sink));
    QVERIFY(client.subscribe(QStringLiteral("5")));
    QTRY_COMPARE(sink.texts(), QStringList({ "info 5 0 2", "items 1 2" }));
    client.unsubscribe(QStringLiteral("5"));
    QVERIFY(client.subscribe(QStringLiteral("6")));
    QVERIFY(client.subscribe(QStringLiteral("5")));
    PSVPushService::publish(QStringLiteral("5"), itemsMessage(1, QStringLiteral("n")));
    client.getMsgs(0, 1);
    requestFence(client);
    QTRY_COMPARE(sink.texts(),
        withFence({ "info 5 0 2", "items 1 2", "info 6 0 3", "items 1 2 3", "info 5 0 2",
            "items 1 2", "items 3", "items 1" }));
    QCOMPARE(sink.events().at(7).groupId, QStringLiteral("5"));
}

void tst_PSVPushService::logsOncePerSubscription()
{
    const QString prjId = QStringLiteral("41");
    publishLayout(prjId, { 1, 0, 1 });
    RecordingSink sink;
    PSVPushService client(PushType_Group);
    QVERIFY(client.start(QStringLiteral("u1"), &sink));
    QVERIFY(client.subscribe(prjId));
    PSVPushService::publish(prjId, logMessage(QStringLiteral("live")));
    // Ranges that hold the logs again bring their items only.
    client.getMsgs(0, 10);
    client.getMsgs(1, 1);
    requestFence(client);
    QTRY_COMPARE(sink.texts(),
        withFence({ "info 41 0 3", "items 1 3", "log note2", "log live", "items 1 3" }));

    // A new subscription starts afresh.
    sink.clear();
    client.unsubscribe(prjId);
    QVERIFY(client.subscribe(prjId));
    requestFence(client);
    QTRY_COMPARE(sink.texts(), withFence({ "info 41 0 4", "items 1 3", "log note2", "log live" }));
}

void tst_PSVPushService::persistence()
{
    const QString path = PSVPushService::storePath();
    publishLayout(QStringLiteral("5"), { 2, 0, 1 });

    PSVPushService::setStorePath(freshStorePath());
    int first = -1;
    int newest = -1;
    PSVPushService::groupSeqIds(QStringLiteral("5"), &first, &newest);
    QCOMPARE(newest, 0);

    PSVPushService::setStorePath(path);
    PSVPushService::groupSeqIds(QStringLiteral("5"), &first, &newest);
    QCOMPARE(first, 0);
    QCOMPARE(newest, 4);
    QCOMPARE(PSVPushService::publish(QStringLiteral("5"), itemsMessage(1, QStringLiteral("m5"))),
        QList<int> { 5 });

    RecordingSink sink;
    PSVPushService client(PushType_Group);
    QVERIFY(client.start(QStringLiteral("u1"), &sink));
    QVERIFY(client.subscribe(QStringLiteral("5")));
    QTRY_COMPARE(sink.texts(), QStringList({ "info 5 0 5", "items 1 2 4 5", "log note3" }));
    QCOMPARE(sink.events().at(1).bodies, QStringList({ "m1-0", "m1-1", "m4-0", "m5-0" }));
}

void tst_PSVPushService::unusableStore_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing directory") << "missing";
    QTest::newRow("below a regular file") << "below file";
    QTest::newRow("a directory") << "directory";
    QTest::newRow("not a database") << "garbage";
}

void tst_PSVPushService::unusableStore()
{
    QFETCH(QString, kind);
    QString path = m_dir.filePath(QStringLiteral("unusable-%1").arg(++m_storeCount));
    if (kind == QLatin1String("missing")) {
        path += QStringLiteral("/no/such/dir/store.db");
    } else if (kind == QLatin1String("below file")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        path += QStringLiteral("/store.db");
    } else if (kind == QLatin1String("directory")) {
        QVERIFY(QDir().mkpath(path));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    PSVPushService::setStorePath(path);

    const QRegularExpression warning(
        QStringLiteral("^PSVPushService: cannot open the message store \"%1\": .+")
            .arg(QRegularExpression::escape(path)));
    for (int i = 0; i < 3; ++i)
        QTest::ignoreMessage(QtWarningMsg, warning);

    RecordingSink sink;
    PSVPushService client(PushType_Group);
    QVERIFY(client.start(QStringLiteral("u1"), &sink));
    QVERIFY(!client.subscribe(QStringLiteral("1")));
    QVERIFY(PSVPushService::publish(QStringLiteral("1"), itemsMessage(1, QStringLiteral("a")))
                .isEmpty());
    int first = -1;
    int newest = -1;
    PSVPushService::groupSeqIds(QStringLiteral("1"), &first, &newest);
    QCOMPARE(first, 0);
    QCOMPARE(newest, 0);
    QTRY_COMPARE(sink.texts(), QStringList { "error 1" });
    verifyDeliveryThreads(sink.events());
}

void tst_PSVPushService::failedWriteReachesSubscribers()
{
    const QString prjId = QStringLiteral("60");
    publishLayout(prjId, { 1 });
    RecordingSink sink;
    PSVPushService client(PushType_Group);
    QVERIFY(client.start(QStringLiteral("u1"), &sink));
    QVERIFY(client.subscribe(prjId));
    QTRY_COMPARE(sink.texts(), QStringList({ "info 60 0 1", "items 1" }));

    // The disk refuses the next message.
    execOnStore(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON push_messages "
                               "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
    QTest::ignoreMessage(QtWarningMsg,
        QRegularExpression("^PSVPushService: cannot store a message of group "
                           "60: .*disk full"));
    QVERIFY(PSVPushService::publish(prjId, itemsMessage(2, QStringLiteral("lost"))).isEmpty());
    QTRY_COMPARE(sink.texts(), QStringList({ "info 60 0 1", "items 1", "error 3" }));

    // Nothing of the failed message stayed behind: the numbers go on where they were.
    execOnStore(QStringLiteral("DROP TRIGGER refuse"));
    QCOMPARE(
        PSVPushService::publish(prjId, itemsMessage(1, QStringLiteral("kept"))), QList<int> { 2 });
    client.getMsgs(0, 10);
    QTRY_COMPARE(
        sink.texts(), QStringList({ "info 60 0 1", "items 1", "error 3", "items 2", "items 1 2" }));
}

void tst_PSVPushService::malformedStoredMessageSkipped()
{
    const QString prjId = QStringLiteral("9");
    publishLayout(prjId, { 1, 2, 1 });
    execOnStore(QStringLiteral("UPDATE push_messages SET payload = x'0f0f' WHERE first_seq = 2"));
    QTest::ignoreMessage(QtWarningMsg,
        "PSVPushService: skipped a malformed stored message "
        "(group 9, sequence number 2)");

    RecordingSink sink;
    PSVPushService client(PushType_Group);
    QVERIFY(client.start(QStringLiteral("u1"), &sink));
    QVERIFY(client.subscribe(prjId));
    requestFence(client);
    QTRY_COMPARE(sink.texts(), withFence({ "info 9 0 4", "items 1 4" }));

    // A range next to the damaged message does not touch it.
    sink.clear();
    client.getMsgs(3, 1);
    requestFence(client);
    QTRY_COMPARE(sink.texts(), withFence({ "items 4" }));
}

QTEST_GUILESS_MAIN(tst_PSVPushService)
#include "tst_PSVPushService.moc"
