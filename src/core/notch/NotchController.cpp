// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/notch/NotchController.h"

#include "core/support/Log.h"

#include <cmath>

namespace brisa {

namespace {

/// The screen of the current list that is the remembered one: same output name, or, for a platform
/// that names none, the same frame. A screen unplugged since is not found.
std::optional<ScreenInfo> findScreen(const std::vector<ScreenInfo>& screens, const ScreenInfo& remembered)
{
    for (const auto& s : screens) {
        if (remembered.name.empty() ? s.frame == remembered.frame : s.name == remembered.name)
            return s;
    }
    return std::nullopt;
}

/// The width for the install line; a value no screen could have prints as 0 rather than overflowing.
long long wholeNumber(double v)
{
    if (!std::isfinite(v) || std::fabs(v) > 1e15)
        return 0;
    return static_cast<long long>(v);
}

} // namespace

NotchController::NotchController(Desktop desktop, Scheduler& scheduler, const AppSettings& settings, PasteCursor* cursor)
    : desktop_(desktop)
    , scheduler_(scheduler)
    , settings_(settings)
    , cursor_(cursor)
{
}

NotchController::~NotchController()
{
    if (installed_ && desktop_.pointer)
        desktop_.pointer->setHandlers({});
    cancelTask(collapseWork_);
    cancelTask(dwellWork_);
    cancelTask(resizeWork_);
}

// ---- Queries about the desktop ----

std::vector<ScreenInfo> NotchController::screens() const { return desktop_.screens.screens(); }

Point NotchController::pointer() const
{
    return desktop_.pointer ? desktop_.pointer->pointerPosition() : desktop_.screens.pointerPosition();
}

bool NotchController::toastShowing() const { return toast_ && toast_->showing(); }

std::optional<ScreenInfo> NotchController::activeScreen() const
{
    if (!activeScreen_)
        return std::nullopt;
    return findScreen(screens(), *activeScreen_);
}

Size NotchController::expandedSize() const
{
    const double s = settings_.panelScale();
    return {kContentWidth * s, (activeHasNotch_ ? kContentHeightWithNotch : kContentHeightWithoutNotch) * s};
}

std::optional<NotchGeometry::Metrics> NotchController::activeOrCurrentMetrics() const
{
    const auto list = screens();
    if (activeScreen_) {
        if (auto s = findScreen(list, *activeScreen_))
            return NotchGeometry::metrics(*s);
    }
    if (list.empty())
        return std::nullopt;
    return NotchGeometry::currentMetrics(list);
}

bool NotchController::inHotZone(const ScreenInfo& screen, Point p) const
{
    return NotchGeometry::hotZone(NotchGeometry::metrics(screen), settings_.panelPosition()).contains(p);
}

Rect NotchController::expandedFrameOn(const ScreenInfo& screen) const
{
    return NotchGeometry::expandedFrame(NotchGeometry::metrics(screen), expandedSize(), settings_.panelPosition());
}

bool NotchController::inKeepOpenZone(const ScreenInfo& screen, Point p) const
{
    // The side panels count as part of the open panel. Each frame is grown on its own: the zone is
    // their union, not one box around them, which would span half the screen when the panel sits
    // in a corner and the side panels at the top centre.
    const auto m = NotchGeometry::metrics(screen);
    std::vector<Rect> frames{expandedFrameOn(screen), NotchGeometry::collapsedFrame(m, settings_.panelPosition())};
    for (const SidePanel* panel : sidePanels_) {
        if (auto r = panel->frame())
            frames.push_back(*r);
    }
    for (const auto& r : frames) {
        if (r.grownBy(kEdgeTolerance).contains(p))
            return true;
    }
    return false;
}

std::optional<Rect> NotchController::placeExpanded()
{
    const auto m = activeOrCurrentMetrics();
    if (!m)
        return std::nullopt;
    const auto position = settings_.panelPosition();
    const auto e = NotchGeometry::effectiveMetrics(*m, position);
    setFlag(activeHasNotch_, e.hasNotch, Flag::ActiveHasNotch);
    // The size depends on activeHasNotch, so it is read after the flag is set.
    return NotchGeometry::expandedFrame(e, expandedSize(), position);
}

// ---- Opening and closing ----

bool NotchController::install(PanelWindow& window)
{
    if (installed_)
        return true;
    const auto list = screens();
    if (list.empty()) {
        logLine("Panel notch no instalado: no hay pantallas");
        return false;
    }
    const auto m = NotchGeometry::currentMetrics(list);
    activeScreen_ = m.screen;
    window_ = &window;
    window_->create(NotchGeometry::collapsedFrame(m, settings_.panelPosition()));
    installed_ = true;
    logf("Panel notch instalado (notch={}, w={})", m.hasNotch ? "true" : "false", wholeNumber(m.notchWidth));
    listenToPointer();
    return true;
}

void NotchController::listenToPointer()
{
    if (!desktop_.pointer) {
        logLine("Sin eventos globales del puntero: el panel se abre con el atajo o «brisa toggle»");
        return;
    }
    PointerMonitor::Handlers handlers;
    handlers.onMoved = [this](Point) { mouseMoved(); };
    handlers.onButtonDown = [this](Point) {
        // Clicks in Brisa's own menus and windows are not clicks elsewhere; the panel decides for itself.
        if (!window_->pointerOverOtherBrisaWindow())
            mouseDown();
    };
    handlers.onEscapeDown = [this] { keyDown(true); };
    desktop_.pointer->setHandlers(std::move(handlers));
}

void NotchController::expand()
{
    if (!installed_ || expanded_)
        return;
    cancelTask(resizeWork_);
    const auto frame = placeExpanded();
    if (!frame)
        return;
    window_->setIgnoresMouse(false);
    window_->setFrame(*frame);
    window_->orderFront();
    // The views animate their reveal from the flag, so it changes only once the window has its
    // full size: one scheduler turn later.
    opening_ = true;
    scheduler_.post([this, alive = std::weak_ptr<char>(alive_)] {
        if (alive.expired() || !opening_)
            return;
        opening_ = false;
        setFlag(expanded_, true, Flag::Expanded);
    });
}

void NotchController::collapse()
{
    if (!installed_ || pinned_)
        return;
    // A close before the opening turn withdraws it, or the flag would say open over a closed window.
    opening_ = false;
    setFlag(expanded_, false, Flag::Expanded);
    window_->setIgnoresMouse(true);
    cancelTask(resizeWork_);
    resizeWork_ = scheduler_.runAfter(kShrinkDelay, [this, alive = std::weak_ptr<char>(alive_)] {
        if (alive.expired())
            return;
        resizeWork_.reset();
        // Placed when it happens, so a position change or an unplugged screen meanwhile is respected.
        if (const auto m = activeOrCurrentMetrics(); m && window_)
            window_->setFrame(NotchGeometry::collapsedFrame(*m, settings_.panelPosition()));
    });
}

void NotchController::togglePinnedOpen()
{
    if (expanded_ && pinned_) {
        releaseKeyboard();
        collapse();
        activatePreviousApp();
        return;
    }
    openForKeyboard();
}

void NotchController::closeAndRestoreFocus()
{
    releaseAndCollapse();
    activatePreviousApp();
}

void NotchController::releaseAndCollapse()
{
    releaseKeyboard();
    collapse();
}

void NotchController::openForKeyboard()
{
    // Before install there is no window to pin; pinning anyway would block the pointer for good.
    if (!installed_)
        return;
    if (toast_)
        toast_->dismissNow();
    if (cursor_)
        cursor_->resetCursor();
    captureFrontmostApp();
    const auto before = activeScreen();
    const auto list = screens();
    if (auto s = NotchGeometry::screenContaining(list, pointer()))
        activeScreen_ = *s;
    setFlag(pinned_, true, Flag::Pinned);
    setFlag(keyboardActive_, true, Flag::KeyboardActive);
    setKeyable(true);
    if (expanded_ || opening_) {
        // Already open on another screen: follow the pointer, or clicks on the panel would count
        // as outside the frame the controller thinks it has.
        const auto after = activeScreen();
        if (after && after != before) {
            if (const auto frame = placeExpanded(); frame && window_)
                window_->setFrame(*frame);
        }
    }
    expand();
    takeFocus();
}

void NotchController::beginModalInteraction()
{
    if (!installed_)
        return;
    setFlag(pinned_, true, Flag::Pinned);
    setFlag(keyboardActive_, true, Flag::KeyboardActive);
    setKeyable(true);
    takeFocus();
}

void NotchController::endModalInteraction()
{
    if (installed_)
        releaseKeyboard();
}

void NotchController::applyPositionChange()
{
    if (!installed_)
        return;
    if (expanded_ || opening_) {
        // Its screen is gone. Moved to another one, the panel would close at the first click or
        // move over it, both measured against the screen that has gone; it closes now instead, as
        // at a click outside.
        if (activeScreen_ && !activeScreen()) {
            cancelTask(collapseWork_);
            closeAtOnce();
            return;
        }
        if (const auto frame = placeExpanded(); frame && window_)
            window_->setFrame(*frame);
        return;
    }
    // A shrink still pending places the window itself, at the new position, when the close ends.
    if (resizeWork_)
        return;
    if (const auto m = activeOrCurrentMetrics(); m && window_)
        window_->setFrame(NotchGeometry::collapsedFrame(*m, settings_.panelPosition()));
}

// ---- Events ----

void NotchController::mouseMoved()
{
    if (installed_)
        evaluateMouse();
}

void NotchController::evaluateMouse()
{
    if (pinned_)
        return;
    const Point p = pointer();
    if (expanded_) {
        const auto screen = activeScreen();
        if (!screen || !inKeepOpenZone(*screen, p))
            scheduleCollapse();
        else
            cancelTask(collapseWork_);
        return;
    }
    if (toastShowing()) {
        cancelTask(dwellWork_);
        return;
    }
    const auto screen = NotchGeometry::screenContaining(screens(), p);
    if (!screen) {
        cancelTask(dwellWork_);
        return;
    }
    const bool inside = inHotZone(*screen, p);
    switch (settings_.notchActivation()) {
    case NotchActivation::Hover:
        if (inside) {
            activeScreen_ = *screen;
            expand();
        }
        break;
    case NotchActivation::Click:
        cancelTask(dwellWork_);
        break;
    case NotchActivation::LongHover:
        if (inside)
            scheduleDwellExpand(*screen);
        else
            cancelTask(dwellWork_);
        break;
    }
}

void NotchController::mouseDown()
{
    if (!installed_)
        return;
    const Point p = pointer();
    if (!expanded_) {
        if (toastShowing() || settings_.notchActivation() != NotchActivation::Click)
            return;
        const auto screen = NotchGeometry::screenContaining(screens(), p);
        if (screen && inHotZone(*screen, p)) {
            activeScreen_ = *screen;
            expand();
        }
        return;
    }
    const auto screen = activeScreen();
    if (screen && expandedFrameOn(*screen).grownBy(kEdgeTolerance).contains(p))
        return;
    cancelTask(collapseWork_);
    closeAtOnce();
}

void NotchController::keyDown(bool isEscape)
{
    if (installed_ && expanded_ && isEscape)
        closeAtOnce();
}

void NotchController::closeAtOnce()
{
    if (keyboardActive_) {
        releaseKeyboard();
        collapse();
        activatePreviousApp();
        return;
    }
    setFlag(pinned_, false, Flag::Pinned);
    collapse();
}

void NotchController::releaseKeyboard()
{
    setFlag(keyboardActive_, false, Flag::KeyboardActive);
    setFlag(pinned_, false, Flag::Pinned);
    setKeyable(false);
}

// ---- Delayed work ----

void NotchController::scheduleCollapse()
{
    cancelTask(collapseWork_);
    collapseWork_ = scheduler_.runAfter(kCollapseDelay, [this, alive = std::weak_ptr<char>(alive_)] {
        if (alive.expired())
            return;
        collapseWork_.reset();
        if (!pinned_)
            collapse();
    });
}

void NotchController::scheduleDwellExpand(const ScreenInfo& screen)
{
    // Measured from the first entry: further moves inside do not restart it.
    if (dwellWork_)
        return;
    const Duration delay = settings_.notchActivation() == NotchActivation::LongHover ? kDwellDelay : Duration{0};
    dwellWork_ = scheduler_.runAfter(delay, [this, alive = std::weak_ptr<char>(alive_), screen] {
        if (alive.expired())
            return;
        dwellWork_.reset();
        // No toast check here: a pointer resting on a toast pauses it, and waiting out the dwell is
        // how the user opens the panel over it.
        const auto current = findScreen(screens(), screen);
        if (current && inHotZone(*current, pointer())) {
            activeScreen_ = *current;
            expand();
        }
    });
}

void NotchController::cancelTask(std::optional<Scheduler::TaskId>& task)
{
    if (task)
        scheduler_.cancel(*task);
    task.reset();
}

// ---- Focus ----

void NotchController::captureFrontmostApp()
{
    // With one of Brisa's own windows in front, the window to go back to stays the one noted before.
    if (window_ && window_->brisaHasFocus())
        return;
    previousApp_ = desktop_.windows ? desktop_.windows->activeWindow() : std::nullopt;
}

void NotchController::activatePreviousApp()
{
    if (previousApp_ && desktop_.windows)
        desktop_.windows->activate(*previousApp_);
}

bool NotchController::restorePreviousWindow()
{
    if (!desktop_.windows || !window_ || !window_->brisaHasFocus() || !previousApp_)
        return false;
    return desktop_.windows->activate(*previousApp_);
}

void NotchController::takeFocus()
{
    // The window asks for the focus first, which also gets its keyable state to the window system;
    // Brisa's own activation follows and is the one a window manager that refuses focus stealing obeys.
    if (!window_)
        return;
    window_->makeKeyAndFront();
    // Comes after makeKeyAndFront, whose activation request has already sent the window's keyable
    // state. That request alone may be refused to a panel window by a window manager that prevents
    // focus stealing; this one, with a fresh timestamp, is not.
    if (const auto self = window_->windowId(); self && desktop_.windows)
        desktop_.windows->activate(*self);
}

void NotchController::setFlag(bool& field, bool value, Flag flag)
{
    if (field == value)
        return;
    field = value;
    changed_.emit(flag);
}

void NotchController::setKeyable(bool value)
{
    keyable_ = value;
    if (window_)
        window_->setKeyable(value);
}

} // namespace brisa
