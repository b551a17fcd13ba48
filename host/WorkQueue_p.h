#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

/// Jobs posted from any thread, run in the order posted on up to maxThreads threads of the
/// queue's own. A thread starts when a job finds no idle one and ends only in stop(); the next
/// post() after stop() starts afresh. Threads meet here only through std::mutex and
/// std::condition_variable, which ThreadSanitizer sees (Qt's own locks it does not).
class WorkQueue
{
public:
    using Job = std::function<void()>;

    /// threadStarting runs under the queue's lock just before a thread is created; threadEnding
    /// on each thread as it leaves (jobs posted meanwhile still run on it first).
    explicit WorkQueue(int maxThreads = 1, Job threadStarting = {}, Job threadEnding = {});
    /// stop().
    ~WorkQueue();

    WorkQueue(const WorkQueue &) = delete;
    WorkQueue &operator=(const WorkQueue &) = delete;

    void post(Job job);
    /// Runs what is queued, then ends the threads and joins them. Not from a job.
    void stop();

private:
    void work();

    const int m_maxThreads;
    const Job m_threadStarting;
    const Job m_threadEnding;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs; // guarded by m_mutex
    std::vector<std::thread> m_threads; // guarded by m_mutex until moved out to be joined
    int m_live = 0; // threads in their loop; guarded by m_mutex
    int m_idle = 0; // of those, the ones waiting for a job; guarded by m_mutex
    bool m_stopping = false; // guarded by m_mutex
};
