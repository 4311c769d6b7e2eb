// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/toast/ToastController.h"

#include "core/support/Log.h"

#include <algorithm>
#include <chrono>

namespace brisa {

ToastController::ToastController(const Screens& screens, PointerMonitor* pointer, const PanelState& panel,
                                 Scheduler& scheduler)
    : screens_(screens)
    , pointer_(pointer)
    , panel_(panel)
    , scheduler_(scheduler)
{
}

ToastController::~ToastController()
{
    cancelHide();
}

Rect ToastController::windowFrame(const Rect& screenFrame)
{
    return {screenFrame.midX() - kWindowWidth / 2, screenFrame.maxY() - kWindowHeight, kWindowWidth, kWindowHeight};
}

std::optional<NotchGeometry::Metrics> ToastController::currentMetrics() const
{
    const auto screens = screens_.screens();
    return screens.empty() ? std::nullopt : std::optional(NotchGeometry::currentMetrics(screens));
}

std::optional<NotchGeometry::Metrics> ToastController::targetScreen() const
{
    const auto screens = screens_.screens();
    const Point p = pointer_ ? pointer_->pointerPosition() : screens_.pointerPosition();
    if (const auto screen = NotchGeometry::screenContaining(screens, p))
        return NotchGeometry::metrics(*screen);
    return currentMetrics();
}

bool ToastController::install(PanelWindow& window)
{
    if (installed_)
        return true;
    const auto metrics = currentMetrics();
    if (!metrics)
        return false;
    window_ = &window;
    window_->create(windowFrame(metrics->screen.frame));
    installed_ = true;
    logLine("ToastController instalado");
    return true;
}

void ToastController::show(ToastData data)
{
    if (panel_.expanded())
        return;
    if (const auto screen = targetScreen()) {
        if (hasNotch_ != screen->hasNotch) {
            hasNotch_ = screen->hasNotch;
            changed_.emit(Change::HasNotch);
        }
        if (installed_)
            window_->setFrame(windowFrame(screen->screen.frame));
    }
    cancelHide();
    current_ = std::move(data);
    ++showID_;
    setIgnoresMouse(false);
    changed_.emit(Change::Current);
    changed_.emit(Change::ShowID);
    pausedRemaining_ = kDisplayTime;
    scheduleHide(kDisplayTime);
}

void ToastController::scheduleHide(Duration after)
{
    cancelHide();
    setPaused(false);
    setCloseAt(scheduler_.now() + after);
    hideWork_ = scheduler_.runAfter(after, [this, alive = std::weak_ptr<char>(alive_)] {
        if (!alive.lock())
            return;
        hideWork_.reset();
        hide();
        setCloseAt(std::nullopt);
    });
}

void ToastController::pauseAutoDismiss()
{
    // The window lets the pointer through while hidden; an enter then is a stale event.
    if (!current_)
        return;
    if (closeAt_) {
        const auto left = std::chrono::duration_cast<Duration>(*closeAt_ - scheduler_.now());
        pausedRemaining_ = std::max(Duration{0}, left);
    }
    cancelHide();
    setCloseAt(std::nullopt);
    setPaused(true);
}

void ToastController::resume()
{
    if (current_)
        scheduleHide(std::max(pausedRemaining_, kMinimumAfterLeave));
}

void ToastController::dismissNow()
{
    cancelHide();
    setCloseAt(std::nullopt);
    setPaused(false);
    hide();
}

double ToastController::dismissFraction(TimePoint now) const
{
    double remaining = 0;
    if (closeAt_)
        remaining = std::chrono::duration<double>(*closeAt_ - now).count();
    else if (isPaused_)
        remaining = std::chrono::duration<double>(pausedRemaining_).count();
    const double total = std::chrono::duration<double>(kDisplayTime).count();
    return std::clamp(remaining / total, 0.0, 1.0);
}

void ToastController::cancelHide()
{
    if (hideWork_) {
        scheduler_.cancel(*hideWork_);
        hideWork_.reset();
    }
}

void ToastController::hide()
{
    if (!current_)
        return;
    current_.reset();
    setIgnoresMouse(true);
    changed_.emit(Change::Current);
}

void ToastController::setIgnoresMouse(bool ignores)
{
    if (!installed_)
        return;
    window_->setIgnoresMouse(ignores);
    if (!ignores)
        window_->orderFront(); // above the panel's window
}

void ToastController::setCloseAt(std::optional<TimePoint> at)
{
    if (closeAt_ == at)
        return;
    closeAt_ = at;
    changed_.emit(Change::CloseAt);
}

void ToastController::setPaused(bool paused)
{
    if (isPaused_ == paused)
        return;
    isPaused_ = paused;
    changed_.emit(Change::Paused);
}

} // namespace brisa
