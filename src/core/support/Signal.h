// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace brisa {

/// A list of callbacks run synchronously, in connection order, each time the owner emits.
/// Observers live as long as the owner: there is no disconnect.
template <typename... Args>
class Signal {
public:
    using Slot = std::function<void(Args...)>;

    void connect(Slot slot)
    {
        if (slot)
            slots_.push_back(std::move(slot));
    }

    void emit(Args... args) const
    {
        // A copy, so that a slot that connects another one does not invalidate what we iterate.
        const auto slots = slots_;
        for (const auto& slot : slots)
            slot(args...);
    }

private:
    std::vector<Slot> slots_;
};

} // namespace brisa
