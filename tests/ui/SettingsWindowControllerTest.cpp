// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SettingsWindowController.h"

#include "core/settings/AppSettings.h"
#include "core/settings/KeyboardShortcuts.h"
#include "core/stores/TextSnippetStore.h"
#include "platform/FrontmostApplication.h"
#include "ui/SettingsViewModel.h"
#include "fakes/TempDir.h"
#include "GuiApp.h"
#include "InkContrast.h"

#include <QCoreApplication>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

using namespace brisa;

namespace {

class SettingsWindowControllerTest : public ::testing::Test {
protected:
    void SetUp() override { test::guiApp(); }

    QQuickWindow* shown()
    {
        controller.show();
        QQuickWindow* w = controller.window();
        if (w) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(w));
        }
        return w;
    }

    QObject* child(const char* name) const
    {
        return controller.window() ? controller.window()->contentItem()->findChild<QObject*>(name) : nullptr;
    }

    UserDefaults defaults;
    AppSettings settings{defaults};
    TextSnippetStore snippets{defaults};
    KeyboardShortcuts shortcuts{defaults};
    struct OpenWindows final : FrontmostApplication {
        std::optional<SourceApp> frontmost() override { return std::nullopt; }
        std::vector<std::string> openApplications() override { return {"XTerm", "Brisa"}; }
    } openWindows;
    SettingsWindowController controller{{settings, snippets, shortcuts, nullptr, &openWindows}};
};

} // namespace

TEST_F(SettingsWindowControllerTest, ShowsOneFixedWindowAndReusesIt)
{
    EXPECT_EQ(controller.window(), nullptr);
    QQuickWindow* w = shown();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->title(), QStringLiteral("Brisa — Ajustes"));
    EXPECT_EQ(w->size(), QSize(480, 360));
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    EXPECT_TRUE(w->flags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(w->flags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(w->flags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(defaults.serialized(), UserDefaults().serialized()); // opening wrote nothing

    w->close();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(shown(), w);
    EXPECT_TRUE(w->isVisible());
}

// Half-typed snippet fields are still there after closing and reopening; "Añadir" stays disabled
// while the shortcut holds only spaces.
TEST_F(SettingsWindowControllerTest, HalfTypedSnippetSurvivesReopening)
{
    QQuickWindow* w = shown();
    ASSERT_NE(w, nullptr);
    QObject* shortcut = child("newShortcut");
    QObject* content = child("newContent");
    QObject* add = child("addSnippet");
    ASSERT_TRUE(shortcut && content && add);
    controller.viewModel()->setNewShortcut(QStringLiteral("   "));
    controller.viewModel()->setNewContent(QStringLiteral("Un saludo"));
    EXPECT_FALSE(add->property("enabled").toBool());

    w->close();
    shown();
    EXPECT_EQ(child("newShortcut"), shortcut);
    EXPECT_EQ(shortcut->property("text").toString(), QStringLiteral("   "));
    EXPECT_EQ(content->property("text").toString(), QStringLiteral("Un saludo"));
    controller.viewModel()->setNewShortcut(QStringLiteral("firma"));
    EXPECT_TRUE(add->property("enabled").toBool());
    EXPECT_EQ(child("stepperLabel")->property("text").toString(), QStringLiteral("Máximo 100 items"));
}

TEST_F(SettingsWindowControllerTest, AStepperButtonThatCannotGoFurtherLooksDisabled)
{
    settings.setHistoryLimit(0); // "Sin límite": nothing below it
    QQuickWindow* w = shown();
    ASSERT_NE(w, nullptr);
    auto* minus = qobject_cast<QQuickItem*>(child("decrement"));
    auto* plus = qobject_cast<QQuickItem*>(child("increment"));
    ASSERT_TRUE(minus && plus);
    ASSERT_FALSE(minus->isEnabled());
    ASSERT_TRUE(plus->isEnabled());
    QCoreApplication::processEvents();
    const QImage window = w->grabWindow();
    const auto drawn = [&window](QQuickItem* item) {
        return window.copy(item->mapRectToScene(item->boundingRect()).toRect());
    };
    EXPECT_LT(test::inkContrast(drawn(minus)), test::inkContrast(drawn(plus)) * 2 / 3);
}

// "Añadir app…" offers the installed applications and the open windows (Brisa's own left out);
// the chosen one's identifier is appended once, and one without an identifier adds nothing.
TEST_F(SettingsWindowControllerTest, PickerAddsTheChosenApplicationOnce)
{
    test::TempDir data;
    std::filesystem::create_directories(data / "applications");
    std::ofstream(data / "applications" / "zeal.desktop") << "[Desktop Entry]\nType=Application\nName=Zeal\n";
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.path().string()));
    qputenv("XDG_DATA_DIRS", QByteArray::fromStdString((data / "none").string()));
    QCoreApplication::setApplicationName(QStringLiteral("Brisa")); // as main() names it
    ASSERT_NE(shown(), nullptr);
    QObject* picker = child("picker");
    QObject* list = child("pickerList");
    ASSERT_TRUE(picker && list);

    const auto choose = [&](int row) {
        QMetaObject::invokeMethod(picker, "open");
        EXPECT_EQ(list->property("count").toInt(), 2); // XTerm and Zeal, not Brisa
        list->setProperty("currentIndex", row);
        QMetaObject::invokeMethod(picker, "accept");
    };
    choose(0);
    EXPECT_EQ(settings.blockedBundleIDs(), std::vector<std::string>{"XTerm"});
    choose(0); // a duplicate
    choose(1); // Zeal: no identifier
    EXPECT_EQ(settings.blockedBundleIDs(), std::vector<std::string>{"XTerm"});
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_DATA_DIRS");
}
