// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace brisa {

using TimePoint = std::chrono::system_clock::time_point;
using Duration = std::chrono::milliseconds;

/// Source of the current time; injected so every timed rule can run in virtual time.
class Clock {
public:
    virtual ~Clock() = default;
    /// The current wall-clock time.
    virtual TimePoint now() const = 0;
};

/// Main-thread timers. Everything scheduled runs on the main thread.
class Scheduler : public Clock {
public:
    using TaskId = std::uint64_t;

    /// Runs fn once after delay; returns an id for cancel().
    virtual TaskId runAfter(Duration delay, std::function<void()> fn) = 0;
    /// Runs fn every interval until cancelled.
    virtual TaskId repeat(Duration interval, std::function<void()> fn) = 0;
    /// Cancels a pending or repeating task; unknown or finished ids are ignored.
    virtual void cancel(TaskId id) = 0;
    /// Thread-safe: queues fn to run on the main thread as soon as it is free.
    virtual void post(std::function<void()> fn) = 0;
};

/// The real wall clock, for code that only needs now().
class SystemClock final : public Clock {
public:
    TimePoint now() const override { return std::chrono::system_clock::now(); }
};

/// Seconds since the Unix epoch, as stored in files and databases.
inline double toUnixSeconds(TimePoint t)
{
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

/// The time s seconds after the epoch. Values a time point cannot hold (beyond about ±292 years,
/// or not a number, as a hand-edited file may carry) are clamped instead of overflowing.
inline TimePoint fromUnixSeconds(double s)
{
    constexpr double limit = 9.2e9; // about year 2261, just inside what nanoseconds hold
    if (!(s == s))
        s = 0;
    s = s < -limit ? -limit : (s > limit ? limit : s);
    return TimePoint(std::chrono::duration_cast<TimePoint::duration>(std::chrono::duration<double>(s)));
}

} // namespace brisa
