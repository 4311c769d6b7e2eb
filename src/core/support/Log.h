// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fmt/format.h>

#include <functional>
#include <string>
#include <string_view>

namespace brisa {

/// Writes one "[Brisa] <message>" line to stderr and to the system journal when there is one.
void logLine(std::string_view message);

template <typename... Args>
void logf(fmt::format_string<Args...> format, Args&&... args)
{
    logLine(fmt::format(format, std::forward<Args>(args)...));
}

/// Writes a line exactly as given (for the few lines that carry their own prefix).
void logRaw(std::string_view line);

/// Replaces where lines go (tests capture them); an empty function restores stderr + journal.
using LogSink = std::function<void(std::string_view line)>;
void setLogSink(LogSink sink);

} // namespace brisa
