// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace brisa {

/// Whether Brisa may type into other applications on this desktop, and if not, why.
enum class KeyAccess {
    Granted,     ///< keystrokes can be synthesized (X11 with XTest)
    MissingXTest, ///< an X server without the XTest extension
    Wayland,     ///< a Wayland session with neither a virtual keyboard nor the remote-desktop portal
};

/// The alert shown when a paste cannot be typed: its title, its text and its buttons in order
/// (the first is the default).
struct PermissionAlert {
    std::string title{};
    std::string informativeText{};
    std::vector<std::string> buttons{};
};

/// The alert for why (never called with Granted in practice: then it explains nothing is missing).
/// Buttons "Abrir Ajustes" then "Cancelar"; the text says what this desktop lacks and that the clip
/// is on the clipboard for pasting by hand.
PermissionAlert missingPermissionAlert(KeyAccess why);

} // namespace brisa
