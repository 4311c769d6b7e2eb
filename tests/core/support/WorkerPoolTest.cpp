// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/WorkerPool.h"

#include "fakes/LogCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <set>
#include <stdexcept>
#include <thread>

using namespace brisa;

namespace {

/// A gate the test opens to let blocked jobs go on.
class Gate {
public:
    void open()
    {
        {
            std::lock_guard lock(m_);
            open_ = true;
        }
        cv_.notify_all();
    }
    void wait()
    {
        std::unique_lock lock(m_);
        cv_.wait(lock, [this] { return open_; });
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool open_ = false;
};

} // namespace

TEST(WorkerPool, DefaultSizeIsOneThreadPerCore)
{
    WorkerPool pool;
    const auto cores = std::max(1u, std::thread::hardware_concurrency());
    EXPECT_EQ(pool.threadCount(), cores);
    EXPECT_EQ(WorkerPool(3).threadCount(), 3u);
}

TEST(WorkerPool, RunsJobsOffTheCallingThread)
{
    WorkerPool pool(2);
    std::promise<std::thread::id> ran;
    auto done = ran.get_future();
    ASSERT_TRUE(pool.submit([&] { ran.set_value(std::this_thread::get_id()); }));
    EXPECT_NE(done.get(), std::this_thread::get_id());
}

TEST(WorkerPool, NeverRunsMoreJobsAtOnceThanThreads)
{
    std::atomic<int> running{0};
    std::atomic<int> peak{0};
    {
        WorkerPool pool(2);
        for (int i = 0; i < 40; ++i)
            pool.submit([&] {
                const int now = ++running;
                int seen = peak.load();
                while (now > seen && !peak.compare_exchange_weak(seen, now)) {
                }
                std::this_thread::yield();
                --running;
            });
        pool.shutdown(WorkerPool::Pending::Finish);
    }
    EXPECT_GE(peak.load(), 1);
    EXPECT_LE(peak.load(), 2);
}

TEST(WorkerPool, ShutdownWithFinishRunsEveryQueuedJob)
{
    std::atomic<int> count{0};
    WorkerPool pool(1);
    for (int i = 0; i < 100; ++i)
        pool.submit([&] { ++count; });
    pool.shutdown(WorkerPool::Pending::Finish);
    EXPECT_EQ(count.load(), 100);
}

TEST(WorkerPool, ShutdownDropsQueuedJobsAndWaitsForTheRunningOne)
{
    Gate gate;
    std::promise<void> started;
    std::atomic<bool> firstFinished{false};
    std::atomic<int> laterRan{0};
    WorkerPool pool(1);
    pool.submit([&] {
        started.set_value();
        gate.wait();
        firstFinished = true;
    });
    for (int i = 0; i < 5; ++i)
        pool.submit([&] { ++laterRan; });
    started.get_future().wait();
    EXPECT_EQ(pool.queuedCount(), 5u);

    // shutdown() blocks on the running job: let it go only once the queue has been dropped.
    std::thread opener([&] {
        while (pool.queuedCount() != 0)
            std::this_thread::yield();
        gate.open();
    });
    pool.shutdown(); // the destructor does the same
    opener.join();
    EXPECT_TRUE(firstFinished.load());
    EXPECT_EQ(laterRan.load(), 0);
}

TEST(WorkerPool, RefusesEmptyJobsAndJobsAfterShutdown)
{
    WorkerPool pool(1);
    EXPECT_FALSE(pool.submit({}));
    pool.shutdown();
    std::atomic<bool> ran{false};
    EXPECT_FALSE(pool.submit([&] { ran = true; }));
    EXPECT_FALSE(ran.load());
    pool.shutdown(); // twice is harmless
}

TEST(WorkerPool, AThrowingJobIsLoggedAndTheThreadGoesOn)
{
    test::LogCapture log;
    WorkerPool pool(1);
    pool.submit([] { throw std::runtime_error("sin memoria"); });
    std::promise<void> after;
    pool.submit([&] { after.set_value(); });
    after.get_future().wait();
    EXPECT_TRUE(log.contains("[Brisa] Tarea en segundo plano falló: sin memoria"));
}
