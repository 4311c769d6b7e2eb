// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PointerMonitor.h"

#include <utility>

namespace brisa::test {

/// A pointer monitor that watches nothing: a test places the pointer and sends moves, clicks and
/// Escape presses itself.
class FakePointerMonitor final : public PointerMonitor {
public:
    void setHandlers(Handlers handlers) override
    {
        handlers_ = std::move(handlers);
        ++setHandlersCalls;
    }
    Point pointerPosition() override
    {
        ++positionQueries;
        return position_;
    }

    // Test control.

    /// Puts the pointer at p without telling anyone (as if the move event had not arrived yet).
    void place(Point p) { position_ = p; }
    /// Puts the pointer at p and reports the move.
    void moveTo(Point p)
    {
        position_ = p;
        if (auto f = handlers_.onMoved)
            f(p);
    }
    /// Reports a button press where the pointer is.
    void click()
    {
        if (auto f = handlers_.onButtonDown)
            f(position_);
    }
    /// Moves the pointer to p, then reports a button press there.
    void clickAt(Point p)
    {
        moveTo(p);
        click();
    }
    void pressEscape()
    {
        if (auto f = handlers_.onEscapeDown)
            f();
    }
    bool hasHandlers() const { return handlers_.onMoved || handlers_.onButtonDown || handlers_.onEscapeDown; }

    int setHandlersCalls = 0;
    int positionQueries = 0;

private:
    Handlers handlers_;
    Point position_;
};

} // namespace brisa::test
