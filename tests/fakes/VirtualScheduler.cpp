// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/VirtualScheduler.h"

#include <algorithm>

namespace brisa::test {

VirtualScheduler::VirtualScheduler(TimePoint start)
    : now_(start)
{
}

Scheduler::TaskId VirtualScheduler::runAfter(Duration delay, std::function<void()> fn)
{
    auto id = nextId_++;
    tasks_[id] = Task{now_ + delay, Duration{0}, std::move(fn)};
    return id;
}

Scheduler::TaskId VirtualScheduler::repeat(Duration interval, std::function<void()> fn)
{
    auto id = nextId_++;
    tasks_[id] = Task{now_ + interval, interval, std::move(fn)};
    return id;
}

void VirtualScheduler::cancel(TaskId id) { tasks_.erase(id); }

void VirtualScheduler::post(std::function<void()> fn)
{
    std::lock_guard lock(postedMutex_);
    posted_.push_back(std::move(fn));
}

void VirtualScheduler::runPosted()
{
    std::vector<std::function<void()>> batch;
    {
        std::lock_guard lock(postedMutex_);
        batch.swap(posted_);
    }
    for (auto& fn : batch)
        fn();
}

void VirtualScheduler::advance(Duration d)
{
    const TimePoint end = now_ + d;
    runPosted();
    for (;;) {
        // Earliest due task; ties run in scheduling order (lower id first).
        auto next = tasks_.end();
        for (auto it = tasks_.begin(); it != tasks_.end(); ++it)
            if (it->second.due <= end && (next == tasks_.end() || it->second.due < next->second.due))
                next = it;
        if (next == tasks_.end())
            break;
        // A task left overdue by a jump of the clock runs now: the clock never goes back by itself.
        now_ = std::max(now_, next->second.due);
        auto id = next->first;
        auto fn = next->second.fn; // copy: the task may cancel itself
        if (next->second.interval.count() > 0)
            next->second.due += next->second.interval;
        else
            tasks_.erase(next);
        fn();
        (void)id;
        runPosted();
    }
    now_ = end;
}

} // namespace brisa::test
