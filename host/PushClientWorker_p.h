#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <thread>

#include "PushClient_p.h"

class IPushServiceSink;
class PushDeliveryQueue;
struct PushDelivery;

/// One client's connection to the push service: its subscriptions, its delivery queue and the
/// thread that runs the sink's callbacks, one at a time and in order. Not on WorkQueue: a
/// delivery is dropped at take time when its subscription has ended, and the thread outlives a
/// client destroyed from inside a callback. The operations are called
/// from one thread; none of them calls back or waits for a callback.
class PushClientWorker final : public PushClient
{
public:
    PushClientWorker();
    /// Drops what is queued and waits for a running callback to return; when called from a
    /// callback, lets the delivery thread end by itself instead.
    ~PushClientWorker() override;

    PushClientWorker(const PushClientWorker &) = delete;
    PushClientWorker &operator=(const PushClientWorker &) = delete;

    bool start(const QString &userId, IPushServiceSink *sink) override;
    bool subscribe(const QString &groupId) override;
    void unsubscribe(const QString &groupId) override;
    void getMsgs(int fromSeqId, int count) override;
    void stop() override;

private:
    static void deliverAll(const std::shared_ptr<PushDeliveryQueue> &queue);
    static void deliver(const PushDelivery &delivery, IPushServiceSink *sink);

    // Shared with the store, which queues into it, and with the delivery thread, which may
    // outlive this object when the client is destroyed from inside a callback.
    std::shared_ptr<PushDeliveryQueue> m_queue;
    std::thread m_thread;
    QString m_userId;
    QStringList m_groups; // subscribed groups, the one joined last at the end
};
