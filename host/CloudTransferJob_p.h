#pragma once

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "CloudStoreSettings_p.h"

class CloudTransferMailbox;
class CloudFileTransfer;

/// One transfer of the local store as its worker sees it. The GUI thread creates it; afterwards
/// both threads share only the cancel flag and the byte count.
class CloudTransferJob
{
public:
    enum class Kind { Upload, File, UserHeader, Picture };

    /// What the transfer is to do, fixed when it starts.
    struct Request
    {
        Kind kind = Kind::File;
        QString id; // file id, or user id for an avatar
        QString localPath;
        int variant = 0;
        CloudStoreSettings settings;
    };

    CloudTransferJob(
        const Request &request, CloudTransferMailbox *mailbox, CloudFileTransfer *transfer)
        : m_request(request)
        , m_mailbox(mailbox)
        , m_transfer(transfer)
    { }

    const Request &request() const { return m_request; }
    /// Alive until this job's end has been delivered on the GUI thread.
    CloudTransferMailbox *mailbox() const { return m_mailbox; }
    /// A GUI-thread object: the worker only hands it back with its reports.
    CloudFileTransfer *transfer() const { return m_transfer; }

    qint64 done() const { return m_done.load(); }
    void setDone(qint64 done) { m_done.store(done); }

    /// Any thread; wakes a worker that is pausing between chunks.
    void cancel()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_cancelled = true;
        }
        m_wake.notify_all();
    }

    bool isCancelled()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_cancelled;
    }

    /// Waits ms milliseconds; false when the job was cancelled before or meanwhile.
    bool pause(int ms)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (ms > 0)
            m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_cancelled; });
        return !m_cancelled;
    }

private:
    const Request m_request;
    CloudTransferMailbox *const m_mailbox;
    CloudFileTransfer *const m_transfer;
    std::atomic<qint64> m_done { 0 };
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_cancelled = false; // guarded by m_mutex
};

/// Runs the job on the calling worker thread and posts its progress and then its end.
void runCloudTransfer(CloudTransferJob &job);
