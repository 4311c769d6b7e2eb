// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/remind/ReminderScheduler.h"

#include "core/clips/TextPreview.h"
#include "core/model/ClipType.h"
#include "core/store/Storage.h"

#include <fmt/format.h>

#include <algorithm>
#include <ctime>

namespace brisa {

std::string reminderPreview(const ClipItem& item)
{
    if (item.textContent && !item.textContent->empty())
        return textPreview(*item.textContent, 80);
    const auto app = item.sourceAppName && !item.sourceAppName->empty() ? *item.sourceAppName : std::string("una app");
    return fmt::format("{} de {}", label(clipTypeOrText(item.typeRaw)), app);
}

TimePoint reminderProposal(std::optional<TimePoint> current, TimePoint now)
{
    return current ? *current : now + std::chrono::seconds(3600);
}

std::string reminderBody(const ClipItem& item, TimePoint at, bool late)
{
    auto body = reminderPreview(item);
    if (!late)
        return body;
    const std::time_t t = std::chrono::system_clock::to_time_t(at);
    std::tm local{};
    if (!localtime_r(&t, &local))
        return body;
    return fmt::format("{}\nPrevisto para el {:02}/{:02}/{:04} a las {:02}:{:02}", body, local.tm_mday,
                       local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min);
}

ReminderScheduler::ReminderScheduler(Storage& storage, Scheduler& scheduler, Notifications& notifications)
    : storage_(storage), scheduler_(scheduler), notifications_(notifications)
{
}

ReminderScheduler::~ReminderScheduler()
{
    if (timer_)
        scheduler_.cancel(*timer_);
}

TimePoint ReminderScheduler::dueMinute(TimePoint at)
{
    // Every zone in use is offset by whole minutes, so the UTC minute is the local one.
    return std::chrono::floor<std::chrono::minutes>(at);
}

void ReminderScheduler::start()
{
    started_ = true;
    refresh();
}

void ReminderScheduler::refresh()
{
    if (!started_)
        return;
    seenVersion_ = storage_.dataVersion();
    const auto now = scheduler_.now();
    nextDue_.reset();
    undelivered_ = false;
    for (const auto& pending : storage_.pendingReminders()) {
        const auto due = dueMinute(pending.at);
        if (due > now) {
            nextDue_ = due; // earliest first: the rest come later
            break;
        }
        auto item = storage_.fetch(pending.id, false);
        if (!item || item->reminderDate != pending.at)
            continue; // changed under us: the next read sees it
        // The clip's id comes back when the notification is clicked.
        const Notifications::Notice notice{std::string(kReminderTitle),
                                           reminderBody(*item, pending.at, now - due >= kLateAfter),
                                           item->id.toString()};
        if (notifications_.show(notice))
            storage_.markReminderDelivered(pending.id, pending.at);
        else
            undelivered_ = true;
    }
    arm(nextDue_ ? std::min<Duration>(std::chrono::ceil<Duration>(*nextDue_ - now), kLongestWait) : kLongestWait);
}

void ReminderScheduler::wake()
{
    timer_.reset();
    // Nothing due and no other program wrote to the store: just wait on.
    const auto now = scheduler_.now();
    if (!undelivered_ && (!nextDue_ || *nextDue_ > now) && storage_.dataVersion() == seenVersion_) {
        arm(nextDue_ ? std::min<Duration>(std::chrono::ceil<Duration>(*nextDue_ - now), kLongestWait) : kLongestWait);
        return;
    }
    refresh();
}

void ReminderScheduler::arm(Duration wait)
{
    if (timer_)
        scheduler_.cancel(*timer_);
    timer_ = scheduler_.runAfter(std::max(wait, Duration(1)), [this] { wake(); });
}

} // namespace brisa
