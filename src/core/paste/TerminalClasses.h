// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/paste/PasteChord.h"

#include <string>
#include <string_view>
#include <vector>

namespace brisa {

class UserDefaults;

/// Settings key of the window classes that take another chord than Ctrl+V. An entry is a class, which
/// takes Ctrl+Shift+V, or a class, "=" and a chord name ("xterm=shift+insert").
inline constexpr std::string_view kTerminalClassesKey = "terminalClasses";

/// The WM_CLASS classes (and instance names) of the usual terminal emulators; xterm and rxvt, which
/// have no clipboard paste key of their own, with Shift+Insert.
const std::vector<std::string>& defaultTerminalClasses();

/// The user's list under "terminalClasses" (a JSON array of strings; other entries are skipped),
/// or the defaults when the key is absent or not an array.
std::vector<std::string> terminalClasses(const UserDefaults& defaults);

/// True when windowClass equals the class of one of the entries, ignoring ASCII case.
bool isTerminalClass(std::string_view windowClass, const std::vector<std::string>& classes);

/// The chord for a window of windowClass: its entry's chord (Ctrl+Shift+V when the entry names none or
/// an unknown one), Ctrl+V when no entry matches.
PasteChord pasteChordFor(std::string_view windowClass, const std::vector<std::string>& classes);

} // namespace brisa
