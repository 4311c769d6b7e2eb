// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/settings/UserDefaults.h"
#include "core/support/Signal.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisa {

/// A key combination in its persisted form: a virtual key code and a modifier mask.
struct Shortcut {
    /// Virtual key code of the physical key (9 is V, 125 the down arrow, ...).
    int carbonKeyCode = 0;
    /// shortcutModifier bits combined with bitwise or.
    int carbonModifiers = 0;

    bool operator==(const Shortcut&) const = default;
};

/// The modifier bits of Shortcut::carbonModifiers.
namespace shortcutModifier {
inline constexpr int command = 256;
inline constexpr int shift = 512;
inline constexpr int option = 2048;
inline constexpr int control = 4096;
inline constexpr int function = 0x20000;
} // namespace shortcutModifier

/// A named shortcut slot, with the combination it gets on a fresh installation.
struct ShortcutName {
    std::string rawValue{};
    std::optional<Shortcut> defaultShortcut{};

    bool operator==(const ShortcutName&) const = default;
};

/// The application's shortcut names and their defaults.
namespace shortcutNames {
/// Control-Command-V: the panel for keyboard use.
const ShortcutName& togglePanel();
/// Control-Command-N.
const ShortcutName& quickNote();
/// Shift-Command-C.
const ShortcutName& bulkCopyToggle();
/// Command-Down Arrow.
const ShortcutName& sequentialPaste();
/// Command-Up Arrow.
const ShortcutName& sequentialPasteBack();
/// "quickPaste0" to "quickPaste9": Control-Command and the digit; slot 0 is the newest clip.
const std::array<ShortcutName, 10>& quickPasteSlots();
/// Every name above, in the order the shortcuts are registered.
std::vector<ShortcutName> all();
} // namespace shortcutNames

/// The persisted shortcuts: under "KeyboardShortcuts_<name>", a string holding the JSON object
/// {"carbonKeyCode": int, "carbonModifiers": int}, or false when the user cleared a name that has
/// a default. Registration with the desktop is done elsewhere.
class KeyboardShortcuts {
public:
    static constexpr std::string_view keyPrefix = "KeyboardShortcuts_";
    /// The user-defaults key of name.
    static std::string storageKey(const ShortcutName& name);

    explicit KeyboardShortcuts(UserDefaults& defaults);

    /// The stored combination of name; nullopt when the key is missing, cleared, or unreadable
    /// (not a string, not JSON, members missing or not integers within range).
    std::optional<Shortcut> shortcut(const ShortcutName& name) const;
    /// Stores shortcut for name; nullopt clears it (false for a name with a default, so that the
    /// default does not come back; otherwise the key is removed). Notifies observers.
    void setShortcut(const ShortcutName& name, std::optional<Shortcut> shortcut);

    /// Writes name's default if, and only if, nothing at all is stored under its key.
    void ensureDefault(const ShortcutName& name);
    /// ensureDefault for every application name.
    void ensureApplicationDefaults();

    /// f runs after every setShortcut, with the name that changed.
    void onChanged(std::function<void(const ShortcutName&)> f) { changed_.connect(std::move(f)); }

private:
    void store(const ShortcutName& name, const Shortcut& shortcut);

    UserDefaults& defaults_;
    Signal<const ShortcutName&> changed_;
};

/// The key's character or name: "V", "5", "←", "↩", "F5", ...; "Tecla <code>" for an unknown code.
std::string keyName(int carbonKeyCode);

/// The modifiers as "⌃", "⌥", "⇧", "⌘", "🌐︎" (in that order), then keyName: "⌃⌘V".
std::string symbolicForm(const Shortcut& shortcut);

/// The key as Linux desktops write it in Spanish: "Intro", "Esc", "Supr", "Izquierda", else keyName.
std::string desktopKeyName(int carbonKeyCode);

/// The combination as Linux desktops write it: "Ctrl+", "Alt+", "Mayús+", "Super+", "Fn+" (in that
/// order), then desktopKeyName: "Ctrl+Super+V", "Ctrl+Intro".
std::string desktopForm(const Shortcut& shortcut);

} // namespace brisa
