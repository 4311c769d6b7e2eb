// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/LocalTime.h"

#include <fmt/compile.h>
#include <fmt/format.h>

#include <chrono>
#include <iterator>

namespace brisa {

void LocalTimeFormatter::append(std::string& out, TimePoint t)
{
    const std::time_t tt = std::chrono::system_clock::to_time_t(t);
    constexpr std::time_t kQuarter = 15 * 60;
    const std::time_t quarter = tt / kQuarter - (tt % kQuarter < 0 ? 1 : 0);
    if (quarter != quarter_) {
        const std::time_t from = quarter * kQuarter;
        const std::time_t to = from + kQuarter - 1;
        std::tm first{};
        std::tm last{};
        steady_ = localtime_r(&from, &first) && localtime_r(&to, &last) && first.tm_gmtoff == last.tm_gmtoff;
        offset_ = first.tm_gmtoff;
        quarter_ = quarter;
    }
    using namespace std::chrono;
    const sys_seconds local{seconds(tt + offset_)};
    const auto day = floor<days>(local);
    const year_month_day date(day);
    if (steady_ && date.year() >= year(1000) && date.year() <= year(9999)) {
        const hh_mm_ss time(local - day);
        fmt::format_to(std::back_inserter(out), FMT_COMPILE("{:04}-{:02}-{:02} {:02}:{:02}:{:02}"),
                       static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                       static_cast<unsigned>(date.day()), time.hours().count(), time.minutes().count(),
                       time.seconds().count());
        return;
    }
    std::tm tm{};
    localtime_r(&tt, &tm);
    char buf[64];
    out.append(buf, std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm));
}

} // namespace brisa
