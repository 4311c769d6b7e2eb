// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/CapturePause.h"

#include "core/capture/CaptureLinks.h"
#include "core/capture/ToastData.h"
#include "core/settings/UserDefaults.h"
#include "core/support/Log.h"

#include <algorithm>
#include <ctime>

namespace brisa {
namespace {

// A suspended machine's timers run late by the time it slept: looking at the wall clock at least
// this often keeps the end of a pause (and its toast) within a minute of when it was due.
constexpr Duration kRecheck = std::chrono::minutes(1);

std::string localClock(TimePoint t)
{
    const std::time_t tt = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    localtime_r(&tt, &tm);
    char buf[8];
    std::strftime(buf, sizeof buf, "%H:%M", &tm);
    return buf;
}

} // namespace

CapturePause::CapturePause(Scheduler& scheduler, UserDefaults& defaults)
    : scheduler_(scheduler)
    , defaults_(defaults)
{
    const auto stored = defaults_.value(kUntilKey);
    if (!stored)
        return;
    if (stored->is_number()) {
        const TimePoint end = fromUnixSeconds(stored->get<double>());
        const TimePoint now = scheduler_.now();
        if (end > now && end <= now + std::chrono::minutes(kMaxMinutes)) {
            until_ = end;
            logf("Captura en pausa hasta las {} (pausa anterior al arranque)", localClock(end));
            arm();
            return;
        }
    }
    defaults_.remove(kUntilKey); // ran out while Brisa was not running, or a hand edit beyond reason
}

CapturePause::~CapturePause() { disarm(); }

bool CapturePause::paused() const { return open_ || (until_ && scheduler_.now() < *until_); }

std::optional<TimePoint> CapturePause::until() const { return paused() ? until_ : std::nullopt; }

bool CapturePause::pause(std::optional<std::int64_t> minutes)
{
    if (minutes && (*minutes < 1 || *minutes > kMaxMinutes)) {
        logf("Pausa rechazada: {} minutos (de 1 a {})", *minutes, kMaxMinutes);
        return false;
    }
    disarm();
    if (minutes) {
        open_ = false;
        until_ = scheduler_.now() + std::chrono::minutes(*minutes);
        defaults_.set(kUntilKey, toUnixSeconds(*until_));
        arm();
        announce(fmt::format("{} hasta las {}", kPausedMessage, localClock(*until_)));
    } else {
        open_ = true;
        until_.reset();
        if (defaults_.contains(kUntilKey))
            defaults_.remove(kUntilKey);
        announce(kPausedMessage);
    }
    changed_.emit();
    return true;
}

void CapturePause::resume()
{
    const bool was = paused();
    disarm();
    open_ = false;
    until_.reset();
    if (defaults_.contains(kUntilKey))
        defaults_.remove(kUntilKey);
    if (!was)
        return;
    announce(kResumedMessage);
    changed_.emit();
}

void CapturePause::arm()
{
    disarm();
    if (!until_)
        return;
    const auto left = std::chrono::duration_cast<Duration>(*until_ - scheduler_.now());
    timer_ = scheduler_.runAfter(std::clamp(left, Duration{0}, kRecheck),
                                 [this, alive = std::weak_ptr<char>(alive_)] {
                                     if (!alive.lock())
                                         return;
                                     timer_.reset();
                                     if (until_ && scheduler_.now() < *until_)
                                         arm();
                                     else
                                         expire();
                                 });
}

void CapturePause::disarm()
{
    if (timer_)
        scheduler_.cancel(*timer_);
    timer_.reset();
}

void CapturePause::expire()
{
    until_.reset();
    defaults_.remove(kUntilKey);
    announce(kExpiredMessage);
    changed_.emit();
}

void CapturePause::announce(const std::string& message)
{
    logLine(message);
    if (toasts) {
        ToastData toast;
        toast.kind = ToastData::Notice{.title = message}; // nothing was copied: not a text toast
        toasts->show(std::move(toast));
    }
}

} // namespace brisa
