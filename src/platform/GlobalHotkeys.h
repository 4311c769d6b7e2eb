// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>

namespace brisa {

/// System-wide key combinations grabbed for Brisa while any other application is in front.
/// Plain C++ on purpose: the core's shortcut registry talks to it, and tests use a fake.
class GlobalHotkeys {
public:
    /// Names one grabbed combination; chosen by the caller, never 0.
    using HotkeyId = std::uint32_t;

    /// What happened to a grabbed combination.
    enum class KeyEvent { pressed, released };

    /// Receives every press and release of a grabbed combination, on the main thread.
    using Handler = std::function<void(HotkeyId id, KeyEvent event)>;

    /// Outcome of grab(): converts to true on success; otherwise status says why, for the log.
    struct GrabResult {
        bool ok = false;
        /// 0 on success; the X error code (10, BadAccess: another program holds the combination),
        /// or one of the negative codes below.
        int status = 0;

        explicit operator bool() const { return ok; }
    };

    /// Status of a keysym that no key of the current keyboard map produces.
    static constexpr int statusNoKey = -1;
    /// Status when the desktop session cannot grab keys at all (no connection).
    static constexpr int statusUnavailable = -2;
    /// Status when this object already holds the same combination under another id.
    static constexpr int statusDuplicate = -3;

    virtual ~GlobalHotkeys() = default;

    /// Grabs keysym with exactly modifiers (X mask: Shift 1, Control 4, Mod1 8, Mod4 64), whatever lock
    /// keys are on, and reports its events under id. A refused grab leaves nothing grabbed.
    virtual GrabResult grab(std::uint32_t keysym, std::uint32_t modifiers, HotkeyId id) = 0;
    /// Releases the combination grabbed under id; an unknown id is ignored.
    virtual void ungrab(HotkeyId id) = 0;
    /// Sets the one receiver of key events (replacing any earlier one).
    virtual void setHandler(Handler handler) = 0;
};

} // namespace brisa
