#include "PushServiceStore_p.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <QtDebug>

#include <algorithm>
#include <future>
#include <limits>

#include "Logging_p.h"
#include "PSVPushService.h"
#include "PushClient_p.h"
#include "PushDeliveryQueue_p.h"
#include "PushStoreRange_p.h"
#include "msl.pb.h"

namespace {

void shutdownStore()
{
    PushServiceStore::instance().shutdown();
}

} // namespace

PushServiceStore::PushServiceStore()
    : m_queue(
        1,
        [] {
            // Registered before the thread exists: Qt guards its list of routines with a lock
            // that ThreadSanitizer cannot see, and the store thread's first database work
            // touches Qt's global lists too.
            if (QCoreApplication::instance())
                qAddPostRoutine(shutdownStore);
        },
        // The thread closes the connection it opened before it ends; the next thread starts
        // only once this one has left the database alone.
        [this] { closeDatabase(); })
{ }

PushServiceStore &PushServiceStore::instance()
{
    // Never destroyed: clients may still reach it while static objects go away at exit. Its
    // thread and database are closed when the application object is destroyed.
    static PushServiceStore *const store = new PushServiceStore;
    return *store;
}

void PushServiceStore::setPath(const QString &path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (path == m_path)
        return;
    m_path = path;
    ++m_pathVersion;
}

QString PushServiceStore::path() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_path;
}

bool PushServiceStore::open()
{
    return call<bool>([this] { return ensureOpen(); });
}

QList<int> PushServiceStore::publish(const QString &groupId, const pb_clt_t_user &message)
{
    if (groupId.isEmpty()) {
        qCWarning(lcPush(), "PSVPushService: a message without a project id was not published");
        return {};
    }
    // The caller waits, so the job may read its message in place.
    return call<QList<int>>([this, &groupId, &message] { return publishNow(groupId, message); });
}

bool PushServiceStore::groupSeqIds(const QString &groupId, int *initSeqId, int *seq)
{
    return call<bool>([this, &groupId, initSeqId, seq] {
        *initSeqId = 0;
        *seq = 0;
        return ensureOpen() && readGroup(groupId, initSeqId, seq);
    });
}

bool PushServiceStore::findItem(quint64 msgId, QString *groupId, pb_im_t_msg_item *item)
{
    return call<bool>([this, msgId, groupId, item] {
        if (!ensureOpen())
            return false;
        QSqlQuery query(m_db);
        query.setForwardOnly(true);
        if (!query.exec(QStringLiteral(
                "SELECT group_id, payload FROM push_messages ORDER BY first_seq DESC"))) {
            qCWarning(lcPush(), "PSVPushService: cannot look for message %llu: %s", msgId,
                qUtf8Printable(query.lastError().text()));
            return false;
        }
        pb_clt_t_user stored;
        while (query.next()) {
            const QByteArray payload = query.value(1).toByteArray();
            if (!stored.ParseFromArray(payload.constData(), payload.size()))
                continue; // skipped with a warning where the group is read
            for (const pb_im_t_msg_item &candidate : stored.f_im_msg().f_msg()) {
                if (candidate.has_f_msg_id() && candidate.f_msg_id() == msgId) {
                    *groupId = query.value(0).toString();
                    *item = candidate;
                    return true;
                }
            }
        }
        return false;
    });
}

void PushServiceStore::subscribe(
    const std::shared_ptr<PushDeliveryQueue> &queue, const QString &groupId, quint64 token)
{
    post([this, queue, groupId, token] {
        // Registered before anything is read: the snapshot below and every later publication
        // run on this thread one after the other, so the client misses nothing and gets
        // nothing twice, even when reading the snapshot fails.
        std::vector<Subscriber> &subscribers = m_subscribers[groupId];
        subscribers.erase(std::remove_if(subscribers.begin(), subscribers.end(),
                              [&queue](const Subscriber &subscriber) {
                                  return subscriber.key == queue.get()
                                      || subscriber.queue.expired();
                              }),
            subscribers.end());
        subscribers.push_back(Subscriber { queue, queue.get(), token });

        if (!ensureOpen()) {
            sendError(*queue, groupId, token, PushError_StoreOpen);
            return;
        }
        int initSeqId = 0;
        int seq = 0;
        if (!readGroup(groupId, &initSeqId, &seq)) {
            sendError(*queue, groupId, token, PushError_StoreRead);
            return;
        }
        PushDelivery info;
        info.kind = PushDelivery::Kind::GroupInfo;
        info.groupId = groupId;
        info.token = token;
        info.initSeqId = initSeqId;
        info.seq = seq;
        queue->push(std::move(info));
        if (seq > initSeqId)
            deliverGroup(
                queue, groupId, token, std::max(initSeqId, seq - NewestOnSubscribe), seq, false);
    });
}

