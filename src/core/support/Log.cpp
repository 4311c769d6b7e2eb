// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/Log.h"

#include <syslog.h>
#include <unistd.h>

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

void logRaw(std::string_view line)
{
    std::lock_guard lock(sinkMutex());
    if (sink())
        sink()(line);
    else
        writeDefault(line);
}

void logLine(std::string_view message)
{
    std::string line = "[Brisa] ";
    line.append(message);
    logRaw(line);
}

void setLogSink(LogSink s)
{
    std::lock_guard lock(sinkMutex());
    sink() = std::move(s);
}

} // namespace brisa
