// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayMenu.h"
#include "core/settings/AppSettings.h"
#include "core/settings/UserDefaults.h"
#include "fakes/LogCapture.h"
#include "fakes/QtApp.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

using namespace brisa;

namespace {

QStringList titles(const QMenu* menu)
{
    QStringList out;
    for (auto* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("---") : a->text());
    return out;
}

QStringList checked(const QMenu* menu)
{
    QStringList out;
    for (auto* a : menu->actions())
        if (a->isChecked())
            out << a->text();
    return out;
}

QMenu* submenu(const QMenu* menu, const QString& title)
{
    for (auto* a : menu->actions())
        if (a->text() == title)
            return a->menu();
    return nullptr;
}

QAction* item(const QMenu* menu, const QString& title)
{
    for (auto* a : menu->actions())
        if (a->text() == title)
            return a;
    return nullptr;
}

struct TrayMenuTest : ::testing::Test {
    TrayMenuTest() { test::qtApp(); }
    UserDefaults defaults;
    AppSettings settings{defaults};
};

} // namespace

TEST_F(TrayMenuTest, HasTheItemsInOrderWithTheirShortcuts)
{
    TrayMenu tray(settings, {});
    EXPECT_EQ(titles(tray.menu()),
              (QStringList{"Abrir panel", "Biblioteca…", "Quick Note…", "Bulk Copy (Multi-Clip)", "---", "Tema",
                           "Abrir panel con", "---", "Ajustes…", "---", "Salir de Brisa"}));
    EXPECT_EQ(titles(submenu(tray.menu(), "Tema")), (QStringList{"Oscuro", "Claro", "Liquid Glass"}));
    EXPECT_EQ(titles(submenu(tray.menu(), "Abrir panel con")),
              (QStringList{"Al posar (hover)", "Con clic", "Hover prolongado (3 s)"}));
    EXPECT_EQ(item(tray.menu(), "Ajustes…")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(item(tray.menu(), "Salir de Brisa")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_FALSE(item(tray.menu(), "Bulk Copy (Multi-Clip)")->isCheckable());
}

TEST_F(TrayMenuTest, FirstLaunchChecksDarkAndHover)
{
    TrayMenu tray(settings, {});
    EXPECT_EQ(checked(submenu(tray.menu(), "Tema")), QStringList{"Oscuro"});
    EXPECT_EQ(checked(submenu(tray.menu(), "Abrir panel con")), QStringList{"Al posar (hover)"});
}

TEST_F(TrayMenuTest, ChoosingLightMovesTheCheckmarkAndPersists)
{
    TrayMenu tray(settings, {});
    item(submenu(tray.menu(), "Tema"), "Claro")->trigger();
    EXPECT_EQ(checked(submenu(tray.menu(), "Tema")), QStringList{"Claro"});
    EXPECT_EQ(defaults.value("appTheme"), nlohmann::json("light"));
    EXPECT_EQ(checked(submenu(tray.menu(), "Abrir panel con")), QStringList{"Al posar (hover)"});
    EXPECT_FALSE(defaults.contains("notchActivation"));

    item(submenu(tray.menu(), "Abrir panel con"), "Con clic")->trigger();
    EXPECT_EQ(settings.notchActivation(), NotchActivation::Click);
    EXPECT_EQ(checked(submenu(tray.menu(), "Abrir panel con")), QStringList{"Con clic"});
}

TEST_F(TrayMenuTest, UnknownRepresentedObjectChangesNothing)
{
    TrayMenu tray(settings, {});
    QAction stray(QStringLiteral("Sepia"));
    stray.setData(QStringLiteral("sepia"));
    tray.changeTheme(&stray);
    QAction notAString;
    notAString.setData(3);
    tray.changeActivation(&notAString);
    EXPECT_EQ(settings.theme(), AppTheme::Dark);
    EXPECT_FALSE(defaults.contains("appTheme"));
    EXPECT_EQ(checked(submenu(tray.menu(), "Tema")), QStringList{"Oscuro"});
}

TEST_F(TrayMenuTest, ItemsRunTheirActionsAndMissingOnesOnlyLog)
{
    int quits = 0;
    TrayActions actions;
    actions.quit = [&] { ++quits; };
    TrayMenu tray(settings, actions);
    test::LogCapture log;
    item(tray.menu(), "Salir de Brisa")->trigger();
    item(tray.menu(), "Biblioteca…")->trigger();
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(log.contains("La biblioteca aún no está disponible"));
}
