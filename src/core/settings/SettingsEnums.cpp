// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/SettingsEnums.h"

namespace brisa {

namespace {

template <typename Enum, std::size_t N>
std::optional<Enum> fromRaw(const std::array<Enum, N>& all, std::string_view raw)
{
    for (auto e : all)
        if (rawValue(e) == raw)
            return e;
    return std::nullopt;
}

} // namespace

std::string_view rawValue(AppTheme theme)
{
    switch (theme) {
    case AppTheme::Dark: return "dark";
    case AppTheme::Light: return "light";
    case AppTheme::LiquidGlass: return "liquidGlass";
    }
    return "dark";
}

std::string_view label(AppTheme theme)
{
    switch (theme) {
    case AppTheme::Dark: return "Oscuro";
    case AppTheme::Light: return "Claro";
    case AppTheme::LiquidGlass: return "Liquid Glass";
    }
    return "Oscuro";
}

std::optional<AppTheme> appThemeFromRaw(std::string_view raw) { return fromRaw(allAppThemes, raw); }

std::string_view rawValue(NotchActivation activation)
{
    switch (activation) {
    case NotchActivation::Hover: return "hover";
    case NotchActivation::Click: return "click";
    case NotchActivation::LongHover: return "longHover";
    }
    return "hover";
}

std::string_view label(NotchActivation activation)
{
    switch (activation) {
    case NotchActivation::Hover: return "Al posar (hover)";
    case NotchActivation::Click: return "Con clic";
    case NotchActivation::LongHover: return "Hover prolongado (3 s)";
    }
    return "Al posar (hover)";
}

std::optional<NotchActivation> notchActivationFromRaw(std::string_view raw)
{
    return fromRaw(allNotchActivations, raw);
}

std::string_view rawValue(LibraryViewMode mode)
{
    switch (mode) {
    case LibraryViewMode::Card: return "card";
    case LibraryViewMode::List: return "list";
    case LibraryViewMode::Board: return "board";
    }
    return "card";
}

std::string_view label(LibraryViewMode mode)
{
    switch (mode) {
    case LibraryViewMode::Card: return "Tarjetas";
    case LibraryViewMode::List: return "Lista";
    case LibraryViewMode::Board: return "Tablero";
    }
    return "Tarjetas";
}

std::string_view symbol(LibraryViewMode mode)
{
    switch (mode) {
    case LibraryViewMode::Card: return "square.grid.2x2";
    case LibraryViewMode::List: return "list.bullet";
    case LibraryViewMode::Board: return "rectangle.split.3x1";
    }
    return "square.grid.2x2";
}

std::optional<LibraryViewMode> libraryViewModeFromRaw(std::string_view raw)
{
    return fromRaw(allLibraryViewModes, raw);
}

std::string_view rawValue(PanelPosition position)
{
    switch (position) {
    case PanelPosition::TopCenter: return "topCenter";
    case PanelPosition::TopLeft: return "topLeft";
    case PanelPosition::TopRight: return "topRight";
    case PanelPosition::BottomLeft: return "bottomLeft";
    case PanelPosition::BottomRight: return "bottomRight";
    }
    return "topCenter";
}

std::string_view label(PanelPosition position)
{
    switch (position) {
    case PanelPosition::TopCenter: return "Arriba, centro (notch)";
    case PanelPosition::TopLeft: return "Arriba, izquierda";
    case PanelPosition::TopRight: return "Arriba, derecha";
    case PanelPosition::BottomLeft: return "Abajo, izquierda";
    case PanelPosition::BottomRight: return "Abajo, derecha";
    }
    return "Arriba, centro (notch)";
}

std::optional<PanelPosition> panelPositionFromRaw(std::string_view raw) { return fromRaw(allPanelPositions, raw); }

} // namespace brisa
