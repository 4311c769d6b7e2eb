// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/capture/CaptureLinks.h"
#include "core/capture/ToastData.h"
#include "core/notch/NotchGeometry.h"
#include "core/notch/PanelLinks.h"
#include "core/notch/ScreenGeometry.h"
#include "core/support/Clock.h"
#include "core/support/Signal.h"
#include "platform/PanelWindow.h"
#include "platform/PointerMonitor.h"
#include "platform/Screens.h"

#include <functional>
#include <memory>
#include <optional>

namespace brisa {

/// Shows the toast that confirms a capture and times it: 4 s on screen, paused while the pointer
/// rests on it, gone at once when the panel takes over. It owns no window: it drives a PanelWindow,
/// the view reads the published state. Main thread only.
class ToastController final : public PanelToast, public ToastPresenter {
public:
    /// How long a toast stays up when nobody touches it.
    static constexpr Duration kDisplayTime{4000};
    /// The least a toast stays after the pointer leaves it, so it never vanishes under a flick.
    static constexpr Duration kMinimumAfterLeave{150};
    /// The window: wide and tall enough for the pill and its reveal, touching the top edge.
    static constexpr double kWindowWidth = 440;
    static constexpr double kWindowHeight = 130;
    /// Where the pill sits inside the window (top-left origin): the only part that takes the pointer.
    static constexpr Rect kPillArea{40, 0, 360, 115};

    /// The published values, named when they change.
    enum class Change { Current, ShowID, HasNotch, CloseAt, Paused };

    /// A toast goes on the screen under the pointer (pointer null: as screens reports it), else on
    /// the panel's current screen, and never over the open panel. All must outlive the controller.
    ToastController(const Screens& screens, PointerMonitor* pointer, const PanelState& panel, Scheduler& scheduler);
    ~ToastController() override;
    ToastController(const ToastController&) = delete;
    ToastController& operator=(const ToastController&) = delete;

    /// Creates window once, at the top centre of the current screen, shown above the notch panel for
    /// good, without taking the focus and letting the pointer through. A second call does nothing;
    /// with no screen reported it creates nothing and returns false. window must outlive the controller.
    bool install(PanelWindow& window);
    bool installed() const { return installed_; }

    /// Shows data for a full 4 s, replacing any toast up now; dropped while the panel is open.
    void show(ToastData data) override;
    /// (Re)starts the countdown: the toast hides after the given time.
    void scheduleHide(Duration after);
    /// The pointer entered the pill: the countdown stops and keeps what was left.
    void pauseAutoDismiss();
    /// The pointer left the pill: the countdown goes on with what was left, at least 0.15 s.
    void resume();
    /// Hides the toast at once (the panel is opening).
    void dismissNow() override;
    bool showing() const override { return current_.has_value(); }

    /// The toast on screen; nullopt when hidden.
    const std::optional<ToastData>& current() const { return current_; }
    /// Goes up on every show, so that equal data shown twice still replays the reveal.
    std::uint64_t showID() const { return showID_; }
    /// Whether the toast's screen has a notch.
    bool hasNotch() const { return hasNotch_; }
    /// When the pending hide fires; nullopt while paused or hidden.
    std::optional<TimePoint> closeAt() const { return closeAt_; }
    bool isPaused() const { return isPaused_; }
    /// What was left of the countdown when it was paused.
    Duration pausedRemaining() const { return pausedRemaining_; }
    /// The share of the 4 s countdown still left at now: 1 just shown, 0 at the end or when hidden.
    double dismissFraction(TimePoint now) const;
    /// The same at the scheduler's time.
    double dismissFraction() const { return dismissFraction(scheduler_.now()); }

    /// The window frame at the top centre of a screen.
    static Rect windowFrame(const Rect& screenFrame);

    /// f runs after each change of a published value.
    void onChanged(std::function<void(Change)> f) { changed_.connect(std::move(f)); }

private:
    std::optional<NotchGeometry::Metrics> targetScreen() const;
    std::optional<NotchGeometry::Metrics> currentMetrics() const;
    void cancelHide();
    void hide();
    void setIgnoresMouse(bool ignores);
    void setCloseAt(std::optional<TimePoint> at);
    void setPaused(bool paused);

    const Screens& screens_;
    PointerMonitor* pointer_;
    const PanelState& panel_;
    Scheduler& scheduler_;
    PanelWindow* window_ = nullptr;
    Signal<Change> changed_;

    bool installed_ = false;
    std::optional<ToastData> current_;
    std::uint64_t showID_ = 0;
    bool hasNotch_ = true;
    std::optional<TimePoint> closeAt_;
    bool isPaused_ = false;
    Duration pausedRemaining_ = kDisplayTime;
    std::optional<Scheduler::TaskId> hideWork_;
    /// Expires with the controller, so a pending hide finds out it is gone.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

} // namespace brisa
