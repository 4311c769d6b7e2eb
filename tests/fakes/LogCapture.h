// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Log.h"

#include <mutex>
#include <string>
#include <vector>

namespace brisa::test {

/// Captures every log line while it lives.
class LogCapture {
public:
    LogCapture()
    {
        setLogSink([this](std::string_view line) {
            std::lock_guard lock(mutex_);
            lines_.emplace_back(line);
        });
    }
    ~LogCapture() { setLogSink({}); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines() const
    {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    /// True when some line contains text.
    bool contains(std::string_view text) const
    {
        std::lock_guard lock(mutex_);
        for (const auto& l : lines_)
            if (l.find(text) != std::string::npos)
                return true;
        return false;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

} // namespace brisa::test
