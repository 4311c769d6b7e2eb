// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Screens.h"

#include <cstddef>
#include <utility>
#include <vector>

namespace brisa::test {

/// Screens a test lays out by hand; changing them runs the change callbacks at once.
class FakeScreens final : public Screens {
public:
    FakeScreens() = default;
    explicit FakeScreens(std::vector<ScreenInfo> screens) : screens_(std::move(screens)) {}

    std::vector<ScreenInfo> screens() const override { return screens_; }
    Point pointerPosition() const override { return pointer; }
    /// Flips y about the primary screen's top edge (the first screen's when none is flagged).
    Rect toWindowSpace(const Rect& frame) const override
    {
        const ScreenInfo* reference = screens_.empty() ? nullptr : &screens_.front();
        for (const auto& s : screens_)
            if (s.primary)
                reference = &s;
        const double top = reference ? reference->frame.maxY() : 0;
        return {frame.x, top - frame.maxY(), frame.width, frame.height};
    }
    void onChanged(Changed changed) override { callbacks_.push_back(std::move(changed)); }

    // Test control.

    /// Replaces the whole layout (a screen plugged in or out, the primary moved) and notifies.
    void setScreens(std::vector<ScreenInfo> screens)
    {
        screens_ = std::move(screens);
        notify();
    }
    /// Runs every change callback, as the window system would after a change.
    void notify()
    {
        ++notifications;
        // A copy: a callback may add another one.
        const auto callbacks = callbacks_;
        for (const auto& callback : callbacks)
            if (callback)
                callback();
    }
    std::size_t callbackCount() const { return callbacks_.size(); }

    /// Where the pointer is when no pointer monitor is asked.
    Point pointer{};
    /// How many times the callbacks were run.
    int notifications = 0;

private:
    std::vector<ScreenInfo> screens_;
    std::vector<Changed> callbacks_;
};

} // namespace brisa::test
