// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace brisa {

/// A fixed set of background threads taking jobs from one queue, for slow work (text recognition,
/// image operations) that must not run on the main thread. Jobs report back with Scheduler::post.
class WorkerPool {
public:
    /// What shutdown() does with jobs that are queued but not started yet.
    enum class Pending { Drop, Finish };

    /// threads == 0 means one per core (at least one).
    explicit WorkerPool(std::size_t threads = 0);
    /// Drops the jobs not started yet, waits for the running ones and joins the threads.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    /// Queues a job; false (and the job is discarded) once the pool is shutting down.
    bool submit(std::function<void()> job);
    /// Stops taking jobs, drops or finishes the queued ones, and joins the threads. Idempotent.
    void shutdown(Pending pending = Pending::Drop);

    std::size_t threadCount() const { return threads_.size(); }
    /// Jobs queued and not yet started.
    std::size_t queuedCount() const;

private:
    void run();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
    std::mutex joinMutex_;
};

} // namespace brisa
