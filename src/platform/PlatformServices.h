// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Clipboard.h"
#include "platform/ColorSampler.h"
#include "platform/CompositorWatch.h"
#include "platform/DirectoryWatcher.h"
#include "platform/GlobalHotkeys.h"
#include "platform/FrontmostApplication.h"
#include "platform/KeySynthesizer.h"
#include "platform/KeyWatcher.h"
#include "platform/PanelWindowHints.h"
#include "platform/PointerMonitor.h"
#include "platform/Screens.h"
#include "platform/ShareTargets.h"
#include "platform/WindowActivation.h"

#include <functional>
#include <memory>
#include <string>

namespace brisa {

class Scheduler;

/// What this desktop session offers Brisa. A member is null when the session cannot give it.
struct PlatformServices {
    std::unique_ptr<Clipboard> clipboard;
    std::unique_ptr<FrontmostApplication> frontmost;
    std::unique_ptr<DirectoryWatcher> directoryWatcher;
    std::unique_ptr<GlobalHotkeys> hotkeys;
    /// Types the paste chord into other applications.
    std::unique_ptr<KeySynthesizer> keys;
    /// The keys typed in every application, for the text expander.
    std::unique_ptr<KeyWatcher> keyWatcher;
    /// Gives the focus back to the window the user was working in.
    std::unique_ptr<WindowActivation> windows;
    /// The screens, in Brisa's bottom-left coordinates.
    std::unique_ptr<Screens> screens;
    /// System-wide pointer moves, clicks and Escape, for the drop-down panel.
    std::unique_ptr<PointerMonitor> pointer;
    /// Click-through and stay-on-top hints for the panel and toast windows.
    std::unique_ptr<PanelWindowHints> panelHints;
    /// Whether translucent windows can be drawn (a compositor runs); null when nobody can tell.
    std::unique_ptr<CompositorWatch> compositor;
    /// Opens the mouse selection (PRIMARY) as a clipboard of its own; absent where the session has none.
    std::function<std::unique_ptr<Clipboard>()> openPrimarySelection;
    /// Picks a colour anywhere on the screen; null where the screen cannot be read.
    std::unique_ptr<ColorSampler> colorSampler;
    /// True in a Wayland session, where other applications' windows are out of Brisa's reach.
    bool wayland = false;
    /// Said once to the user (two short lines under "Sin acceso al portapapeles") when this session
    /// hides the clipboard from Brisa; empty otherwise.
    std::string clipboardWarning;
    /// Sets what runs once if the connection to the session is lost (the compositor quit); without
    /// one Brisa leaves its event loop. Does nothing where no such connection is kept.
    std::function<void(std::function<void()>)> setSessionLostHandler = [](std::function<void()>) {};
    /// Where "Enviar…" sends clips: paired devices, mail, Bluetooth, the desktop's "open with".
    std::unique_ptr<ShareTargets> shareTargets;
};

/// The one place that looks at the session (an X display, Wayland) and picks the backends.
PlatformServices createPlatformServices(Scheduler& scheduler);

/// True in a Wayland session: WAYLAND_DISPLAY set, or XDG_SESSION_TYPE=wayland.
bool isWaylandSession();

/// Run before the application object exists. In a Wayland session Brisa's own windows go through
/// XWayland (Qt's xcb platform), where they can be placed, kept on top and shaped as in X11; the
/// clipboard still comes from the compositor. QT_QPA_PLATFORM set by the user wins.
void prepareWindowSystem();

} // namespace brisa
