// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/settings/KeyboardShortcuts.h"
#include "platform/GlobalHotkeys.h"

namespace brisa {

/// The desktop's hold on Brisa's global shortcuts, as the settings window's recorder needs it;
/// ShortcutRegistry is the one.
class ShortcutGrabs {
public:
    /// Makes shortcut name's combination, grabbing it first: ok, or why not.
    virtual GlobalHotkeys::GrabResult change(const ShortcutName& name, const Shortcut& shortcut) = 0;
    /// Lets every combination go while paused, so that a recorder sees the chords pressed.
    virtual void setPaused(bool paused) = 0;

protected:
    ~ShortcutGrabs() = default;
};

} // namespace brisa
