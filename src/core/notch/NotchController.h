// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/notch/NotchGeometry.h"
#include "core/notch/PanelLinks.h"
#include "core/notch/ScreenGeometry.h"
#include "core/settings/AppSettings.h"
#include "core/support/Clock.h"
#include "core/support/Signal.h"
#include "platform/PanelWindow.h"
#include "platform/PointerMonitor.h"
#include "platform/Screens.h"
#include "platform/WindowActivation.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brisa {

/// Decides when the panel at the top (or a corner) of the screen is open: from the pointer, the
/// keyboard shortcut, Escape and the settings. It owns no window itself: it drives a PanelWindow,
/// asks the platform's interfaces about the desktop and listens to the PointerMonitor (tests may
/// feed the events in themselves). Timers run on the injected scheduler. Main thread only.
class NotchController final : public PanelState, public PasteOrigin {
public:
    /// A pointer-driven close waits this long after the last move outside the panel.
    static constexpr Duration kCollapseDelay{250};
    /// Long-hover activation opens after the pointer has stayed over the handle this long.
    static constexpr Duration kDwellDelay{3000};
    /// The window keeps its open size this long after a close, so the hide animation is not clipped.
    static constexpr Duration kShrinkDelay{420};
    /// How far the keep-open zone, and the click test, reach beyond the open panel's frames.
    static constexpr double kEdgeTolerance = 6;
    /// Content size of the open panel at scale 1, on a screen with and without a notch.
    static constexpr double kContentWidth = 780;
    static constexpr double kContentHeightWithNotch = 256;
    static constexpr double kContentHeightWithoutNotch = 218;

    /// The published flags, named when they change.
    enum class Flag { Expanded, Pinned, KeyboardActive, ActiveHasNotch };

    /// What the desktop offers the panel. Only screens is required; a null pointer monitor leaves the
    /// pointer's position to screens, null windows leave the focus where it is.
    struct Desktop {
        const Screens& screens;
        PointerMonitor* pointer = nullptr;
        WindowActivation* windows = nullptr;
    };

    /// Everything given must outlive the controller; cursor may be null.
    NotchController(Desktop desktop, Scheduler& scheduler, const AppSettings& settings, PasteCursor* cursor = nullptr);
    ~NotchController() override;
    NotchController(const NotchController&) = delete;
    NotchController& operator=(const NotchController&) = delete;

    /// The toast that keeps hover and click from opening the panel, and that the shortcut removes.
    void setToast(PanelToast* toast) { toast_ = toast; }
    /// Counts the panel's frame into the keep-open zone; it must outlive the controller.
    void addSidePanel(const SidePanel& panel) { sidePanels_.push_back(&panel); }

    /// Creates the closed panel in window on the current screen and starts reacting to events (the
    /// pointer monitor's, when there is one). Once only; a second call does nothing. With no screen
    /// reported it creates nothing and returns false. window must outlive the controller.
    bool install(PanelWindow& window);
    bool installed() const { return installed_; }

    /// Opens the panel on the active screen; the expanded flag follows one scheduler turn later.
    void expand();
    /// Closes the panel unless it is pinned; the window shrinks kShrinkDelay later.
    void collapse();
    /// The global shortcut: closes a panel that is open and pinned (focus back to the remembered
    /// application), otherwise opens it for the keyboard.
    void togglePinnedOpen();
    /// Opens the panel pinned, with the keyboard focus, on the screen under the pointer.
    void openForKeyboard();
    /// The close button: the panel lets go of the keyboard, closes, and the focus goes back to the
    /// application that had it.
    void closeAndRestoreFocus();
    /// Before a paste: the panel lets go of the keyboard and closes; the caller gives the focus back.
    void releaseAndCollapse() override;
    /// After releaseAndCollapse for a paste: the focus goes back to the application that had it, but
    /// only while one of Brisa's windows holds it (a paste from a global shortcut starts in the
    /// user's window already, and a window remembered long ago would take the wrong paste).
    bool restorePreviousWindow() override;
    /// Keeps the panel open and focused while a dialog opened from it is up.
    void beginModalInteraction();
    /// The dialog is done: the panel lets go of the keyboard and is no longer pinned, but stays
    /// open until the pointer leaves it.
    void endModalInteraction();
    /// Moves the window after the position or scale setting, or the screens, changed. An open
    /// panel whose screen has gone closes instead, as at a click outside.
    void applyPositionChange();

    /// The pointer moved (anywhere on the desktop).
    void mouseMoved();
    /// A left or right button went down outside Brisa's own windows.
    void mouseDown();
    /// A key went down; only Escape matters.
    void keyDown(bool isEscape);

    bool expanded() const override { return expanded_; }
    bool pinned() const { return pinned_; }
    bool keyboardActive() const { return keyboardActive_; }
    /// Whether the screen the panel is open on has a notch at the panel's position.
    bool activeHasNotch() const { return activeHasNotch_; }
    /// Whether the window may take the keyboard focus now.
    bool keyable() const { return keyable_; }
    /// The window that was in front before the panel took the focus.
    const std::optional<WindowId>& previousApp() const { return previousApp_; }
    /// The screen the panel is open (or was last opened) on, as the screen list reports it now;
    /// nullopt when that screen has gone.
    std::optional<ScreenInfo> activeScreen() const;
    /// The content size of the open panel, scaled.
    Size expandedSize() const;

    /// f runs after each change of a published flag.
    void onChanged(std::function<void(Flag)> f) { changed_.connect(std::move(f)); }

private:
    std::vector<ScreenInfo> screens() const;
    Point pointer() const;
    bool toastShowing() const;
    std::optional<NotchGeometry::Metrics> activeOrCurrentMetrics() const;
    bool inHotZone(const ScreenInfo& screen, Point p) const;
    bool inKeepOpenZone(const ScreenInfo& screen, Point p) const;
    Rect expandedFrameOn(const ScreenInfo& screen) const;
    /// The open panel's window frame on the active (or current) screen; updates activeHasNotch.
    std::optional<Rect> placeExpanded();

    void listenToPointer();
    void evaluateMouse();
    void closeAtOnce();
    void releaseKeyboard();
    void scheduleCollapse();
    void scheduleDwellExpand(const ScreenInfo& screen);
    void cancelTask(std::optional<Scheduler::TaskId>& task);
    void captureFrontmostApp();
    void activatePreviousApp();
    void takeFocus();

    void setFlag(bool& field, bool value, Flag flag);
    void setKeyable(bool value);

    Desktop desktop_;
    Scheduler& scheduler_;
    const AppSettings& settings_;
    PasteCursor* cursor_;
    PanelToast* toast_ = nullptr;
    PanelWindow* window_ = nullptr;
    std::vector<const SidePanel*> sidePanels_;
    Signal<Flag> changed_;

    bool installed_ = false;
    bool expanded_ = false;
    bool pinned_ = false;
    bool keyboardActive_ = false;
    bool activeHasNotch_ = true;
    bool keyable_ = false;
    /// An expand() waits for its scheduler turn; a collapse() in between withdraws it.
    bool opening_ = false;
    std::optional<WindowId> previousApp_;
    std::optional<ScreenInfo> activeScreen_;

    std::optional<Scheduler::TaskId> collapseWork_;
    std::optional<Scheduler::TaskId> dwellWork_;
    std::optional<Scheduler::TaskId> resizeWork_;
    /// Expires with the controller, so delayed and posted work finds out it is gone.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

} // namespace brisa
