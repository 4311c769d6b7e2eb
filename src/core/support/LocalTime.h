// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Clock.h"

#include <ctime>
#include <string>

namespace brisa {

/// Writes times as local "YYYY-MM-DD HH:MM:SS", as strftime would. A listing of many clips asks
/// the C library (which locks and reads the zone each time) for the zone's offset once per quarter
/// hour of times instead of once per time: offsets change at quarter hours, and a quarter whose
/// two ends differ is left to the C library. One per thread; the zone must not change meanwhile.
class LocalTimeFormatter {
public:
    void append(std::string& out, TimePoint t);

private:
    std::time_t quarter_ = -1;
    long offset_ = 0;
    bool steady_ = false; ///< the quarter has one offset throughout
};

} // namespace brisa
