// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/notch/NotchGeometry.h"
#include "core/notch/ScreenGeometry.h"
#include "core/settings/AppSettings.h"
#include "core/support/Clock.h"
#include "core/support/Signal.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brisa {

/// Decides when the panel at the top (or a corner) of the screen is open: from the pointer, the
/// keyboard shortcut, Escape and the settings. It owns no window itself: every window operation and
/// every question about the desktop goes through Ports, and the platform feeds pointer and key events
/// in. Timers run on the injected scheduler. Main thread only.
class NotchController {
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

    /// What the platform provides. An absent port is skipped (an absent query answers "none").
    struct Ports {
        /// The screens, in the window system's order.
        std::function<std::vector<ScreenInfo>()> screens{};
        /// Where the pointer is, in global bottom-left coordinates.
        std::function<Point()> pointerPosition{};

        /// Creates the panel window at frame and shows it above everything: borderless, not taking
        /// the focus on click, floating above desktop panels, transparent, not keyable, ignoring the mouse.
        std::function<void(Rect)> createPanel{};
        /// Moves and resizes the window, redrawn at once.
        std::function<void(Rect)> setFrame{};
        /// Lets pointer events pass through the window (true) or makes it take them (false).
        std::function<void(bool)> setIgnoresMouse{};
        /// Raises the window above others without activating Brisa.
        std::function<void()> orderFront{};
        /// Whether the window may take the keyboard focus.
        std::function<void(bool)> setKeyable{};
        /// Gives the window the keyboard focus and raises it.
        std::function<void()> makeKeyAndFront{};

        /// Whether a toast is on screen now.
        std::function<bool()> toastShowing{};
        /// Removes the toast at once, without its animation.
        std::function<void()> dismissToastNow{};
        /// Starts sequential paste again from the newest clip.
        std::function<void()> resetSequentialCursor{};

        /// An opaque handle of the application (window) in front now; nullopt when there is none.
        std::function<std::optional<std::string>()> frontmostApp{};
        /// The handle frontmostApp reports for Brisa itself.
        std::function<std::string()> ownAppId{};
        /// Gives the focus back to a remembered application.
        std::function<void(const std::string&)> activateApp{};
        /// Brings Brisa's window to the front with the focus, ignoring other applications; called
        /// right after makeKeyAndFront, while the window is keyable.
        std::function<void()> activateSelf{};

        /// Where the now-playing side panel sits while the panel is open; nullopt when it has none.
        std::function<std::optional<Rect>()> nowPlayingFrame{};
        /// Where the launcher side panel sits while the panel is open; nullopt when it has none.
        std::function<std::optional<Rect>()> launcherFrame{};
    };

    /// The published flags, named when they change.
    enum class Flag { Expanded, Pinned, KeyboardActive, ActiveHasNotch };

    /// scheduler and settings must outlive the controller.
    NotchController(Ports ports, Scheduler& scheduler, const AppSettings& settings);
    ~NotchController();
    NotchController(const NotchController&) = delete;
    NotchController& operator=(const NotchController&) = delete;

    /// Creates the closed panel on the current screen and starts reacting to events. Once only; a
    /// second call does nothing. With no screen reported it creates nothing and returns false.
    bool install();
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
    void releaseAndCollapse();
    /// Keeps the panel open and focused while a dialog opened from it is up.
    void beginModalInteraction();
    /// Moves the window after the position or scale setting, or the screens, changed. An open
    /// panel whose screen has gone closes instead, as at a click outside.
    void applyPositionChange();

    /// The pointer moved (anywhere on the desktop).
    void mouseMoved();
    /// A left or right button went down outside Brisa's own windows.
    void mouseDown();
    /// A key went down; only Escape matters.
    void keyDown(bool isEscape);

    bool expanded() const { return expanded_; }
    bool pinned() const { return pinned_; }
    bool keyboardActive() const { return keyboardActive_; }
    /// Whether the screen the panel is open on has a notch at the panel's position.
    bool activeHasNotch() const { return activeHasNotch_; }
    /// Whether the window may take the keyboard focus now.
    bool keyable() const { return keyable_; }
    /// The application that was in front before the panel took the focus.
    const std::optional<std::string>& previousApp() const { return previousApp_; }
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

    void evaluateMouse();
    void closeAtOnce();
    void releaseKeyboard();
    void scheduleCollapse();
    void scheduleDwellExpand(const ScreenInfo& screen);
    void cancelTask(std::optional<Scheduler::TaskId>& task);
    void captureFrontmostApp();
    void takeFocus();

    void setFlag(bool& field, bool value, Flag flag);
    void setKeyable(bool value);

    Ports ports_;
    Scheduler& scheduler_;
    const AppSettings& settings_;
    Signal<Flag> changed_;

    bool installed_ = false;
    bool expanded_ = false;
    bool pinned_ = false;
    bool keyboardActive_ = false;
    bool activeHasNotch_ = true;
    bool keyable_ = false;
    /// An expand() waits for its scheduler turn; a collapse() in between withdraws it.
    bool opening_ = false;
    std::optional<std::string> previousApp_;
    std::optional<ScreenInfo> activeScreen_;

    std::optional<Scheduler::TaskId> collapseWork_;
    std::optional<Scheduler::TaskId> dwellWork_;
    std::optional<Scheduler::TaskId> resizeWork_;
    /// Expires with the controller, so delayed and posted work finds out it is gone.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

} // namespace brisa
