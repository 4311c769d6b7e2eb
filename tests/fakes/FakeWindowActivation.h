// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowActivation.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brisa::test {

/// The focus of a desktop a test sets by hand; activations are recorded, and leave it to the test.
class FakeWindowActivation final : public WindowActivation {
public:
    bool rememberActiveWindow() override
    {
        remembered = active;
        return remembered.has_value();
    }
    bool restorePreviousWindow() override { return remembered && activate(*remembered); }
    std::optional<std::string> activeWindowClass() override { return activeClass; }
    std::optional<WindowId> activeWindow() override { return active; }
    bool activate(WindowId window) override
    {
        activated.push_back(window);
        if (journal)
            journal->push_back("activate " + std::to_string(window.value));
        return activationsSucceed;
    }
    std::optional<std::uint64_t> currentTime() override { return time; }

    /// The window in front and its class.
    std::optional<WindowId> active;
    std::optional<std::string> activeClass;
    std::optional<WindowId> remembered;
    /// Every window asked to take the focus, in order.
    std::vector<WindowId> activated;
    bool activationsSucceed = true;
    /// The window system's time, for startup ids.
    std::optional<std::uint64_t> time;
    /// When set, activations are noted here, to be compared in order with other fakes'.
    std::vector<std::string>* journal = nullptr;
};

} // namespace brisa::test
