// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AppCommands.h"
#include "core/settings/KeyboardShortcuts.h"
#include "platform/GlobalHotkeys.h"
#include "ui/ShortcutGrabs.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brisa {

/// Keeps the named shortcuts grabbed on the desktop and runs their handlers when the combination is
/// released: never on press, once per press however long the keys are held. Follows changes made
/// through KeyboardShortcuts at once. Everything runs on the main thread.
class ShortcutRegistry final : public ShortcutGrabs {
public:
    /// shortcuts and hotkeys must outlive the registry.
    ShortcutRegistry(KeyboardShortcuts& shortcuts, GlobalHotkeys& hotkeys);
    ~ShortcutRegistry();
    ShortcutRegistry(const ShortcutRegistry&) = delete;
    ShortcutRegistry& operator=(const ShortcutRegistry&) = delete;

    /// Adds a key-up handler for name and grabs the name's combination if it is not grabbed yet;
    /// writes the name's default first when nothing is stored for it.
    void onKeyUp(const ShortcutName& name, std::function<void()> action);

    /// Registers the application's shortcuts: togglePanel, quickNote, bulkCopyToggle, sequentialPaste,
    /// sequentialPasteBack, then quickPaste0 to quickPaste9, each running its command on commands,
    /// which must outlive the registry.
    void registerGlobalShortcuts(AppCommands& commands);

    /// Makes shortcut the combination of name: grabs it first and only when the desktop grants it
    /// releases the old one and stores the new one, so a combination another program holds leaves
    /// the previous shortcut grabbed and stored. A name without a handler is only stored.
    GlobalHotkeys::GrabResult change(const ShortcutName& name, const Shortcut& shortcut) override;

    /// While paused every combination is let go, so that a recorder sees the chords pressed,
    /// Brisa's own included; resuming grabs them all again.
    void setPaused(bool paused) override;

    /// True while name's combination is grabbed.
    bool isRegistered(const ShortcutName& name) const;

private:
    struct Entry {
        ShortcutName name;
        std::vector<std::function<void()>> keyUp;
        std::optional<GlobalHotkeys::HotkeyId> id;
        bool held = false;
        /// The combination grabbed under id.
        std::optional<Shortcut> grabbed{};
    };

    void grab(Entry& entry);
    void ungrab(Entry& entry);
    void shortcutChanged(const ShortcutName& name);
    void keyEvent(GlobalHotkeys::HotkeyId id, GlobalHotkeys::KeyEvent event);

    KeyboardShortcuts& shortcuts_;
    GlobalHotkeys& hotkeys_;
    std::map<std::string, Entry> entries_;
    std::map<GlobalHotkeys::HotkeyId, std::string> names_;
    GlobalHotkeys::HotkeyId nextId_ = 1;
    bool paused_ = false;
    // KeyboardShortcuts keeps its observers for good: they check this before touching the registry.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace brisa
