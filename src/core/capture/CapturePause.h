// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Clock.h"
#include "core/support/Signal.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace brisa {

class ToastPresenter;
class UserDefaults;

/// Whether capture is paused: while it is, neither copies nor screenshots are recorded. A pause is
/// open-ended or timed; a timed one ends by itself and says so with a toast. Only a timed pause
/// outlives a restart (its end time is kept in the settings file); an open-ended one would leave a
/// user who forgot it with a history that silently stopped growing.
class CapturePause {
public:
    /// User-defaults key: the end of a timed pause, in Unix seconds.
    static constexpr std::string_view kUntilKey = "capturePausedUntil";
    /// Longest timed pause, a year: a longer one, or a stored end further ahead, is a mistake.
    static constexpr std::int64_t kMaxMinutes = 366LL * 24 * 60;
    static constexpr const char* kPausedMessage = "Captura en pausa";
    static constexpr const char* kResumedMessage = "Captura reanudada";
    static constexpr const char* kExpiredMessage = "Fin de la pausa: captura reanudada";

    /// Picks up a timed pause whose end is still ahead; a stored end that has passed, or is not a
    /// number, is removed. scheduler and defaults must outlive the pause.
    CapturePause(Scheduler& scheduler, UserDefaults& defaults);
    ~CapturePause();
    CapturePause(const CapturePause&) = delete;
    CapturePause& operator=(const CapturePause&) = delete;

    /// True while nothing may be recorded. A timed pause reads the clock, so it is over on time
    /// even if its timer runs late (after a suspend).
    bool paused() const;
    /// The end of a timed pause; nullopt when not paused or paused with no end.
    std::optional<TimePoint> until() const;

    /// Pauses with no end, or for minutes (1 to kMaxMinutes; others are refused with a log line and
    /// false). A pause while paused replaces the first one.
    bool pause(std::optional<std::int64_t> minutes = std::nullopt);
    /// Ends any pause now; does nothing when not paused.
    void resume();

    /// f runs after every change of paused() (including a timed pause running out).
    void onChanged(std::function<void()> f) { changed_.connect(std::move(f)); }

    /// Shows the pause and resume messages; null: none.
    ToastPresenter* toasts = nullptr;

private:
    void arm();
    void disarm();
    void expire();
    void announce(const std::string& message);

    Scheduler& scheduler_;
    UserDefaults& defaults_;
    bool open_ = false;
    std::optional<TimePoint> until_;
    std::optional<Scheduler::TaskId> timer_;
    Signal<> changed_;
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

} // namespace brisa
