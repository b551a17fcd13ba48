#pragma once

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "WorkQueue_p.h"

class PushDeliveryQueue;
class pb_clt_t_user;
class pb_im_t_msg_item;

/// The service side of the push service: every project's message group with its sequence
/// numbers and messages, kept in SQLite, and the clients subscribed to each group. One per
/// process. All database work runs on the store's own thread, one operation at a time, so
/// the connection never leaves the thread that opened it and a group's numbers are handed out
/// and delivered in one order. Callable from any thread; nothing here waits for a client.
class PushServiceStore
{
public:
    static PushServiceStore &instance();

    PushServiceStore(const PushServiceStore &) = delete;
    PushServiceStore &operator=(const PushServiceStore &) = delete;

    /// The SQLite file; empty keeps the groups in memory. Later operations use it.
    void setPath(const QString &path);
    QString path() const;

    /// Opens the store when it is not open yet. False, with a logged line, when it cannot be
    /// opened. Waits for the store thread.
    bool open();
    /// Numbers and stores a message, then queues to every client subscribed to the group the
    /// group's new numbers and a copy of the message. Returns the numbers given, empty on
    /// failure. Waits for the store thread.
    QList<int> publish(const QString &groupId, const pb_clt_t_user &message);
    /// The group's first and newest sequence numbers; false when they cannot be read.
    bool groupSeqIds(const QString &groupId, int *initSeqId, int *seq);
    /// The stored item with that message id and its group. Waits for the store thread.
    bool findItem(quint64 msgId, QString *groupId, pb_im_t_msg_item *item);

    /// Queues the group information and the group's newest NewestOnSubscribe numbers to the
    /// client, then everything published into the group later. Returns at once.
    void subscribe(
        const std::shared_ptr<PushDeliveryQueue> &queue, const QString &groupId, quint64 token);
    /// Queues the stored messages numbered after fromSeqId up to fromSeqId + count, or the
    /// "no messages" error (also for an empty group id, with the connection's token). Returns
    /// at once, and replies after everything queued before.
    void fetch(const std::shared_ptr<PushDeliveryQueue> &queue, const QString &groupId,
        quint64 token, int fromSeqId, int count);
    /// Forgets the client's subscription to the group. Returns at once.
    void unsubscribe(const std::shared_ptr<PushDeliveryQueue> &queue, const QString &groupId);
    /// Forgets every subscription of the client. Returns at once.
    void unsubscribeAll(const std::shared_ptr<PushDeliveryQueue> &queue);

    /// Runs what is queued, closes the database and ends the store thread; the next operation
    /// starts it again. Called when the application object goes away.
    void shutdown();

private:
    struct Subscriber
    {
        std::weak_ptr<PushDeliveryQueue> queue;
        const PushDeliveryQueue *key = nullptr; // identity only, never dereferenced
        quint64 token = 0;
    };

    PushServiceStore();
    ~PushServiceStore() = default;

    void post(std::function<void()> job);
    template <typename Result> Result call(std::function<Result()> job);

    // The rest runs on the store thread only.
    bool ensureOpen();
    bool createSchema(QString *error);
    void closeDatabase();
    bool readGroup(const QString &groupId, int *initSeqId, int *seq);
    /// The range's items merged into one message, then the parts beside items of the messages
    /// that begin in the range; onceKeys gets, per message, its PushDelivery::onceKey.
    bool readMessages(const QString &groupId, int afterSeqId, int upToSeqId,
        std::vector<std::unique_ptr<pb_clt_t_user>> *messages, std::vector<int> *onceKeys);
    QList<int> publishNow(const QString &groupId, const pb_clt_t_user &message);
    /// Numbers and stores the message; seqIds gets its numbers, groupInitSeqId the group's first.
    bool writeMessage(const QString &groupId, pb_clt_t_user *message, QList<int> *seqIds,
        int *groupInitSeqId, QString *error);
    void deliverGroup(const std::shared_ptr<PushDeliveryQueue> &queue, const QString &groupId,
        quint64 token, int afterSeqId, int upToSeqId, bool emptyIsError);
    void sendError(PushDeliveryQueue &queue, const QString &groupId, quint64 token, int code);
    void sendErrorToGroup(const QString &groupId, int code);

    WorkQueue m_queue; // the store thread
    mutable std::mutex m_mutex; // guards the path
    QString m_path;
    quint64 m_pathVersion = 0;

    // Store thread only.
    QSqlDatabase m_db;
    QString m_connectionName;
    quint64 m_openPathVersion = 0;
    int m_connectionCount = 0;
    QHash<QString, std::vector<Subscriber>> m_subscribers; // group id -> its clients
};
