#include "CloudTransferPool_p.h"

#include <QCoreApplication>

#include <algorithm>

#include "CloudTransferJob_p.h"

namespace {

constexpr int MaxWorkers = 4;

std::unique_ptr<CloudTransferPool> &poolSlot() // GUI thread only
{
    static std::unique_ptr<CloudTransferPool> pool;
    return pool;
}

void stopPool()
{
    poolSlot().reset();
}

} // namespace

CloudTransferPool &CloudTransferPool::instance()
{
    std::unique_ptr<CloudTransferPool> &pool = poolSlot();
    if (!pool) {
        pool = std::make_unique<CloudTransferPool>();
        qAddPostRoutine(stopPool);
    }
    return *pool;
}

CloudTransferPool::CloudTransferPool()
    : m_queue(MaxWorkers)
{ }

CloudTransferPool::~CloudTransferPool()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto &weak : m_jobs) {
            if (const auto job = weak.lock())
                job->cancel();
        }
    }
    m_queue.stop();
}

void CloudTransferPool::submit(std::shared_ptr<CloudTransferJob> job)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.erase(
            std::remove_if(m_jobs.begin(), m_jobs.end(),
                [](const std::weak_ptr<CloudTransferJob> &weak) { return weak.expired(); }),
            m_jobs.end());
        m_jobs.push_back(job);
    }
    m_queue.post([job] { runCloudTransfer(*job); });
}
