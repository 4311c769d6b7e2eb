// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/share/ShareMenu.h"

#include <functional>
#include <string>

namespace brisa {

/// The places a clip can be sent to on this desktop: paired devices, mail, Bluetooth and the
/// desktop's "open with" chooser. "Guardar como…" needs none of them.
class ShareTargets {
public:
    /// How a send ended: an empty text when the target took the content, else why it did not.
    using Done = std::function<void(const std::string& error)>;

    virtual ~ShareTargets() = default;
    /// What the session offers now; asked each time the menu opens, so it answers quickly.
    virtual ShareAvailability available() = 0;
    /// Hands content to target (any kind but SaveAs). done runs once, later, from the event loop.
    virtual void send(const ShareTarget& target, const ShareContent& content, Done done) = 0;
};

} // namespace brisa
