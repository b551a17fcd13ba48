#include "CloudTransferMailbox_p.h"

#include <utility>

void CloudTransferMailbox::post(CloudTransferEvent event)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (event.type == CloudTransferEvent::Progress && !m_events.empty()) {
        // A GUI thread that falls behind gets the newest figure, not every step.
        CloudTransferEvent &last = m_events.back();
        if (last.type == CloudTransferEvent::Progress && last.transfer == event.transfer) {
            last.done = event.done;
            last.total = event.total;
            return;
        }
    }
    m_events.push_back(std::move(event));
    if (!m_wakePending) {
        m_wakePending = true;
        // Posted while holding the lock: the GUI thread cannot take a transfer's last event, and
        // so cannot delete this object, before the call has returned.
        QMetaObject::invokeMethod(
            this, [this] { deliverPending(); }, Qt::QueuedConnection);
    }
}

void CloudTransferMailbox::deliverPending()
{
    ++m_deliveryDepth;
    for (;;) {
        CloudTransferEvent event;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_events.empty()) {
                m_wakePending = false;
                break;
            }
            event = std::move(m_events.front());
            m_events.pop_front();
        }
        // One event at a time, so that a callback that spins a nested event loop cannot
        // overtake the events after its own.
        m_receiver->deliver(event);
    }
    --m_deliveryDepth;
    // The last touch of this object: drained() may delete it. Qt allows the receiver of a queued
    // call to be deleted in it; deleteLater() instead could leave it behind when the event loop
    // is not entered again.
    m_receiver->drained();
}
