// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fmt/format.h>

#include <functional>
#include <string>
#include <string_view>

namespace brisa {

/// The layer a line comes from. Each is a category the user can silence or enable on its own.
enum class LogCategory { Core, Store, Platform, X11, Ui, App };

/// The category's name: "brisa.core", "brisa.store", "brisa.platform", "brisa.x11", "brisa.ui", "brisa.app".
std::string_view logCategoryName(LogCategory category);

/// Writes one "[Brisa] <message>" line to stderr and to the system journal when there is one.
void logLine(LogCategory category, std::string_view message);
/// A line of the core.
inline void logLine(std::string_view message) { logLine(LogCategory::Core, message); }

template <typename... Args>
void logf(LogCategory category, fmt::format_string<Args...> format, Args&&... args)
{
    logLine(category, fmt::format(format, std::forward<Args>(args)...));
}

template <typename... Args>
void logf(fmt::format_string<Args...> format, Args&&... args)
{
    logLine(LogCategory::Core, fmt::format(format, std::forward<Args>(args)...));
}

/// Writes a line exactly as given (for the few lines that carry their own prefix).
void logRaw(std::string_view line, LogCategory category = LogCategory::Core);

/// Replaces where lines go (tests capture them); an empty function restores stderr + journal.
using LogSink = std::function<void(std::string_view line)>;
void setLogSink(LogSink sink);

/// Says whether lines of a category are written at all (the app asks its logging rules); an empty
/// function writes every line.
using LogFilter = std::function<bool(LogCategory category)>;
void setLogFilter(LogFilter filter);

} // namespace brisa
