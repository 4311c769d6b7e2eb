// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/share/ShareContent.h"

#include <string>
#include <vector>

namespace brisa {

/// Where "Enviar…" can send a clip.
enum class ShareTargetKind {
    Device,    ///< a paired phone or computer, by its id
    Email,     ///< a new message in the mail program
    Bluetooth, ///< a file over Bluetooth, to a device picked there
    OpenWith,  ///< "Abrir con…": the desktop asks which program opens the file
    SaveAs,    ///< "Guardar como…": a copy where the user picks
};

struct ShareTarget {
    ShareTargetKind kind = ShareTargetKind::SaveAs;
    std::string label{};    ///< the menu entry
    std::string deviceId{}; ///< Device only

    bool operator==(const ShareTarget&) const = default;
};

/// A paired device that is reachable now and takes shared files and text.
struct ShareDevice {
    std::string id;
    std::string name;
};

/// What the session offers at the moment the menu opens.
struct ShareAvailability {
    std::vector<ShareDevice> devices{};
    bool email = false;
    bool bluetooth = false;
    bool openWith = false;
};

/// The entries of "Enviar…" for content, in their fixed order: the devices (by name), "Correo
/// electrónico…", "Bluetooth…", "Abrir con…" (files and images only) and "Guardar como…", which is
/// always there. A target is listed only when the session offers it.
std::vector<ShareTarget> shareMenu(const ShareAvailability& available, const ShareContent& content);

} // namespace brisa
