// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/LocalTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

using namespace brisa;

namespace {

std::string viaStrftime(std::time_t t)
{
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[64];
    return std::string(buf, std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm));
}

/// Sets TZ for the test's life.
class Zone {
public:
    explicit Zone(const char* tz)
    {
        if (const char* old = std::getenv("TZ"))
            old_ = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~Zone()
    {
        if (old_)
            setenv("TZ", old_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> old_;
};

} // namespace

TEST(LocalTimeFormatter, WritesWhatStrftimeWritesAcrossOffsetChanges)
{
    // Zones as rules (no zone files needed): whole-hour, half-hour and 45-minute offsets, summer
    // time that moves by an hour or by half an hour; each transition crossed minute by minute.
    struct Case {
        const char* tz;
        std::time_t around; ///< a transition
    };
    const Case cases[] = {
        {"CET-1CEST,M3.5.0,M10.5.0/3", 1711846800},             // 2024-03-31 01:00 UTC
        {"CET-1CEST,M3.5.0,M10.5.0/3", 1729990800},             // 2024-10-27 01:00 UTC
        {"NST3:30NDT,M3.2.0,M11.1.0", 1710045000},              // 2024-03-10 02:00 local
        {"LHST-10:30LHDT-11,M10.1.0,M4.1.0", 1712419200},       // half an hour back, April 2024
        {"NPT-5:45", 1700000000},
        {"UTC0", 0},
        {"EST5EDT,M3.2.0,M11.1.0", -2208988800 + 86400 * 365},  // before 1970
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tz);
        const Zone zone(c.tz);
        LocalTimeFormatter formatter;
        for (std::time_t t = c.around - 2 * 3600; t <= c.around + 2 * 3600; t += 59) {
            std::string out = "x";
            formatter.append(out, std::chrono::system_clock::from_time_t(t));
            ASSERT_EQ(out, "x" + viaStrftime(t)) << t;
        }
    }
}
