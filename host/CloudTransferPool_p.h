#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "WorkQueue_p.h"

class CloudTransferJob;

/// The worker threads of the local store, shared by every service object of the process.
/// GUI thread only.
class CloudTransferPool
{
public:
    /// The process's pool, created on first use and stopped before the application object and
    /// Qt's statics that the workers use go away.
    static CloudTransferPool &instance();

    CloudTransferPool();
    /// Cancels queued and running jobs, lets them report their end and joins the workers.
    ~CloudTransferPool();

    CloudTransferPool(const CloudTransferPool &) = delete;
    CloudTransferPool &operator=(const CloudTransferPool &) = delete;

    void submit(std::shared_ptr<CloudTransferJob> job);

private:
    std::mutex m_mutex;
    std::vector<std::weak_ptr<CloudTransferJob>> m_jobs; // guarded by m_mutex; not yet ended
    WorkQueue m_queue; // last: stopped first, while the rest is still there
};
