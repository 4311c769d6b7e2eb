// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/settings/KeyboardShortcuts.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace brisa {

/// X modifier mask bits, as plain numbers so that core needs no X headers.
namespace xModifier {
inline constexpr std::uint32_t shift = 1u << 0;   // ShiftMask
inline constexpr std::uint32_t lock = 1u << 1;    // LockMask
inline constexpr std::uint32_t control = 1u << 2; // ControlMask
inline constexpr std::uint32_t mod1 = 1u << 3;    // Mod1Mask: Alt
inline constexpr std::uint32_t mod4 = 1u << 6;    // Mod4Mask: Super
} // namespace xModifier

/// A combination as the X server knows it: a keysym and a modifier mask.
struct XKeyCombination {
    std::uint32_t keysym = 0;
    std::uint32_t modifiers = 0;

    bool operator==(const XKeyCombination&) const = default;
};

/// Why a persisted shortcut has no X equivalent.
enum class KeyTranslationError {
    /// The key code is not one of the known physical keys.
    unknownKey,
    /// The function (Fn) key never reaches X as a modifier.
    functionModifier,
    /// Bits other than control, option, shift, command and function.
    unknownModifier,
};

/// The X keysym of a persisted key code (0x0076 for 9, the V key); nullopt for an unknown code.
std::optional<std::uint32_t> keysymForKeyCode(int carbonKeyCode);

/// The persisted key code of a keysym (upper-case letters count as their key); nullopt when no key has it.
std::optional<int> keyCodeForKeysym(std::uint32_t keysym);

/// The X modifiers of a persisted modifier mask: control to Control, option to Mod1, shift to Shift,
/// command to Mod4. The function bit and unknown bits are refused.
std::optional<std::uint32_t> xModifiersFor(int carbonModifiers, KeyTranslationError* why = nullptr);

/// The persisted modifier mask of X modifiers; lock and other modifier bits are ignored.
int carbonModifiersFor(std::uint32_t xModifiers);

/// A shortcut in X terms, or why it has none.
struct KeyTranslation {
    std::optional<XKeyCombination> combination{};
    KeyTranslationError error = KeyTranslationError::unknownKey;

    explicit operator bool() const { return combination.has_value(); }
};

/// Translates a persisted shortcut to the combination to grab.
KeyTranslation translateShortcut(const Shortcut& shortcut);

/// A short Spanish explanation of error, for log lines.
std::string_view describe(KeyTranslationError error);

} // namespace brisa
