// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string_view>

namespace brisa {

/// The keys that paste in the focused window.
enum class PasteChord {
    /// Most programs.
    ControlV,
    /// Terminals that keep Ctrl+V for the shell and paste the clipboard with Shift.
    ControlShiftV,
    /// Terminals that paste only the mouse selection (xterm, urxvt): the clip goes there too.
    ShiftInsert,
};

/// The chord as the settings write it: "ctrl+v", "ctrl+shift+v", "shift+insert".
std::string_view chordName(PasteChord chord);
/// The chord a settings name stands for, ignoring ASCII case; nullopt for an unknown name.
std::optional<PasteChord> chordFromName(std::string_view name);

} // namespace brisa
