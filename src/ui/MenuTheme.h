// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/settings/SettingsEnums.h"

#include <QPalette>
#include <QString>

class QMenu;

namespace brisa {

/// The colours of the widget menus (the tray's, a card's) and of tooltips in a theme, so that
/// they look like the panel they open from instead of the style's own white.
QPalette menuPalette(AppTheme theme);

/// Gives menu, every submenu under it and the application's tooltips the palette of theme.
void applyMenuTheme(QMenu& menu, AppTheme theme);

/// A text from a clip or the user, as a menu item's title: '&' shows as itself, not as a mnemonic.
QString menuItemTitle(const QString& text);

} // namespace brisa
