// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MenuTheme.h"
#include "ui/Theme.h"

#include <QAction>
#include <QMenu>
#include <QToolTip>

namespace brisa {

QPalette menuPalette(AppTheme theme)
{
    const ThemePalette& c = Theme::palette(theme);
    QPalette p(c.menuText, c.menuWindow);
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::AlternateBase, QPalette::Button, QPalette::ToolTipBase})
        p.setColor(role, c.menuWindow);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText,
                      QPalette::BrightText})
        p.setColor(role, c.menuText);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, c.menuDisabled);
    p.setColor(QPalette::Highlight, c.menuHighlight);
    p.setColor(QPalette::HighlightedText, c.menuHighlightedText);
    p.setColor(QPalette::Light, c.menuLight);
    p.setColor(QPalette::Midlight, c.menuLight);
    p.setColor(QPalette::Mid, c.menuDark);
    p.setColor(QPalette::Dark, c.menuDark);
    p.setColor(QPalette::Shadow, c.menuDark);
    p.setColor(QPalette::PlaceholderText, c.menuDisabled);
    return p;
}

void applyMenuTheme(QMenu& menu, AppTheme theme)
{
    const QPalette palette = menuPalette(theme);
    // A submenu is a window of its own: palettes do not reach it from its parent menu.
    menu.setPalette(palette);
    for (QAction* action : menu.actions())
        if (QMenu* sub = action->menu())
            applyMenuTheme(*sub, theme);
    QToolTip::setPalette(palette);
}

QString menuItemTitle(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('&'), QStringLiteral("&&"));
    // A tab would split the title into a title and a shortcut column.
    out.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return out;
}

} // namespace brisa
