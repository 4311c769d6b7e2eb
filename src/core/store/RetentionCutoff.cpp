// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/store/RetentionCutoff.h"

#include <cerrno>
#include <climits>
#include <ctime>

namespace brisa {

std::optional<TimePoint> calendarDaysBefore(TimePoint now, std::int64_t days)
{
    using namespace std::chrono;
    if (days < 0 || days > INT_MAX - 64) // tm_mday is an int
        return std::nullopt;
    const auto whole = floor<seconds>(now);
    const auto fraction = now - whole;
    std::time_t t = static_cast<std::time_t>(whole.time_since_epoch().count());
    std::tm tm{};
    if (!localtime_r(&t, &tm))
        return std::nullopt;
    tm.tm_mday -= static_cast<int>(days);
    tm.tm_isdst = -1; // let the zone decide whether that day is in summer time
    errno = 0;
    const std::time_t back = std::mktime(&tm);
    if (back == static_cast<std::time_t>(-1) && errno != 0)
        return std::nullopt;
    return TimePoint(duration_cast<TimePoint::duration>(seconds(back))) + fraction;
}

} // namespace brisa
