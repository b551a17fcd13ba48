#pragma once

#include <QHash>
#include <QSet>
#include <QString>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "msl.pb.h"

class IPushServiceSink;

/// One callback waiting in a client's delivery queue; owns the message it carries.
struct PushDelivery
{
    enum class Kind { GroupInfo, Message, Error };

    Kind kind = Kind::Error;
    QString groupId; // empty for a delivery that belongs to the connection, not to a group
    quint64 token = 0; // the subscription (or, without a group, the connection) it was made for
    int initSeqId = 0;
    int seq = 0;
    int errorCode = 0;
    std::unique_ptr<pb_clt_t_user> message;
    // For a message without items (or the parts of one beside its items): the message's first
    // sequence number. Such parts carry no sequence number the receiver could recognise them
    // by, so a subscription receives each of them at most once. -1 for everything else.
    int onceKey = -1;
};

/// The queue between the push service and one client's delivery thread. A delivery whose
/// subscription or connection has ended is dropped, both when it is pushed and when it is about
/// to be taken, so nothing of a left group begins after unsubscribe() or stop() returns.
/// Thread-safe; nothing here waits for a running callback.
class PushDeliveryQueue
{
public:
    /// Begins a new connection to sink; whatever the previous one left queued is dropped.
    void start(IPushServiceSink *sink);
    bool isStarted() const;
    /// Joins a group and returns the token its deliveries carry; 0 when not started.
    quint64 subscribe(const QString &groupId);
    /// Leaves a group; its queued deliveries are dropped.
    void unsubscribe(const QString &groupId);
    /// Ends the connection: every queued delivery is dropped, and later ones too until start().
    void stop();
    /// Ends the queue for good: take() returns false from now on.
    void shutdown();

    /// The token of deliveries that belong to the connection itself; 0 when not started.
    quint64 connectionToken() const;
    /// The token of the group's current subscription; 0 when not subscribed.
    quint64 subscriptionToken(const QString &groupId) const;

    /// Queues a delivery from any thread, unless it is no longer wanted.
    void push(PushDelivery delivery);
    /// Delivery thread: waits for the next delivery that is still wanted and the sink it goes
    /// to. False once the queue is shut down.
    bool take(PushDelivery *delivery, IPushServiceSink **sink);

private:
    bool isWanted(const PushDelivery &delivery) const; // m_mutex held

    mutable std::mutex m_mutex; // guards everything below
    std::condition_variable m_wakeUp;
    std::deque<PushDelivery> m_queue;
    QHash<QString, quint64> m_subscriptions; // group id -> token of its current subscription
    QHash<quint64, QSet<int>> m_deliveredOnce; // token -> onceKeys already queued under it
    IPushServiceSink *m_sink = nullptr; // not owned
    quint64 m_connection = 0; // token of the current connection; 0 while stopped
    quint64 m_lastToken = 0;
    bool m_shutDown = false;
};