void PushServiceStore::fetch(const std::shared_ptr<PushDeliveryQueue> &queue,
    const QString &groupId, quint64 token, int fromSeqId, int count)
{
    post([this, queue, groupId, token, fromSeqId, count] {
        if (groupId.isEmpty()) {
            sendError(*queue, groupId, token, PushError_NoMessages);
            return;
        }
        if (!ensureOpen()) {
            sendError(*queue, groupId, token, PushError_StoreOpen);
            return;
        }
        int initSeqId = 0;
        int seq = 0;
        if (!readGroup(groupId, &initSeqId, &seq)) {
            sendError(*queue, groupId, token, PushError_StoreRead);
            return;
        }
        const qint64 after = std::max<qint64>(fromSeqId, initSeqId);
        const qint64 upTo = std::min<qint64>(qint64(fromSeqId) + count, seq);
        if (count <= 0 || upTo <= after) {
            sendError(*queue, groupId, token, PushError_NoMessages);
            return;
        }
        deliverGroup(queue, groupId, token, int(after), int(upTo), true);
    });
}

void PushServiceStore::unsubscribe(
    const std::shared_ptr<PushDeliveryQueue> &queue, const QString &groupId)
{
    post([this, queue, groupId] {
        const auto found = m_subscribers.find(groupId);
        if (found == m_subscribers.end())
            return;
        std::vector<Subscriber> &subscribers = found.value();
        subscribers.erase(std::remove_if(subscribers.begin(), subscribers.end(),
                              [&queue](const Subscriber &subscriber) {
                                  return subscriber.key == queue.get()
                                      || subscriber.queue.expired();
                              }),
            subscribers.end());
        if (subscribers.empty())
            m_subscribers.erase(found);
    });
}

void PushServiceStore::unsubscribeAll(const std::shared_ptr<PushDeliveryQueue> &queue)
{
    post([this, queue] {
        for (auto group = m_subscribers.begin(); group != m_subscribers.end();) {
            std::vector<Subscriber> &subscribers = group.value();
            subscribers.erase(std::remove_if(subscribers.begin(), subscribers.end(),
                                  [&queue](const Subscriber &subscriber) {
                                      return subscriber.key == queue.get()
                                          || subscriber.queue.expired();
                                  }),
                subscribers.end());
            group = subscribers.empty() ? m_subscribers.erase(group) : std::next(group);
        }
    });
}

void PushServiceStore::shutdown()
{
    m_queue.stop();
}

void PushServiceStore::post(std::function<void()> job)
{
    m_queue.post(std::move(job));
}

template <typename Result> Result PushServiceStore::call(std::function<Result()> job)
{
    auto promise = std::make_shared<std::promise<Result>>();
    std::future<Result> result = promise->get_future();
    post([promise, job] { promise->set_value(job()); });
    return result.get();
}

bool PushServiceStore::ensureOpen()
{
    QString path;
    quint64 pathVersion = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        path = m_path;
        pathVersion = m_pathVersion;
    }
    if (m_db.isOpen() && pathVersion == m_openPathVersion)
        return true;

    closeDatabase();
    m_connectionName = QStringLiteral("dynfeed_push_store_%1").arg(++m_connectionCount);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_db.setDatabaseName(path.isEmpty() ? QStringLiteral(":memory:") : path);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    QString error;
    bool opened = m_db.open();
    if (!opened)
        error = m_db.lastError().text();
    else
        opened = createSchema(&error);
    if (!opened) {
        qCWarning(lcPush(), "PSVPushService: cannot open the message store \"%s\": %s",
            qUtf8Printable(path.isEmpty() ? QStringLiteral(":memory:") : path),
            qUtf8Printable(error));
        closeDatabase();
        return false;
    }
    m_openPathVersion = pathVersion;
    return true;
}

bool PushServiceStore::createSchema(QString *error)
{
    static const char *const statements[] = {
        // WAL: a commit does not wait for the disk, and readers do not block the writer.
        "PRAGMA journal_mode=WAL",
        "PRAGMA synchronous=NORMAL",
        "CREATE TABLE IF NOT EXISTS push_groups ("
        " group_id TEXT PRIMARY KEY NOT NULL,"
        " init_seq INTEGER NOT NULL,"
        " last_seq INTEGER NOT NULL)",
        // One row per published message, covering the sequence numbers first_seq..last_seq.
        "CREATE TABLE IF NOT EXISTS push_messages ("
        " group_id TEXT NOT NULL,"
        " first_seq INTEGER NOT NULL,"
        " last_seq INTEGER NOT NULL,"
        " payload BLOB NOT NULL,"
        " PRIMARY KEY (group_id, first_seq)) WITHOUT ROWID",
    };
    QSqlQuery query(m_db);
    for (const char *statement : statements) {
        if (!query.exec(QString::fromLatin1(statement))) {
            *error = query.lastError().text();
            return false;
        }
    }
    return true;
}

