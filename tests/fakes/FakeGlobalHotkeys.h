// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/GlobalHotkeys.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace brisa::test {

/// Global hotkeys that grab nothing: records what is grabbed and lets a test press and release keys.
class FakeGlobalHotkeys final : public GlobalHotkeys {
public:
    struct Combination {
        std::uint32_t keysym = 0;
        std::uint32_t modifiers = 0;
        auto operator<=>(const Combination&) const = default;
    };

    GrabResult grab(std::uint32_t keysym, std::uint32_t modifiers, HotkeyId id) override
    {
        ++grabCalls;
        const Combination c{keysym, modifiers};
        if (auto it = refused_.find(c); it != refused_.end())
            return {false, it->second};
        for (const auto& [held, combination] : grabbed_)
            if (combination == c)
                return {false, statusDuplicate};
        grabbed_[id] = c;
        return {true, 0};
    }
    void ungrab(HotkeyId id) override { grabbed_.erase(id); }
    void setHandler(Handler handler) override { handler_ = std::move(handler); }

    // Test control.

    /// Makes every grab of this combination fail with status (as if another program held it).
    void refuse(std::uint32_t keysym, std::uint32_t modifiers, int status) { refused_[{keysym, modifiers}] = status; }
    /// The id the combination is grabbed under, if it is.
    std::optional<HotkeyId> idOf(std::uint32_t keysym, std::uint32_t modifiers) const
    {
        for (const auto& [id, c] : grabbed_)
            if (c == Combination{keysym, modifiers})
                return id;
        return std::nullopt;
    }
    bool isGrabbed(std::uint32_t keysym, std::uint32_t modifiers) const { return idOf(keysym, modifiers).has_value(); }
    std::size_t grabbedCount() const { return grabbed_.size(); }
    /// Sends a key event for the combination (ignored when it is not grabbed).
    void send(std::uint32_t keysym, std::uint32_t modifiers, KeyEvent event)
    {
        if (auto id = idOf(keysym, modifiers); id && handler_)
            handler_(*id, event);
    }
    void sendId(HotkeyId id, KeyEvent event)
    {
        if (handler_)
            handler_(id, event);
    }
    bool hasHandler() const { return static_cast<bool>(handler_); }

    int grabCalls = 0;

private:
    std::map<HotkeyId, Combination> grabbed_;
    std::map<Combination, int> refused_;
    Handler handler_;
};

} // namespace brisa::test
