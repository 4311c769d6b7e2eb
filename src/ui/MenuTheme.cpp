// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MenuTheme.h"

#include <QAction>
#include <QMenu>
#include <QToolTip>

namespace brisa {
namespace {

struct Colours {
    QColor window, text, disabled, highlight, highlightedText, light, dark;
};

Colours colours(AppTheme theme)
{
    switch (theme) {
    case AppTheme::Light:
        return {QColor(0xf6, 0xf6, 0xf6), Qt::black, QColor(0xa0, 0xa0, 0xa0), QColor(0x0a, 0x64, 0xd6), Qt::white,
                Qt::white, QColor(0xc8, 0xc8, 0xc8)};
    case AppTheme::LiquidGlass:
        return {QColor(0x26, 0x2a, 0x33), Qt::white, QColor(0x80, 0x86, 0x92), QColor(0x2f, 0x6f, 0xd6), Qt::white,
                QColor(0x3a, 0x40, 0x4c), QColor(0x14, 0x16, 0x1b)};
    case AppTheme::Dark:
        break;
    }
    return {QColor(0x1c, 0x1c, 0x1e), QColor(0xf2, 0xf2, 0xf2), QColor(0x75, 0x75, 0x78), QColor(0x2f, 0x6f, 0xd6),
            Qt::white, QColor(0x34, 0x34, 0x37), QColor(0x0a, 0x0a, 0x0a)};
}

} // namespace

QPalette menuPalette(AppTheme theme)
{
    const Colours c = colours(theme);
    QPalette p(c.text, c.window);
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::AlternateBase, QPalette::Button, QPalette::ToolTipBase})
        p.setColor(role, c.window);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText,
                      QPalette::BrightText})
        p.setColor(role, c.text);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, c.disabled);
    p.setColor(QPalette::Highlight, c.highlight);
    p.setColor(QPalette::HighlightedText, c.highlightedText);
    p.setColor(QPalette::Light, c.light);
    p.setColor(QPalette::Midlight, c.light);
    p.setColor(QPalette::Mid, c.dark);
    p.setColor(QPalette::Dark, c.dark);
    p.setColor(QPalette::Shadow, c.dark);
    p.setColor(QPalette::PlaceholderText, c.disabled);
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
