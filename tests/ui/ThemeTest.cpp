// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MenuTheme.h"
#include "ui/SymbolIcons.h"
#include "ui/Theme.h"
#include "fakes/QtApp.h"

#include <QMetaProperty>

#include <gtest/gtest.h>

using namespace brisa;

// Views name a theme by its setting's value; anything else draws in the dark theme.
TEST(Theme, ColoursAreLookedUpByTheSettingsValue)
{
    const Theme& theme = Theme::instance();
    const struct {
        const char* name;
        AppTheme expected;
    } cases[] = {{"dark", AppTheme::Dark}, {"light", AppTheme::Light}, {"liquidGlass", AppTheme::LiquidGlass},
                 {"Light", AppTheme::Dark}, {"", AppTheme::Dark}};
    for (const auto& c : cases)
        EXPECT_EQ(theme.colors(QString::fromLatin1(c.name)), &Theme::colors(c.expected)) << c.name;
    EXPECT_EQ(Theme::palette(AppTheme::Light).ink, QColor(Qt::black));
    EXPECT_EQ(Theme::palette(AppTheme::LiquidGlass).ink, QColor(Qt::white));
}

// The palettes and metrics are shared by every view: none can change them for the others.
TEST(Theme, ViewsCannotChangeTheSharedLook)
{
    for (const QMetaObject* type : {&ThemeColors::staticMetaObject, &Theme::staticMetaObject})
        for (int i = type->propertyOffset(); i < type->propertyCount(); ++i)
            EXPECT_FALSE(type->property(i).isWritable()) << type->className() << "." << type->property(i).name();
}

// The widget menus take their colours from the same palettes as the views.
TEST(Theme, MenusShareThePalette)
{
    test::qtApp();
    for (AppTheme theme : allAppThemes) {
        const QPalette palette = menuPalette(theme);
        EXPECT_EQ(palette.color(QPalette::Window), Theme::palette(theme).menuWindow) << rawValue(theme);
        EXPECT_EQ(palette.color(QPalette::Text), Theme::palette(theme).menuText) << rawValue(theme);
    }
}

// A symbol's URL carries its colour as the symbol provider reads it, translucent ones included.
TEST(Theme, SymbolUrlsCarryTheColour)
{
    const struct {
        QColor colour;
        const char* url;
    } cases[] = {{Qt::white, "image://symbol/star?color=ffffff"},
                 {QColor(0, 0, 0, 128), "image://symbol/star?color=80000000"}};
    for (const auto& c : cases) {
        const QString url = Theme::symbol(QStringLiteral("star"), c.colour);
        EXPECT_EQ(url, QLatin1String(c.url));
        const auto request = SymbolIcons::parseRequest(url.mid(QStringLiteral("image://symbol/").size()));
        EXPECT_EQ(request.name, "star");
        EXPECT_EQ(request.color, c.colour) << c.url;
    }
    EXPECT_EQ(Theme::symbol(QStringLiteral("doc"), Qt::black, QStringLiteral("image://appicon/org.brisa.Notas")),
              QLatin1String("image://appicon/org.brisa.Notas/doc?color=000000"));
}
