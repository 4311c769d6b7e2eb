// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Clock.h"

#include <cstdint>
#include <optional>

namespace brisa {

/// now moved back by days calendar days in the local time zone (same wall-clock time, so a day
/// across a daylight-saving change is 23 or 25 hours), keeping now's sub-second part.
/// nullopt when the calendar cannot produce that date.
std::optional<TimePoint> calendarDaysBefore(TimePoint now, std::int64_t days);

} // namespace brisa
