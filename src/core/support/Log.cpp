// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/Log.h"

#include <syslog.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <mutex>

namespace brisa {
namespace {

std::mutex& sinkMutex()
{
    static std::mutex m;
    return m;
}

LogSink& sink()
{
    static LogSink s;
    return s;
}

LogFilter& filter()
{
    static LogFilter f;
    return f;
}

bool journalPresent()
{
    // journald takes syslog() messages; without it syslog may go nowhere or to a file we don't own.
    static const bool present = access("/run/systemd/journal/socket", F_OK) == 0;
    return present;
}

void writeDefault(std::string_view line)
{
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    if (journalPresent()) {
        static std::once_flag opened;
        std::call_once(opened, [] { openlog("brisa", LOG_PID, LOG_USER); });
        syslog(LOG_INFO, "%.*s", static_cast<int>(line.size()), line.data());
    }
}

} // namespace

std::string_view logCategoryName(LogCategory category)
{
    // In the order of LogCategory.
    static constexpr std::array<std::string_view, 6> names{"brisa.core", "brisa.store", "brisa.platform",
                                                           "brisa.x11",  "brisa.ui",    "brisa.app"};
    const auto index = static_cast<std::size_t>(category);
    return index < names.size() ? names[index] : names[0];
}

void logRaw(std::string_view line, LogCategory category)
{
    std::lock_guard lock(sinkMutex());
    if (filter() && !filter()(category))
        return;
    if (sink())
        sink()(line);
    else
        writeDefault(line);
}

void logLine(LogCategory category, std::string_view message)
{
    std::string line = "[Brisa] ";
    line.append(message);
    logRaw(line, category);
}

void setLogSink(LogSink s)
{
    std::lock_guard lock(sinkMutex());
    sink() = std::move(s);
}

void setLogFilter(LogFilter f)
{
    std::lock_guard lock(sinkMutex());
    filter() = std::move(f);
}

} // namespace brisa
