// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Theme.h"

#include "core/notch/StripScroll.h"

#include <QEvent>
#include <QGuiApplication>
#include <QJSEngine>

namespace brisa {
namespace {

QColor rgba(double r, double g, double b, double a) { return QColor::fromRgbF(float(r), float(g), float(b), float(a)); }
QColor white(double a) { return rgba(1, 1, 1, a); }
QColor black(double a) { return rgba(0, 0, 0, a); }

ThemePalette darkPalette()
{
    ThemePalette c;
    c.light = false;
    c.ink = Qt::white;
    c.panelFill = Qt::black;
    c.panelStroke = white(0.06);
    // The secondary text colour (ink at about half strength) at 0.35; without a compositor
    // nothing can be seen through it, so a grey of about the same weight on a desktop.
    c.handle = white(0.55 * 0.35);
    c.handleOpaque = QColor(0x8c, 0x8c, 0x8c);
    c.buttonFill = white(0.07);
    // Solid white with black content when active (inverted on the light theme).
    c.chipFill = white(0.08);
    c.chipActiveFill = Qt::white;
    c.chipActiveInk = Qt::black;
    c.chipBadge = white(0.12);
    c.chipActiveBadge = black(0.12);
    c.tipFill = QColor(0x2a, 0x2a, 0x2a);
    c.tipBorder = white(0.15);
    c.cardFill = white(0.06);
    c.cardBorder = white(0.1);
    c.cardSelectedBorder = QColor(0x4d, 0xa3, 0xff);
    c.previewFill = white(0.08);
    c.linkTop = QColor(0x1d, 0x3b, 0x6e);
    c.linkBottom = QColor(0x14, 0x21, 0x3a);
    c.actionFill = black(0.55);
    c.actionHoveredFill = black(0.75);
    c.actionBorder = white(0.18);
    c.toastFill = Qt::black;
    c.toastStroke = white(0.06);
    c.toastTile = white(0.1);
    c.subtitleOpacity = 0.5;
    c.menuWindow = QColor(0x1c, 0x1c, 0x1e);
    c.menuText = QColor(0xf2, 0xf2, 0xf2);
    c.menuDisabled = QColor(0x75, 0x75, 0x78);
    c.menuHighlight = QColor(0x2f, 0x6f, 0xd6);
    c.menuHighlightedText = Qt::white;
    c.menuLight = QColor(0x34, 0x34, 0x37);
    c.menuDark = QColor(0x0a, 0x0a, 0x0a);
    return c;
}

ThemePalette lightPalette()
{
    ThemePalette c;
    c.light = true;
    c.ink = Qt::black;
    c.panelFill = white(0.92);
    c.panelStroke = black(0.1);
    c.handle = black(0.5 * 0.35);
    c.handleOpaque = QColor(0x66, 0x66, 0x66);
    c.buttonFill = black(0.07);
    c.chipFill = black(0.08);
    c.chipActiveFill = Qt::black;
    c.chipActiveInk = Qt::white;
    c.chipBadge = black(0.12);
    c.chipActiveBadge = white(0.12);
    c.tipFill = QColor(0xf2, 0xf2, 0xf2);
    c.tipBorder = black(0.15);
    c.cardFill = black(0.05);
    c.cardBorder = black(0.1);
    c.cardSelectedBorder = QColor(0x0a, 0x64, 0xd6);
    c.previewFill = black(0.08);
    c.linkTop = QColor(0xdb, 0xe8, 0xff);
    c.linkBottom = QColor(0xee, 0xf3, 0xfb);
    c.actionFill = white(0.85);
    c.actionHoveredFill = white(1);
    c.actionBorder = black(0.12);
    c.toastFill = white(0.92);
    c.toastStroke = black(0.1);
    c.toastTile = black(0.08);
    c.subtitleOpacity = 0.55;
    c.menuWindow = QColor(0xf6, 0xf6, 0xf6);
    c.menuText = Qt::black;
    c.menuDisabled = QColor(0xa0, 0xa0, 0xa0);
    c.menuHighlight = QColor(0x0a, 0x64, 0xd6);
    c.menuHighlightedText = Qt::white;
    c.menuLight = Qt::white;
    c.menuDark = QColor(0xc8, 0xc8, 0xc8);
    return c;
}

ThemePalette glassPalette()
{
    ThemePalette c = darkPalette();
    // Tinted glass where nothing blurs behind.
    c.panelFill = rgba(0.12, 0.13, 0.16, 0.82);
    c.panelStroke = white(0.18);
    c.buttonFill = white(0.1);
    c.cardFill = white(0.1);
    c.cardBorder = white(0.18);
    // Windows get no blur of what lies behind them everywhere: a tinted translucent fill stands in.
    c.toastFill = rgba(0.16, 0.17, 0.2, 0.78);
    c.toastStroke = white(0.18);
    c.menuWindow = QColor(0x26, 0x2a, 0x33);
    c.menuText = Qt::white;
    c.menuDisabled = QColor(0x80, 0x86, 0x92);
    c.menuLight = QColor(0x3a, 0x40, 0x4c);
    c.menuDark = QColor(0x14, 0x16, 0x1b);
    return c;
}

struct Palettes {
    ThemeColors dark{darkPalette()}, light{lightPalette()}, glass{glassPalette()};
};

Palettes& palettes()
{
    static Palettes* all = new Palettes(); // outlives every engine that refers to it
    return *all;
}

} // namespace

double Theme::cardWidth() const { return StripScroll::kItemWidth; }
double Theme::cardSpacing() const { return StripScroll::kSpacing; }

Theme& Theme::instance()
{
    static Theme* theme = new Theme();
    return *theme;
}

Theme* Theme::create(QQmlEngine*, QJSEngine*)
{
    Theme& theme = instance();
    QJSEngine::setObjectOwnership(&theme, QJSEngine::CppOwnership);
    static const bool watched = [&] {
        if (QCoreApplication* app = QCoreApplication::instance())
            app->installEventFilter(&theme);
        return true;
    }();
    Q_UNUSED(watched);
    return &theme;
}

bool Theme::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ApplicationFontChange && watched == QCoreApplication::instance())
        Q_EMIT applicationFontChanged();
    return QObject::eventFilter(watched, event);
}

QFont Theme::applicationFont() { return QGuiApplication::font(); }

const ThemeColors& Theme::colors(AppTheme theme)
{
    switch (theme) {
    case AppTheme::Light: return palettes().light;
    case AppTheme::LiquidGlass: return palettes().glass;
    case AppTheme::Dark: break;
    }
    return palettes().dark;
}

ThemeColors* Theme::colors(const QString& name) const
{
    const AppTheme theme = appThemeFromRaw(name.toStdString()).value_or(AppTheme::Dark);
    auto* c = const_cast<ThemeColors*>(&colors(theme));
    QJSEngine::setObjectOwnership(c, QJSEngine::CppOwnership);
    return c;
}

QString Theme::symbol(const QString& name, const QColor& color, const QString& base)
{
    // As QML writes a colour: #rrggbb when opaque, #aarrggbb otherwise.
    const QString hex = color.name(color.alpha() == 255 ? QColor::HexRgb : QColor::HexArgb).mid(1);
    return (base.isEmpty() ? QStringLiteral("image://symbol") : base) + QLatin1Char('/') + name +
           QStringLiteral("?color=") + hex;
}

} // namespace brisa
