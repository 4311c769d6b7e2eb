// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipItem.h"
#include "core/support/Clock.h"
#include "core/support/Uuid.h"
#include "platform/Notifications.h"

#include <optional>
#include <string>

namespace brisa {

class Storage;

/// Title of every reminder notification.
inline constexpr std::string_view kReminderTitle = "Recordatorio de Brisa";

/// What a reminder says about its clip: the first 80 characters of its text, else
/// "<kind label> de <source application or 'una app'>".
std::string reminderPreview(const ClipItem& item);

/// What the date dialog proposes: the clip's reminder (even a past one), else an hour from now.
TimePoint reminderProposal(std::optional<TimePoint> current, TimePoint now);

/// The notification body: the preview, and when the reminder is shown late (Brisa was not running,
/// or the machine slept through it) a second line with the time it was set for.
std::string reminderBody(const ClipItem& item, TimePoint at, bool late);

/// Delivers the reminders stored in the clips' reminderDate. No notification server keeps them
/// for us, so one timer waits for the earliest pending one. Timers count running time, which
/// stands still while the machine sleeps, so the wait is cut into slices of at most kLongestWait
/// and each wake compares the wall clock: a suspend or a clock change neither skips a reminder
/// nor shows it twice. Each delivery is recorded in the store, so a reminder goes out once even
/// across restarts, and one that fell due while Brisa was not running goes out at the next start.
class ReminderScheduler {
public:
    /// The longest single wait. Also how soon a reminder set by another program (the command
    /// line) is noticed.
    static constexpr Duration kLongestWait = std::chrono::seconds(30);
    /// Shown this long after its minute or later, a reminder says when it was due.
    static constexpr Duration kLateAfter = std::chrono::minutes(1);

    /// Everything must outlive the scheduler. A notification the server does not take leaves its
    /// reminder pending, tried again on a later wake; a click on one hands back the clip's id.
    ReminderScheduler(Storage& storage, Scheduler& scheduler, Notifications& notifications);
    ~ReminderScheduler();
    ReminderScheduler(const ReminderScheduler&) = delete;
    ReminderScheduler& operator=(const ReminderScheduler&) = delete;

    /// Delivers what fell due while Brisa was not running and starts waiting for the next one.
    void start();
    /// Reads the pending reminders again (one was set, changed or removed) and re-arms the timer.
    void refresh();

    /// The minute a reminder goes out: its date with the seconds dropped.
    static TimePoint dueMinute(TimePoint at);

private:
    void wake();
    void arm(Duration wait);

    Storage& storage_;
    Scheduler& scheduler_;
    Notifications& notifications_;
    std::optional<Scheduler::TaskId> timer_;
    std::optional<TimePoint> nextDue_;
    std::optional<std::int64_t> seenVersion_;
    bool undelivered_ = false; ///< a due reminder found no notification server
    bool started_ = false;
};

} // namespace brisa
