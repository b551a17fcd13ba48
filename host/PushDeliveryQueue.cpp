#include "PushDeliveryQueue_p.h"

#include <algorithm>

void PushDeliveryQueue::start(IPushServiceSink *sink)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.clear();
    m_subscriptions.clear();
    m_deliveredOnce.clear();
    m_sink = sink;
    m_connection = ++m_lastToken;
}

bool PushDeliveryQueue::isStarted() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_connection != 0;
}

quint64 PushDeliveryQueue::subscribe(const QString &groupId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_connection == 0 || m_shutDown)
        return 0;
    // A fresh token also drops what an earlier subscription to the same group left queued, so
    // the new group information and newest messages are not preceded by stale ones.
    const quint64 token = ++m_lastToken;
    m_subscriptions.insert(groupId, token);
    return token;
}

void PushDeliveryQueue::unsubscribe(const QString &groupId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_deliveredOnce.remove(m_subscriptions.value(groupId));
    m_subscriptions.remove(groupId);
    m_queue.erase(
        std::remove_if(m_queue.begin(), m_queue.end(),
            [&groupId](const PushDelivery &delivery) { return delivery.groupId == groupId; }),
        m_queue.end());
}

void PushDeliveryQueue::stop()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.clear();
    m_subscriptions.clear();
    m_deliveredOnce.clear();
    m_sink = nullptr;
    m_connection = 0;
}

void PushDeliveryQueue::shutdown()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.clear();
        m_subscriptions.clear();
        m_sink = nullptr;
        m_connection = 0;
        m_shutDown = true;
    }
    m_wakeUp.notify_all();
}

quint64 PushDeliveryQueue::connectionToken() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_connection;
}

quint64 PushDeliveryQueue::subscriptionToken(const QString &groupId) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_subscriptions.value(groupId);
}

void PushDeliveryQueue::push(PushDelivery delivery)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!isWanted(delivery))
            return;
        if (delivery.kind == PushDelivery::Kind::Message && delivery.onceKey >= 0) {
            QSet<int> &delivered = m_deliveredOnce[delivery.token];
            if (delivered.contains(delivery.onceKey))
                return;
            delivered.insert(delivery.onceKey);
        }
        m_queue.push_back(std::move(delivery));
    }
    m_wakeUp.notify_one();
}

bool PushDeliveryQueue::take(PushDelivery *delivery, IPushServiceSink **sink)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wakeUp.wait(lock, [this] { return m_shutDown || !m_queue.empty(); });
        if (m_shutDown)
            return false;
        PushDelivery next = std::move(m_queue.front());
        m_queue.pop_front();
        // Checked again here: the subscription may have ended after the delivery was queued.
        if (isWanted(next)) {
            *delivery = std::move(next);
            *sink = m_sink;
            return true;
        }
    }
}

bool PushDeliveryQueue::isWanted(const PushDelivery &delivery) const
{
    if (m_shutDown || m_connection == 0 || m_sink == nullptr || delivery.token == 0)
        return false;
    if (delivery.groupId.isEmpty())
        return delivery.token == m_connection;
    return m_subscriptions.value(delivery.groupId) == delivery.token;
}
