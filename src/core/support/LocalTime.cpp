// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/LocalTime.h"

#include <chrono>

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
        char text[] = "0000-00-00 00:00:00";
        auto put = [&text](std::size_t at, unsigned value, int digits) {
            for (int d = digits - 1; d >= 0; --d, value /= 10)
                text[at + static_cast<std::size_t>(d)] = static_cast<char>('0' + value % 10);
        };
        put(0, static_cast<unsigned>(static_cast<int>(date.year())), 4);
        put(5, static_cast<unsigned>(date.month()), 2);
        put(8, static_cast<unsigned>(date.day()), 2);
        put(11, static_cast<unsigned>(time.hours().count()), 2);
        put(14, static_cast<unsigned>(time.minutes().count()), 2);
        put(17, static_cast<unsigned>(time.seconds().count()), 2);
        out.append(text, sizeof text - 1);
        return;
    }
    std::tm tm{};
    localtime_r(&tt, &tm);
    char buf[64];
    out.append(buf, std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm));
}

} // namespace brisa
