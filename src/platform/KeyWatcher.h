// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace brisa {

/// The keys that end a word for the text expander.
enum class Delimiter { Space, Tab, Return, KeypadEnter };

/// One key going down or up anywhere on the desktop, as the user's keyboard layout reads it.
struct ObservedKey {
    enum class Kind {
        /// A key that types text (letters, digits, punctuation; a dead key, with empty text).
        Text,
        BackSpace,
        /// Space, Tab, Return or keypad Enter.
        Delimiter,
        /// Arrows, Home, End, Page Up and Down: the caret moves.
        Navigation,
        /// Shift, Control, Alt, Super, AltGr, the lock keys.
        Modifier,
        /// Anything else (function keys, Insert, Delete, Escape...).
        Other,
    };
    Kind kind = Kind::Other;
    /// True for a press, false for a release.
    bool down = true;
    /// The UTF-8 text the press types (Text: "" for a dead key; Delimiter: " ", "\t" or "\n").
    std::string text{};
    /// Meaningful for Kind::Delimiter.
    Delimiter delimiter = Delimiter::Space;
    /// Control, Alt or Super is held (Shift, Caps Lock and AltGr are not counted).
    bool chord = false;
    /// The platform's code of the key, to type the same key again.
    std::uint32_t code = 0;
    /// The platform's modifier state the key was read with (Shift, AltGr...), to type it the same way.
    std::uint32_t modifiers = 0;
};

/// A key event to type again: the key's platform code, whether it goes down, and the modifier
/// state it went down with.
struct KeyStroke {
    std::uint32_t code = 0;
    bool down = true;
    std::uint32_t modifiers = 0;
    bool operator==(const KeyStroke&) const = default;
};

/// Watches the keys typed in every application without taking them: they reach the application
/// unchanged. Also tells when another window takes the keyboard focus and when a mouse button is
/// pressed.
class KeyWatcher {
public:
    /// The receivers, called on the main thread; an empty one drops its kind of event.
    struct Handlers {
        /// A key went down or up.
        std::function<void(const ObservedKey&)> onKey{};
        /// Another window became the active one.
        std::function<void()> onFocusChanged{};
        /// A mouse button (left, middle or right) went down: the caret may have moved.
        std::function<void()> onButtonDown{};
        /// A key was let go after being held long enough to repeat: what it typed cannot be counted.
        std::function<void()> onKeyHeld{};
    };

    virtual ~KeyWatcher() = default;
    /// Replaces every receiver at once; safe to call from inside a receiver.
    virtual void setHandlers(Handlers handlers) = 0;
};

} // namespace brisa
