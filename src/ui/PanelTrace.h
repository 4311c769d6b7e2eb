// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <optional>

namespace brisa {

/// Opt-in timing of the drop-down panel, for measuring it against a large history: with
/// BRISA_TRACE_PANEL=1 it logs, per opening, the time from the open request to the first frame
/// shown open, then the interval between frames while the open panel keeps drawing (scrolling).
/// Off, nothing is created and the panel pays nothing. Used on the GUI thread only.
class PanelTrace {
public:
    using SteadyClock = std::chrono::steady_clock;

    /// Frames further apart than this follow an idle scene (Qt Quick draws only on change), so the
    /// gap is not a frame time and is not logged.
    static constexpr std::chrono::milliseconds kIdleGap{250};

    /// The process's trace when BRISA_TRACE_PANEL=1, else null.
    static PanelTrace* fromEnvironment();

    /// Someone asked the closed panel to open; the earliest request of an opening counts.
    void openRequested(SteadyClock::time_point at = SteadyClock::now());
    /// The panel is being closed: a request not yet shown open is withdrawn.
    void collapseRequested();
    /// The panel's expanded flag changed; closing also forgets a pending request.
    void expandedChanged(bool expanded, SteadyClock::time_point at = SteadyClock::now());
    /// The window showed a frame that was swapped at the given time.
    void frameSwapped(SteadyClock::time_point at);

private:
    bool expanded_ = false;
    bool firstFrameLogged_ = false;
    std::optional<SteadyClock::time_point> requestedAt_;
    std::optional<SteadyClock::time_point> expandedAt_;
    std::optional<SteadyClock::time_point> lastFrame_;
};

} // namespace brisa