void PushServiceStore::closeDatabase()
{
    if (m_connectionName.isEmpty())
        return;
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
    m_connectionName.clear();
}

bool PushServiceStore::readGroup(const QString &groupId, int *initSeqId, int *seq)
{
    *initSeqId = 0;
    *seq = 0;
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT init_seq, last_seq FROM push_groups WHERE group_id = ?"));
    query.addBindValue(groupId);
    if (!query.exec()) {
        qCWarning(lcPush(), "PSVPushService: cannot read group %s: %s", qUtf8Printable(groupId),
            qUtf8Printable(query.lastError().text()));
        return false;
    }
    if (query.next()) {
        *initSeqId = query.value(0).toInt();
        *seq = query.value(1).toInt();
    }
    return true;
}

bool PushServiceStore::readMessages(const QString &groupId, int afterSeqId, int upToSeqId,
    std::vector<std::unique_ptr<pb_clt_t_user>> *messages, std::vector<int> *onceKeys)
{
    PushStoreRange range(groupId, afterSeqId, upToSeqId);
    const auto take = [&range](int firstSeqId, const QByteArray &payload) {
        range.take(firstSeqId, payload.constData(), payload.size());
    };

    // The last message that begins before the range may still reach into it; take() keeps only
    // its items inside the range. Its end is tested here rather than in SQL, where SQLite would
    // walk back through the whole group whenever that message ends before the range.
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral(
        "SELECT first_seq, last_seq, payload FROM push_messages WHERE group_id = ? AND"
        " first_seq <= ? ORDER BY first_seq DESC LIMIT 1"));
    query.addBindValue(groupId);
    query.addBindValue(afterSeqId);
    bool ok = query.exec();
    while (ok && query.next()) {
        if (query.value(1).toInt() > afterSeqId)
            take(query.value(0).toInt(), query.value(2).toByteArray());
    }
    if (ok) {
        query.prepare(QStringLiteral(
            "SELECT first_seq, payload FROM push_messages WHERE group_id = ? AND first_seq > ?"
            " AND first_seq <= ? ORDER BY first_seq"));
        query.addBindValue(groupId);
        query.addBindValue(afterSeqId);
        query.addBindValue(upToSeqId);
        ok = query.exec();
        while (ok && query.next())
            take(query.value(0).toInt(), query.value(1).toByteArray());
    }
    if (!ok) {
        qCWarning(lcPush(), "PSVPushService: cannot read the messages of group %s: %s",
            qUtf8Printable(groupId), qUtf8Printable(query.lastError().text()));
        return false;
    }

    range.takeResult(messages, onceKeys);
    return true;
}

QList<int> PushServiceStore::publishNow(const QString &groupId, const pb_clt_t_user &message)
{
    if (!ensureOpen()) {
        sendErrorToGroup(groupId, PushError_StoreOpen);
        return {};
    }
    pb_clt_t_user stored(message);
    QList<int> seqIds;
    int initSeqId = 0;
    QString error;
    if (!writeMessage(groupId, &stored, &seqIds, &initSeqId, &error)) {
        qCWarning(lcPush(), "PSVPushService: cannot store a message of group %s: %s",
            qUtf8Printable(groupId), qUtf8Printable(error));
        sendErrorToGroup(groupId, PushError_StoreWrite);
        return {};
    }

    const auto found = m_subscribers.find(groupId);
    if (found == m_subscribers.end())
        return seqIds;
    for (const Subscriber &subscriber : found.value()) {
        if (const std::shared_ptr<PushDeliveryQueue> queue = subscriber.queue.lock()) {
            // The group's new numbers go first, so that a feed counts the message and grows its
            // page count before the message itself arrives.
            PushDelivery info;
            info.kind = PushDelivery::Kind::GroupInfo;
            info.groupId = groupId;
            info.token = subscriber.token;
            info.initSeqId = initSeqId;
            info.seq = seqIds.constLast();
            queue->push(std::move(info));
            // Each client gets its own copy: callbacks on different threads share nothing.
            PushDelivery delivery;
            delivery.kind = PushDelivery::Kind::Message;
            delivery.groupId = groupId;
            delivery.token = subscriber.token;
            delivery.message = std::make_unique<pb_clt_t_user>(stored);
            // Published parts beside items must not come again with a later range.
            if (PushStoreRange::itemCount(stored) == 0
                || PushStoreRange::hasPartsBesideItems(stored))
                delivery.onceKey = seqIds.constFirst();
            queue->push(std::move(delivery));
        }
    }
    return seqIds;
}

