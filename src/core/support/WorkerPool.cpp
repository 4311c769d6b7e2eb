// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/WorkerPool.h"

#include "core/support/Log.h"

#include <exception>

namespace brisa {

WorkerPool::WorkerPool(std::size_t threads)
{
    if (threads == 0)
        threads = std::thread::hardware_concurrency();
    if (threads == 0)
        threads = 1; // the count is unknown on some systems
    threads_.reserve(threads);
    for (std::size_t i = 0; i < threads; ++i)
        threads_.emplace_back([this] { run(); });
}

WorkerPool::~WorkerPool() { shutdown(Pending::Drop); }

bool WorkerPool::submit(std::function<void()> job)
{
    if (!job)
        return false;
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return false;
        queue_.push_back(std::move(job));
    }
    wake_.notify_one();
    return true;
}

void WorkerPool::shutdown(Pending pending)
{
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        if (pending == Pending::Drop)
            dropped.swap(queue_);
    }
    wake_.notify_all();
    // Dropped jobs are destroyed here, outside the lock: their captures may be large or may
    // themselves touch the pool.
    dropped.clear();

    std::lock_guard joinLock(joinMutex_);
    for (auto& t : threads_) {
        // A job that shuts down its own pool must not join itself.
        if (t.joinable() && t.get_id() != std::this_thread::get_id())
            t.join();
        else if (t.joinable())
            t.detach();
    }
}

std::size_t WorkerPool::queuedCount() const
{
    std::lock_guard lock(mutex_);
    return queue_.size();
}

void WorkerPool::run()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty())
                return; // stopping and nothing left to finish
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        // An escaping exception would end the process; one failed job must not take the others along.
        try {
            job();
        } catch (const std::exception& e) {
            logf("Tarea en segundo plano falló: {}", e.what());
        } catch (...) {
            logLine("Tarea en segundo plano falló");
        }
    }
}

} // namespace brisa
