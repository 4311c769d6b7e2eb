// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Clock.h"
#include "platform/KeySynthesizer.h"

#include <memory>

struct wl_proxy;

namespace brisa {

class WaylandConnection;

/// Keystrokes through the compositor's virtual-keyboard protocol. The keyboard carries a small keymap
/// of its own (Control, Shift, V, Insert), so the chord means the same whatever layout the user
/// has; the compositor gives the user's keymap back at their next keystroke. It runs on a connection
/// of its own: a compositor that refuses the keyboard ends that connection, never Brisa's clipboard.
class WaylandKeySynthesizer final : public KeySynthesizer {
public:
    /// nullptr when the compositor offers no virtual keyboard or refuses one.
    static std::unique_ptr<WaylandKeySynthesizer> create(Duration timeout = Duration{2000});
    ~WaylandKeySynthesizer() override;
    WaylandKeySynthesizer(const WaylandKeySynthesizer&) = delete;
    WaylandKeySynthesizer& operator=(const WaylandKeySynthesizer&) = delete;

    bool available() override;
    /// Returns once the compositor has taken the keystrokes.
    bool sendPaste(PasteChord chord) override;

private:
    WaylandKeySynthesizer(std::shared_ptr<WaylandConnection> connection, wl_proxy* manager, Duration timeout);

    std::shared_ptr<WaylandConnection> connection_;
    wl_proxy* manager_;
    wl_proxy* keyboard_ = nullptr;
    Duration timeout_;
};

} // namespace brisa
