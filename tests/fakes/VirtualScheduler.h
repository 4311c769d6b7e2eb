// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Clock.h"

#include <map>
#include <mutex>
#include <vector>

namespace brisa::test {

/// A scheduler in virtual time: nothing runs until the test advances the clock.
class VirtualScheduler final : public Scheduler {
public:
    explicit VirtualScheduler(TimePoint start = fromUnixSeconds(1'780'000'000.0));

    TimePoint now() const override { return now_; }
    TaskId runAfter(Duration delay, std::function<void()> fn) override;
    TaskId repeat(Duration interval, std::function<void()> fn) override;
    void cancel(TaskId id) override;
    void post(std::function<void()> fn) override;

    /// Moves time forward by d, running every task that falls due, in time order.
    void advance(Duration d);
    /// Sets the clock without running anything (a jump of the wall clock).
    void setNow(TimePoint t) { now_ = t; }
    /// Runs everything posted from other threads.
    void runPosted();
    /// Number of pending timed tasks.
    std::size_t pendingCount() const { return tasks_.size(); }

private:
    struct Task {
        TimePoint due;
        Duration interval{0};
        std::function<void()> fn;
    };

    TimePoint now_;
    TaskId nextId_ = 1;
    std::map<TaskId, Task> tasks_;
    std::mutex postedMutex_;
    std::vector<std::function<void()>> posted_;
};

} // namespace brisa::test
