#pragma once

#include <QObject>
#include <QString>

#include <deque>
#include <mutex>

class CloudFileTransfer;

/// A worker's report, queued for the GUI thread.
struct CloudTransferEvent
{
    enum Type { Progress, Finished };

    Type type = Progress;
    CloudFileTransfer *transfer = nullptr;
    qint64 done = 0;
    qint64 total = 0;
    int status = 0;
    QString text;
};

/// Carries the workers' reports of one service object to the GUI thread, where its receiver
/// gets them one at a time and in order.
class CloudTransferMailbox final : public QObject
{
public:
    class Receiver
    {
    public:
        virtual void deliver(const CloudTransferEvent &event) = 0;
        /// After each batch; may delete the receiver and with it the mailbox.
        virtual void drained() = 0;

    protected:
        ~Receiver() = default;
    };

    explicit CloudTransferMailbox(Receiver *receiver)
        : m_receiver(receiver)
    { }

    /// Queues a report. Any thread.
    void post(CloudTransferEvent event);
    /// Whether a batch is being delivered (callbacks may spin nested event loops). GUI thread.
    bool isDelivering() const { return m_deliveryDepth > 0; }

private:
    void deliverPending();

    Receiver *const m_receiver;
    std::mutex m_mutex;
    std::deque<CloudTransferEvent> m_events; // guarded by m_mutex
    bool m_wakePending = false; // guarded by m_mutex: a deliverPending call is queued
    int m_deliveryDepth = 0; // GUI thread only
};
