// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/notch/ScreenGeometry.h"
#include "core/settings/SettingsEnums.h"

#include <optional>
#include <span>

namespace brisa::NotchGeometry {

/// How one screen's top edge looks to the panel.
struct Metrics {
    ScreenInfo screen{};
    bool hasNotch = false;
    double notchWidth = 200;
    double notchHeight = 24;
    bool operator==(const Metrics&) const = default;
};

inline constexpr double kFallbackNotchWidth = 200;
inline constexpr double kCollapsedWidthWithoutNotch = 220;
inline constexpr double kCollapsedExtraHeight = 6;
inline constexpr double kCornerInset = 34;
inline constexpr double kExpandedHorizontalPadding = 68;
inline constexpr double kExpandedVerticalPadding = 34;
inline constexpr double kExpandedOverhang = 2;
/// Top-bar height assumed where no desktop panel reserves space at the top of a screen.
inline constexpr double kDefaultStatusBarThickness = 24;

/// Height of the desktop's top panel on this screen, read from its work area; 24 when none
/// (also when the work area is empty or does not lie within the screen).
double statusBarThickness(const ScreenInfo& screen);

/// The first screen of the list whose frame contains p.
std::optional<ScreenInfo> screenContaining(std::span<const ScreenInfo> screens, Point p);

/// The notch from the safe area and auxiliary widths; without one, the fallback width and the
/// top bar's height.
Metrics metrics(const ScreenInfo& screen);

/// The notched screen, else the primary one, else the first; with no screens at all, an empty
/// screen at the origin.
Metrics currentMetrics(std::span<const ScreenInfo> screens);

/// The metrics as the panel uses them at a position: away from the top centre it ignores the notch.
Metrics effectiveMetrics(const Metrics& metrics, PanelPosition position);

/// The window frame of the closed panel.
Rect collapsedFrame(const Metrics& metrics, PanelPosition position);

/// The window frame of the open panel for a content size.
Rect expandedFrame(const Metrics& metrics, Size contentSize, PanelPosition position);

/// The middle 70 % of the collapsed frame: where the pointer counts as over the panel's handle.
Rect hotZone(const Metrics& metrics, PanelPosition position);

} // namespace brisa::NotchGeometry
