// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/KeyWatcher.h"

#include <cstdint>
#include <string>

struct xkb_context;
struct xkb_keymap;
struct xkb_state;
struct xkb_compose_table;
struct xkb_compose_state;

namespace brisa {

/// Reads key codes as a keyboard layout does: the characters a press types with the modifiers and
/// group in force, dead keys composed with the next key (the locale's compose table), AltGr, Shift
/// and Caps Lock applied. Holds no connection: it is told the keymap and every key.
class XkbKeyReader {
public:
    /// The compose table of the locale named (empty: the one of LC_ALL, LC_CTYPE or LANG).
    explicit XkbKeyReader(const std::string& locale = {});
    ~XkbKeyReader();
    XkbKeyReader(const XkbKeyReader&) = delete;
    XkbKeyReader& operator=(const XkbKeyReader&) = delete;

    /// Takes a keymap (the reader owns it from now on) with a fresh state; false for a null one.
    bool setKeymap(xkb_keymap* keymap);
    /// Builds the keymap of a layout by its names ("es", "de" with variant "nodeadkeys"...); false
    /// when the names give none.
    bool setLayout(const std::string& layout, const std::string& variant = {});
    /// The modifier and group state as the server reports it.
    void setState(std::uint32_t baseMods, std::uint32_t latchedMods, std::uint32_t lockedMods, std::uint32_t baseGroup,
                  std::uint32_t latchedGroup, std::uint32_t lockedGroup);

    /// The key going down or up, read with the state before it; the state then follows the key.
    ObservedKey read(std::uint32_t keycode, bool down);

    xkb_context* context() const { return context_; }
    bool hasKeymap() const { return state_ != nullptr; }

private:
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
    xkb_compose_table* composeTable_ = nullptr;
    xkb_compose_state* compose_ = nullptr;
};

} // namespace brisa
