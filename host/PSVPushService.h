#pragma once

#include "dynfeed_host_export.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <memory>

#include "MessageContext.h"

class pb_clt_t_user;
class pb_clt_t_group_item;
class pb_im_t_msg_item;

/// Which feed a client serves: a user's own notifications or a project group's feed.
enum PushType {
    PushType_Personal = 1,
    PushType_Group = 2,
};

/// Error codes reported through IPushServiceSink::onError.
enum PushServiceError {
    PushError_StoreOpen = 1, // the message store cannot be opened
    PushError_StoreRead = 2, // reading stored messages failed
    PushError_StoreWrite = 3, // storing a published message failed
    PushError_Connection = 4, // the push server cannot be reached; reported once per outage
    PushError_NoMessages = 15, // a request found nothing in the range it named; not a fault
};

class DYNFEED_HOST_EXPORT VtDataPushServiceObserver
{
public:
    virtual ~VtDataPushServiceObserver() = default;
};

/// What a push service client calls back, always on the client's own delivery thread and never
/// from inside one of the client's operations.
class DYNFEED_HOST_EXPORT IPushServiceSink : public VtDataPushServiceObserver
{
public:
    virtual void onReceiveMessage(const MessageContext &context) = 0;
    virtual void onGetGroupInfo(const pb_clt_t_group_item &groupItem) = 0;
    virtual void onError(int code) = 0;
};

class PushClient;

/// A client of the push service. Operations are called from one thread (the GUI thread); the
/// callbacks arrive on the client's own delivery thread, one at a time, in order.
class DYNFEED_HOST_EXPORT PSVPushService
{
public:
    explicit PSVPushService(PushType type);
    /// Ends deliveries and waits for the delivery thread, that is for a callback that is running
    /// (called from inside a callback, it lets the thread end by itself).
    ~PSVPushService();

    PSVPushService(const PSVPushService &) = delete;
    PSVPushService &operator=(const PSVPushService &) = delete;

    PushType type() const;

    /// Begins the user's connection; callbacks go to sink from then on.
    bool start(const QString &userId, IPushServiceSink *sink);
    /// Joins a project's message group. What follows, in this order:
    /// - the group information (first and newest sequence number);
    /// - the group's newest 10 sequence numbers: their items merged into one message, then the
    ///   messages without items among them, each on its own. Only 10: a feed that wants older
    ///   records asks for at least 20 from the newest number back, and that first request must
    ///   bring records the feed has not seen, or nothing is announced and its page stays empty;
    /// - for every message published into the group afterwards: the group information with the
    ///   group's numbers as they stand with that message, then the message. The feed counts new
    ///   messages and the paged feed its pages from the group information, so both follow
    ///   before the records arrive.
    /// False when not started, the id is empty or the store cannot be opened
    /// (onError(PushError_StoreOpen) follows). On a push server it does not wait for the server:
    /// while that cannot be reached, onError(PushError_Connection) comes once, and the group
    /// follows when it can.
    bool subscribe(const QString &prjId);
    /// Leaves a group; no delivery of that group begins after this returns. Does not wait for a
    /// callback that is running.
    void unsubscribe(const QString &prjId);
    /// Asks for the messages numbered fromSeqId + 1 to fromSeqId + count of the group joined
    /// last, clipped to the group's numbers; their items arrive merged into one message. A range
    /// that holds nothing gets onError(PushError_NoMessages).
    void getMsgs(int fromSeqId, int count);
    /// Ends the connection; no callback begins after this returns. Does not wait for a callback
    /// that is running; start() may follow.
    void stop();

    // The service side, for the host, the tools and the tests.

    /// Where the service keeps its message groups (an SQLite file); empty keeps them in memory.
    /// Clients opened afterwards use it.
    static void setStorePath(const QString &path);
    static QString storePath();
    /// The push server shared by a team: "redis://[:password@]host[:port][/db]" (the password
    /// may also come from DYNFEED_REDIS_PASSWORD; query items maxlen=<entries kept per group>,
    /// timeout=<ms>). An empty URL (the default) keeps the groups in this process, in the store
    /// above. False, with a logged line, for a URL that names no usable server; the setting
    /// stays as it was. Clients created and messages published afterwards use it.
    static bool setServerUrl(const QUrl &url);
    static QUrl serverUrl();
    /// Publishes a message into a project's group from any thread: every item gets the group's
    /// next sequence number (a message without items takes one for itself), then every client
    /// subscribed to the group receives the group information with the new numbers and a copy
    /// of the message (see subscribe()). Returns the sequence numbers given, or an empty
    /// list on failure (the subscribed clients get onError(PushError_StoreWrite); on a push
    /// server, after trying for the URL's timeout).
    static QList<int> publish(const QString &prjId, const pb_clt_t_user &message);
    /// The group's first and newest sequence numbers (0 and 0 for a group with no messages).
    static void groupSeqIds(const QString &prjId, int *initSeqId, int *seq);
    /// The stored item with message id msgId (the newest when ids repeat) and the group it was
    /// published into; false when there is none or the store cannot be read. For the occasional
    /// look-up, not for a hot path: in process it reads every stored message; on a push server
    /// it asks each group's index of message ids, which publishing writes with the message.
    /// Waits for the store or the server.
    static bool findItem(quint64 msgId, QString *prjId, pb_im_t_msg_item *item);

private:
    std::unique_ptr<PushClient> m_worker; // in-process, or on the configured server
    const PushType m_type;
};