bool PushServiceStore::writeMessage(const QString &groupId, pb_clt_t_user *message,
    QList<int> *seqIds, int *groupInitSeqId, QString *error)
{
    if (!m_db.transaction()) {
        *error = m_db.lastError().text();
        return false;
    }
    QSqlQuery query(m_db);
    const auto fail = [&](const QString &text) {
        *error = text;
        query.finish();
        m_db.rollback();
        return false;
    };

    query.prepare(QStringLiteral("SELECT init_seq, last_seq FROM push_groups WHERE group_id = ?"));
    query.addBindValue(groupId);
    if (!query.exec())
        return fail(query.lastError().text());
    int initSeqId = 0;
    int lastSeqId = 0;
    if (query.next()) {
        initSeqId = query.value(0).toInt();
        lastSeqId = query.value(1).toInt();
    }
    query.finish();

    // Every item takes a number; a message without items takes one for itself.
    const int count = PushStoreRange::itemCount(*message);
    const int numbers = std::max(1, count);
    if (lastSeqId < 0 || lastSeqId > std::numeric_limits<int>::max() - numbers)
        return fail(QStringLiteral("the group's sequence numbers are exhausted"));
    const int firstSeqId = lastSeqId + 1;
    for (int i = 0; i < count; ++i)
        message->mutable_f_im_msg()->mutable_f_msg(i)->set_f_msg_seq_id(firstSeqId + i);
    std::string bytes;
    if (!message->SerializeToString(&bytes))
        return fail(QStringLiteral("the message cannot be serialised"));

    query.prepare(QStringLiteral("INSERT INTO push_messages (group_id, first_seq, last_seq,"
                                 " payload) VALUES (?, ?, ?, ?)"));
    query.addBindValue(groupId);
    query.addBindValue(firstSeqId);
    query.addBindValue(lastSeqId + numbers);
    query.addBindValue(QByteArray(bytes.data(), int(bytes.size())));
    if (!query.exec())
        return fail(query.lastError().text());

    query.prepare(QStringLiteral("INSERT OR REPLACE INTO push_groups (group_id, init_seq,"
                                 " last_seq) VALUES (?, ?, ?)"));
    query.addBindValue(groupId);
    query.addBindValue(initSeqId);
    query.addBindValue(lastSeqId + numbers);
    if (!query.exec())
        return fail(query.lastError().text());
    query.finish();

    if (!m_db.commit())
        return fail(m_db.lastError().text());
    for (int seqId = firstSeqId; seqId <= lastSeqId + numbers; ++seqId)
        seqIds->append(seqId);
    *groupInitSeqId = initSeqId;
    return true;
}

void PushServiceStore::deliverGroup(const std::shared_ptr<PushDeliveryQueue> &queue,
    const QString &groupId, quint64 token, int afterSeqId, int upToSeqId, bool emptyIsError)
{
    std::vector<std::unique_ptr<pb_clt_t_user>> messages;
    std::vector<int> onceKeys;
    if (!readMessages(groupId, afterSeqId, upToSeqId, &messages, &onceKeys)) {
        sendError(*queue, groupId, token, PushError_StoreRead);
        return;
    }
    if (messages.empty() && emptyIsError) {
        sendError(*queue, groupId, token, PushError_NoMessages);
        return;
    }
    for (size_t i = 0; i < messages.size(); ++i) {
        PushDelivery delivery;
        delivery.kind = PushDelivery::Kind::Message;
        delivery.groupId = groupId;
        delivery.token = token;
        delivery.message = std::move(messages[i]);
        delivery.onceKey = onceKeys[i];
        queue->push(std::move(delivery));
    }
}

void PushServiceStore::sendError(
    PushDeliveryQueue &queue, const QString &groupId, quint64 token, int code)
{
    PushDelivery delivery;
    delivery.kind = PushDelivery::Kind::Error;
    delivery.groupId = groupId;
    delivery.token = token;
    delivery.errorCode = code;
    queue.push(std::move(delivery));
}

void PushServiceStore::sendErrorToGroup(const QString &groupId, int code)
{
    const auto found = m_subscribers.find(groupId);
    if (found == m_subscribers.end())
        return;
    for (const Subscriber &subscriber : found.value()) {
        if (const std::shared_ptr<PushDeliveryQueue> queue = subscriber.queue.lock())
            sendError(*queue, groupId, subscriber.token, code);
    }
}
