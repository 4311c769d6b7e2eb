// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace brisa {

// The enumerations whose values are settings. Each is persisted as its raw value; the all-cases
// arrays are in declaration order, which is the order every menu and picker lists them in.
// fromRaw is exact and case-sensitive.

/// Visual theme of the panels.
enum class AppTheme { Dark, Light, LiquidGlass };
inline constexpr std::array<AppTheme, 3> allAppThemes{AppTheme::Dark, AppTheme::Light, AppTheme::LiquidGlass};
/// "dark", "light", "liquidGlass".
std::string_view rawValue(AppTheme theme);
/// "Oscuro", "Claro", "Liquid Glass".
std::string_view label(AppTheme theme);
std::optional<AppTheme> appThemeFromRaw(std::string_view raw);

/// How the pointer opens the notch panel.
enum class NotchActivation { Hover, Click, LongHover };
inline constexpr std::array<NotchActivation, 3> allNotchActivations{NotchActivation::Hover, NotchActivation::Click,
                                                                    NotchActivation::LongHover};
/// "hover", "click", "longHover".
std::string_view rawValue(NotchActivation activation);
/// "Al posar (hover)", "Con clic", "Hover prolongado (3 s)".
std::string_view label(NotchActivation activation);
std::optional<NotchActivation> notchActivationFromRaw(std::string_view raw);

/// Layout of the library window.
enum class LibraryViewMode { Card, List, Board };
inline constexpr std::array<LibraryViewMode, 3> allLibraryViewModes{LibraryViewMode::Card, LibraryViewMode::List,
                                                                    LibraryViewMode::Board};
/// "card", "list", "board".
std::string_view rawValue(LibraryViewMode mode);
/// "Tarjetas", "Lista", "Tablero".
std::string_view label(LibraryViewMode mode);
/// "square.grid.2x2", "list.bullet", "rectangle.split.3x1".
std::string_view symbol(LibraryViewMode mode);
std::optional<LibraryViewMode> libraryViewModeFromRaw(std::string_view raw);

/// Where the panel sits on screen.
enum class PanelPosition { TopCenter, TopLeft, TopRight, BottomLeft, BottomRight };
inline constexpr std::array<PanelPosition, 5> allPanelPositions{PanelPosition::TopCenter, PanelPosition::TopLeft,
                                                                PanelPosition::TopRight, PanelPosition::BottomLeft,
                                                                PanelPosition::BottomRight};
/// "topCenter", "topLeft", "topRight", "bottomLeft", "bottomRight".
std::string_view rawValue(PanelPosition position);
/// "Arriba, centro (notch)", ... as the settings window lists them.
std::string_view label(PanelPosition position);
std::optional<PanelPosition> panelPositionFromRaw(std::string_view raw);

} // namespace brisa
