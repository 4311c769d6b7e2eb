// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brisa {

class UserDefaults;

/// Settings key of the window classes that take Ctrl+Shift+V instead of Ctrl+V.
inline constexpr std::string_view kTerminalClassesKey = "terminalClasses";

/// The WM_CLASS classes (and instance names) of the usual terminal emulators.
const std::vector<std::string>& defaultTerminalClasses();

/// The user's list under "terminalClasses" (a JSON array of strings; other entries are skipped),
/// or the defaults when the key is absent or not an array.
std::vector<std::string> terminalClasses(const UserDefaults& defaults);

/// True when windowClass equals one of classes, ignoring ASCII case.
bool isTerminalClass(std::string_view windowClass, const std::vector<std::string>& classes);

} // namespace brisa
