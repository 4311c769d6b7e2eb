// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/share/ShareMenu.h"

namespace brisa {

std::vector<ShareTarget> shareMenu(const ShareAvailability& available, const ShareContent& content)
{
    std::vector<ShareTarget> targets;
    for (const auto& device : available.devices)
        targets.push_back({ShareTargetKind::Device, device.name.empty() ? device.id : device.name, device.id});
    if (available.email)
        targets.push_back({ShareTargetKind::Email, "Correo electrónico…"});
    // Bluetooth carries files only; a text goes as a .txt file of its own.
    if (available.bluetooth)
        targets.push_back({ShareTargetKind::Bluetooth, "Bluetooth…"});
    // Opening a text "with" a program has no file to open.
    if (available.openWith && content.isFile())
        targets.push_back({ShareTargetKind::OpenWith, "Abrir con…"});
    targets.push_back({ShareTargetKind::SaveAs, "Guardar como…"});
    return targets;
}

} // namespace brisa
