// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ShortcutRegistry.h"

#include "core/shortcuts/KeyTranslation.h"
#include "core/support/Log.h"

#include <utility>

namespace brisa {

ShortcutRegistry::ShortcutRegistry(KeyboardShortcuts& shortcuts, GlobalHotkeys& hotkeys)
    : shortcuts_(shortcuts)
    , hotkeys_(hotkeys)
{
    std::weak_ptr<bool> alive = alive_;
    shortcuts_.onChanged([this, alive](const ShortcutName& name) {
        if (alive.lock())
            shortcutChanged(name);
    });
    hotkeys_.setHandler([this](GlobalHotkeys::HotkeyId id, GlobalHotkeys::KeyEvent event) { keyEvent(id, event); });
}

ShortcutRegistry::~ShortcutRegistry()
{
    hotkeys_.setHandler({});
    for (auto& [raw, entry] : entries_)
        ungrab(entry);
}

void ShortcutRegistry::onKeyUp(const ShortcutName& name, std::function<void()> action)
{
    shortcuts_.ensureDefault(name);
    auto [it, added] = entries_.try_emplace(name.rawValue, Entry{name, {}, std::nullopt, false});
    if (action)
        it->second.keyUp.push_back(std::move(action));
    if (!it->second.id)
        grab(it->second);
}

void ShortcutRegistry::registerGlobalShortcuts(AppCommands& commands)
{
    const std::pair<ShortcutName, AppCommand> named[] = {
        {shortcutNames::togglePanel(), AppCommand::TogglePanel},
        {shortcutNames::quickNote(), AppCommand::OpenQuickNote},
        {shortcutNames::bulkCopyToggle(), AppCommand::ToggleBulkCopy},
        {shortcutNames::sequentialPaste(), AppCommand::SequentialPaste},
        {shortcutNames::sequentialPasteBack(), AppCommand::SequentialPasteBack},
    };
    for (const auto& [name, command] : named)
        onKeyUp(name, [&commands, command] { commands.run(command); });
    const auto& slots = shortcutNames::quickPasteSlots();
    for (std::size_t i = 0; i < slots.size(); ++i)
        onKeyUp(slots[i], [&commands, slot = static_cast<int>(i)] { commands.pasteSlot(slot); });
}

bool ShortcutRegistry::isRegistered(const ShortcutName& name) const
{
    auto it = entries_.find(name.rawValue);
    return it != entries_.end() && it->second.id.has_value();
}

void ShortcutRegistry::setPaused(bool paused)
{
    if (paused_ == paused)
        return;
    paused_ = paused;
    for (auto& [raw, entry] : entries_) {
        if (paused)
            ungrab(entry);
        else if (!entry.id)
            grab(entry);
    }
}

void ShortcutRegistry::grab(Entry& entry)
{
    if (paused_)
        return; // grabbed on resuming
    auto shortcut = shortcuts_.shortcut(entry.name);
    if (!shortcut)
        return; // cleared or never set: nothing to grab
    auto translated = translateShortcut(*shortcut);
    if (!translated) {
        logf(LogCategory::App, "El atajo {} de {} no se puede registrar: {}",
             symbolicForm(*shortcut), entry.name.rawValue,
             describe(translated.error));
        return;
    }
    const auto id = nextId_++;
    const auto result = hotkeys_.grab(translated.combination->keysym, translated.combination->modifiers, id);
    if (!result) {
        // The one line the shortcut component writes for a refused combination, with the usual prefix.
        logf(LogCategory::App, "Error registering hotkey {}:{}", symbolicForm(*shortcut), result.status);
        return;
    }
    entry.id = id;
    entry.held = false;
    entry.grabbed = shortcut;
    names_[id] = entry.name.rawValue;
}

GlobalHotkeys::GrabResult ShortcutRegistry::change(const ShortcutName& name, const Shortcut& shortcut)
{
    auto it = entries_.find(name.rawValue);
    if (it == entries_.end() || paused_ || (it->second.id && it->second.grabbed == shortcut)) {
        shortcuts_.setShortcut(name, shortcut);
        return {true, 0};
    }
    auto translated = translateShortcut(shortcut);
    if (!translated) {
        logf(LogCategory::App, "El atajo {} de {} no se puede registrar: {}", symbolicForm(shortcut), name.rawValue,
             describe(translated.error));
        return {false, GlobalHotkeys::statusNoKey};
    }
    Entry& entry = it->second;
    const auto id = nextId_++;
    const auto result = hotkeys_.grab(translated.combination->keysym, translated.combination->modifiers, id);
    if (!result) {
        logf(LogCategory::App, "Error registering hotkey {}:{}", symbolicForm(shortcut), result.status);
        return result;
    }
    ungrab(entry);
    entry.id = id;
    entry.grabbed = shortcut;
    names_[id] = entry.name.rawValue;
    shortcuts_.setShortcut(name, shortcut); // shortcutChanged finds it grabbed already
    return result;
}

void ShortcutRegistry::ungrab(Entry& entry)
{
    if (!entry.id)
        return;
    hotkeys_.ungrab(*entry.id);
    names_.erase(*entry.id);
    entry.id.reset();
    entry.grabbed.reset();
    entry.held = false;
}

void ShortcutRegistry::shortcutChanged(const ShortcutName& name)
{
    auto it = entries_.find(name.rawValue);
    if (it == entries_.end())
        return; // no handler: nothing was grabbed for it
    if (it->second.id && it->second.grabbed == shortcuts_.shortcut(name))
        return; // grabbed already, by change()
    ungrab(it->second);
    grab(it->second);
}

void ShortcutRegistry::keyEvent(GlobalHotkeys::HotkeyId id, GlobalHotkeys::KeyEvent event)
{
    auto name = names_.find(id);
    if (name == names_.end())
        return; // a late event of a combination released meanwhile
    auto& entry = entries_.at(name->second);
    if (event == GlobalHotkeys::KeyEvent::pressed) {
        // Auto-repeat shows up as more presses: the first one arms, the rest change nothing.
        entry.held = true;
        return;
    }
    if (!entry.held)
        return;
    entry.held = false;
    // A copy: a handler may change shortcuts, which re-grabs and may touch this entry.
    const auto handlers = entry.keyUp;
    for (const auto& handler : handlers)
        handler();
}

} // namespace brisa
