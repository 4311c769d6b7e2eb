// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/GlobalHotkeys.h"
#include "platform/portal/DesktopPortal.h"

#include <map>
#include <string>

namespace brisa {

/// Global shortcuts through the desktop's GlobalShortcuts portal, for Wayland desktops where no
/// client may grab keys. Every grab is a preferred trigger the desktop may confirm, change or refuse
/// (it may ask the user); grabs made together are bound in one call once the session exists.
class PortalGlobalHotkeys final : public GlobalHotkeys {
public:
    /// Opens the session at once.
    explicit PortalGlobalHotkeys(QDBusConnection bus = QDBusConnection::sessionBus());

    /// Always accepted here: the desktop answers later, and says in its own settings what it bound.
    GrabResult grab(std::uint32_t keysym, std::uint32_t modifiers, HotkeyId id) override;
    void ungrab(HotkeyId id) override;
    void setHandler(Handler handler) override { handler_ = std::move(handler); }

    /// The trigger as the portal reads it: "CTRL+SHIFT+v" (modifiers in the X mask of grab(), the
    /// key by its keysym name); empty for a keysym without a name.
    static std::string triggerName(std::uint32_t keysym, std::uint32_t modifiers);

private:
    void bindSoon();
    void bind();
    void onSignal(const QDBusMessage& message, KeyEvent event);

    DesktopPortal portal_;
    /// Grabbed ids and their triggers.
    std::map<HotkeyId, std::string> triggers_;
    QString session_;
    bool bindQueued_ = false;
    Handler handler_;
};

} // namespace brisa
