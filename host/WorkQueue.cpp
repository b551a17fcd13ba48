#include "WorkQueue_p.h"

#include <utility>

WorkQueue::WorkQueue(int maxThreads, Job threadStarting, Job threadEnding)
    : m_maxThreads(maxThreads < 1 ? 1 : maxThreads)
    , m_threadStarting(std::move(threadStarting))
    , m_threadEnding(std::move(threadEnding))
{ }

WorkQueue::~WorkQueue()
{
    stop();
}

void WorkQueue::post(Job job)
{
    std::vector<std::thread> finished;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(std::move(job));
        // Idle threads may not have woken yet for the jobs queued before this one.
        if (int(m_jobs.size()) > m_idle && m_live < m_maxThreads) {
            if (m_live == 0) {
                // Every earlier thread has left its loop: a new start, once they are joined.
                finished = std::move(m_threads);
                m_threads.clear();
                m_stopping = false;
            }
            if (m_threadStarting)
                m_threadStarting();
            ++m_live;
            m_threads.emplace_back([this] { work(); });
        }
    }
    m_wake.notify_one();
    for (std::thread &thread : finished)
        thread.join();
}

void WorkQueue::stop()
{
    std::vector<std::thread> ending;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        ending = std::move(m_threads);
        m_threads.clear();
    }
    m_wake.notify_all();
    for (std::thread &thread : ending)
        thread.join();
}

void WorkQueue::work()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        ++m_idle;
        m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
        --m_idle;
        if (m_jobs.empty()) {
            if (m_threadEnding) {
                lock.unlock();
                m_threadEnding();
                lock.lock();
                if (!m_jobs.empty())
                    continue; // posted while this thread was ending: still ours to run
            }
            --m_live;
            return;
        }
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        job();
        job = nullptr; // what the job holds goes with it, outside the lock
        lock.lock();
    }
}
