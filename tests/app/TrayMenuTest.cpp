// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayMenu.h"
#include "core/settings/AppSettings.h"
#include "core/settings/UserDefaults.h"
#include "fakes/FakeAppCommands.h"
#include "fakes/QtApp.h"

#include <QAction>
#include <QActionGroup>
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
    test::FakeAppCommands commands;
};

} // namespace

TEST_F(TrayMenuTest, HasTheItemsInOrderWithTheirShortcuts)
{
    TrayMenu tray(settings, commands);
    EXPECT_EQ(titles(tray.menu()),
              (QStringList{"Abrir panel", "Biblioteca…", "Quick Note…", "Bulk Copy (Multi-Clip)", "---", "Tema",
                           "Abrir panel con", "---", "Pausar captura", "Ajustes…", "---", "Salir de Brisa"}));
    EXPECT_EQ(titles(submenu(tray.menu(), "Tema")), (QStringList{"Oscuro", "Claro", "Liquid Glass"}));
    EXPECT_EQ(titles(submenu(tray.menu(), "Abrir panel con")),
              (QStringList{"Al posar (hover)", "Con clic", "Hover prolongado (3 s)"}));
    EXPECT_EQ(item(tray.menu(), "Ajustes…")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(item(tray.menu(), "Salir de Brisa")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_FALSE(item(tray.menu(), "Bulk Copy (Multi-Clip)")->isCheckable());
}

TEST_F(TrayMenuTest, FirstLaunchChecksDarkAndHover)
{
    TrayMenu tray(settings, commands);
    EXPECT_EQ(checked(submenu(tray.menu(), "Tema")), QStringList{"Oscuro"});
    EXPECT_EQ(checked(submenu(tray.menu(), "Abrir panel con")), QStringList{"Al posar (hover)"});
}

TEST_F(TrayMenuTest, ChoosingLightMovesTheCheckmarkAndPersists)
{
    TrayMenu tray(settings, commands);
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
    TrayMenu tray(settings, commands);
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

TEST_F(TrayMenuTest, ItemsRunTheirActionsAndItemsWithoutAWindowAreGreyed)
{
    commands.unavailable = {AppCommand::OpenLibrary, AppCommand::OpenSettings};
    TrayMenu tray(settings, commands);
    for (const char* title : {"Abrir panel", "Quick Note…", "Bulk Copy (Multi-Clip)", "Salir de Brisa"}) {
        EXPECT_TRUE(item(tray.menu(), title)->isEnabled()) << title;
        item(tray.menu(), title)->trigger();
    }
    EXPECT_EQ(commands.ran, (std::vector<std::string>{"togglePanel", "quickNote", "bulkCopyToggle", "quit"}));
    for (const char* title : {"Biblioteca…", "Ajustes…"})
        EXPECT_FALSE(item(tray.menu(), title)->isEnabled()) << title;
}

TEST_F(TrayMenuTest, ChoicesAreRadioGroupsAndTheMenusFollowTheTheme)
{
    TrayMenu tray(settings, commands);
    for (const char* title : {"Tema", "Abrir panel con"}) {
        for (auto* a : submenu(tray.menu(), title)->actions()) {
            ASSERT_NE(a->actionGroup(), nullptr) << title;
            EXPECT_TRUE(a->actionGroup()->isExclusive()) << title;
        }
    }
    const auto background = [&](const QMenu* m) { return m->palette().color(QPalette::Window).lightness(); };
    const auto ink = [&](const QMenu* m) { return m->palette().color(QPalette::Text).lightness(); };
    EXPECT_LT(background(tray.menu()), 60);
    EXPECT_GT(ink(tray.menu()), 200);
    EXPECT_LT(background(submenu(tray.menu(), "Tema")), 60);
    item(submenu(tray.menu(), "Tema"), "Claro")->trigger();
    EXPECT_GT(background(tray.menu()), 200);
    EXPECT_LT(ink(tray.menu()), 60);
    EXPECT_GT(background(submenu(tray.menu(), "Abrir panel con")), 200);
    // A greyed item is readable but clearly fainter than the others.
    const QPalette p = tray.menu()->palette();
    const int greyed = p.color(QPalette::Disabled, QPalette::Text).lightness();
    EXPECT_GT(greyed, ink(tray.menu()) + 40);
    EXPECT_LT(greyed, background(tray.menu()) - 40);
}

TEST_F(TrayMenuTest, PausarCapturaIsCheckedWhilePausedWhoeverPaused)
{
    TrayMenu tray(settings, commands);
    QAction* pause = item(tray.menu(), "Pausar captura");
    ASSERT_EQ(pause, tray.pauseMenuItem());
    EXPECT_TRUE(pause->isCheckable());
    EXPECT_FALSE(pause->isChecked());
    pause->trigger();
    pause->trigger();
    EXPECT_EQ(commands.ran, (std::vector<std::string>{"pause", "resume"}));
    tray.showCapturePaused(true); // «brisa pause» from a terminal
    EXPECT_TRUE(pause->isChecked());
    EXPECT_EQ(commands.ran.size(), 2u) << "showing the state asks for nothing";
}
