// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SettingsViewModel.h"

#include "core/stores/TextSnippetStore.h"
#include "core/support/DesktopEntries.h"
#include "fakes/LogCapture.h"
#include "fakes/TempDir.h"
#include "ui/ApplicationPickerModel.h"
#include "ui/ShortcutRecorder.h"
#include "ui/SymbolImageProvider.h"
#include "GuiApp.h"

#include <QAbstractItemModelTester>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

using namespace brisa;

namespace {

struct Effects : SettingsEffects {
    std::vector<bool> login;
    std::set<std::string> blocked;
    void setLaunchAtLogin(bool on) override { login.push_back(on); }
    void setBlockedBundleIDs(const std::set<std::string>& ids) override { blocked = ids; }
};

class SettingsViewModelTest : public ::testing::Test {
protected:
    void SetUp() override { test::guiApp(); }

    UserDefaults defaults;
    Effects effects;
    AppSettings settings{defaults, &effects};
    TextSnippetStore store{defaults};
    SettingsViewModel view{settings, store, nullptr, nullptr};
};

} // namespace

// Each stepper walks its range by its step, stops at both ends and labels every value as the
// window shows it.
TEST_F(SettingsViewModelTest, SteppersStopAtTheirEndsWithTheirLabels)
{
    struct Case {
        const char* name;
        SettingsStepper* stepper;
        qint64 start, min, max;
        QString atMin, atStart, atMax;
    };
    const Case cases[] = {
        {"historyLimit", view.historyLimit(), 100, 0, 100000, "Sin límite", "Máximo 100 items", "Máximo 100000 items"},
        {"autoDeleteDays", view.autoDeleteDays(), 0, 0, 365, "Auto-borrado desactivado",
         "Auto-borrado desactivado", "Borrar clips no fijados tras 365 días"},
        {"panelScale", view.panelScale(), 100, 70, 130, "Tamaño: 70%", "Tamaño: 100%", "Tamaño: 130%"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* s = c.stepper;
        EXPECT_EQ(s->value(), c.start);
        EXPECT_EQ(s->label(), c.atStart);
        while (s->canDecrease())
            s->decrement();
        EXPECT_EQ(s->value(), c.min);
        EXPECT_EQ(s->label(), c.atMin);
        s->decrement();
        EXPECT_EQ(s->value(), c.min);
        while (s->canIncrease())
            s->increment();
        EXPECT_EQ(s->value(), c.max);
        EXPECT_EQ(s->label(), c.atMax);
        s->increment();
        EXPECT_EQ(s->value(), c.max);
    }
    EXPECT_EQ(settings.historyLimit(), 100000);
    EXPECT_EQ(settings.autoDeleteDays(), 365);
    EXPECT_DOUBLE_EQ(settings.panelScale(), 1.3);
}

// The size lands on whole percents whichever way it is stepped: 1.0 down one step is 95, not 89.
TEST_F(SettingsViewModelTest, SizeStepsLandOnWholePercents)
{
    auto* scale = view.panelScale();
    scale->decrement();
    EXPECT_EQ(scale->label(), QStringLiteral("Tamaño: 95%"));
    EXPECT_EQ(settings.panelScale(), 0.95);
    scale->decrement();
    EXPECT_EQ(scale->label(), QStringLiteral("Tamaño: 90%"));
    EXPECT_EQ(settings.panelScale(), 0.9);
    for (int i = 0; i < 12; ++i) {
        scale->increment();
        const qint64 percent = scale->value();
        EXPECT_EQ(percent % 5, 0);
        EXPECT_EQ(scale->label(), QStringLiteral("Tamaño: %1%").arg(percent));
        EXPECT_EQ(settings.panelScale(), static_cast<double>(percent) / 100.0);
    }
    EXPECT_EQ(SettingsViewModel::scalePercent(1.0 - 0.05 - 0.05), 90); // 0.8999999999999999
    EXPECT_EQ(SettingsViewModel::scalePercent(0.95), 95);
    EXPECT_EQ(SettingsViewModel::scalePercent(0.7), 70);
}

// A hand-edited file with values out of range shows them clamped and keeps them as they are until
// the user changes that control; then only that control's value is written.
TEST_F(SettingsViewModelTest, OutOfRangeValuesShowClampedAndAreWrittenOnlyWhenChanged)
{
    UserDefaults edited;
    edited.set("historyLimit", 999999);
    edited.set("autoDeleteDays", -4);
    edited.set("panelScale", 9.5);
    AppSettings loaded(edited);
    TextSnippetStore snippets(edited);
    SettingsViewModel shown(loaded, snippets, nullptr, nullptr);
    const std::string before = edited.serialized();

    EXPECT_EQ(shown.historyLimit()->label(), QStringLiteral("Máximo 100000 items"));
    EXPECT_FALSE(shown.historyLimit()->canIncrease());
    EXPECT_EQ(shown.autoDeleteDays()->label(), QStringLiteral("Auto-borrado desactivado"));
    EXPECT_EQ(shown.panelScale()->label(), QStringLiteral("Tamaño: 130%"));
    shown.historyLimit()->increment(); // at its end: nothing to write
    EXPECT_EQ(edited.serialized(), before);

    shown.panelScale()->decrement();
    EXPECT_EQ(edited.value("panelScale"), nlohmann::json(1.25));
    EXPECT_EQ(edited.value("historyLimit"), nlohmann::json(999999));
    EXPECT_EQ(edited.value("autoDeleteDays"), nlohmann::json(-4));
}

// The pickers list their choices in declaration order and write only what is chosen; the login
// switch goes through the login item.
TEST_F(SettingsViewModelTest, PickersAndTheLoginSwitchWriteWhatIsChosen)
{
    EXPECT_EQ(SettingsViewModel::positionLabels(),
              (QStringList{"Arriba, centro (notch)", "Arriba, izquierda", "Arriba, derecha", "Abajo, izquierda",
                           "Abajo, derecha"}));
    EXPECT_EQ(SettingsViewModel::tabLabels(), (QStringList{"History", "Prompts", "Colors", "Assets"}));
    EXPECT_EQ(defaults.serialized(), UserDefaults().serialized()); // showing wrote nothing

    view.choosePosition(3);
    view.chooseDefaultTab(2);
    view.choosePosition(9); // out of range: ignored
    EXPECT_EQ(settings.panelPosition(), PanelPosition::BottomLeft);
    EXPECT_EQ(view.positionIndex(), 3);
    EXPECT_EQ(settings.defaultTab(), NotchTab::Colors);
    EXPECT_EQ(view.defaultTabIndex(), 2);

    view.chooseLaunchAtLogin(false);
    EXPECT_FALSE(view.launchAtLogin());
    EXPECT_EQ(effects.login, std::vector<bool>{false});
}

// Blocked applications: a blank identifier or one already listed changes nothing; removing takes
// away every copy of an identifier; the monitor gets each change.
TEST_F(SettingsViewModelTest, BlockedApplicationsRefuseBlanksAndDuplicates)
{
    QAbstractItemModelTester tester(view.blockedApps());
    EXPECT_TRUE(view.addBlockedApp(QStringLiteral("KeePassXC")));
    EXPECT_FALSE(view.addBlockedApp(QStringLiteral("KeePassXC")));
    EXPECT_FALSE(view.addBlockedApp(QStringLiteral("  ")));
    EXPECT_TRUE(view.addBlockedApp(QStringLiteral("Bitwarden")));
    EXPECT_EQ(settings.blockedBundleIDs(), (std::vector<std::string>{"KeePassXC", "Bitwarden"}));
    EXPECT_EQ(effects.blocked, (std::set<std::string>{"KeePassXC", "Bitwarden"}));
    ASSERT_EQ(view.blockedApps()->rowCount(), 2);
    EXPECT_EQ(view.blockedApps()->index(1).data(BlockedAppsModel::IdentifierRole), QStringLiteral("Bitwarden"));

    settings.setBlockedBundleIDs({"a", "KeePassXC", "a"});
    view.removeBlockedApp(QStringLiteral("a"));
    EXPECT_EQ(settings.blockedBundleIDs(), std::vector<std::string>{"KeePassXC"});
    EXPECT_EQ(view.blockedApps()->rowCount(), 1);
}

// "Añadir" stays disabled while either field is blank once trimmed; adding hands both texts as
// typed to the store and empties the fields.
TEST_F(SettingsViewModelTest, SnippetFieldsEnableAddingOnlyWhenBothHoldText)
{
    QAbstractItemModelTester tester(view.snippets());
    const struct {
        const char* shortcut;
        const char* content;
        bool enabled;
    } cases[] = {{"", "", false}, {"   ", "hola", false}, {"x", " \t", false}, {"firma", "Un saludo", true}};
    for (const auto& c : cases) {
        view.setNewShortcut(QString::fromUtf8(c.shortcut));
        view.setNewContent(QString::fromUtf8(c.content));
        EXPECT_EQ(view.canAddSnippet(), c.enabled) << c.shortcut << "|" << c.content;
    }
    view.setNewShortcut(QStringLiteral("   "));
    view.addSnippet(); // disabled: nothing happens
    EXPECT_TRUE(store.snippets().empty());

    view.setNewShortcut(QStringLiteral("firma"));
    view.addSnippet();
    ASSERT_EQ(store.snippets().size(), 1u);
    EXPECT_EQ(store.snippets()[0].shortcut, ";firma");
    EXPECT_EQ(store.snippets()[0].content, "Un saludo");
    EXPECT_TRUE(view.newShortcut().isEmpty());
    EXPECT_TRUE(view.newContent().isEmpty());
    EXPECT_EQ(view.snippets()->index(0).data(SnippetListModel::ShortcutRole), QStringLiteral(";firma"));
    view.removeSnippet(0);
    EXPECT_TRUE(store.snippets().empty());
    EXPECT_EQ(view.snippets()->rowCount(), 0);
}

// The recorder takes the next chord, shows it in the desktop's notation and keeps it only when the
// desktop grants it; a taken chord is refused with a message naming it and the old one stays.
TEST_F(SettingsViewModelTest, RecorderCapturesAChordAndRefusesATakenOne)
{
    test::LogCapture log;
    KeyboardShortcuts shortcuts(defaults);
    shortcuts.ensureApplicationDefaults();
    struct Grabs final : ShortcutGrabs {
        explicit Grabs(KeyboardShortcuts& s) : shortcuts(s) {}
        GlobalHotkeys::GrabResult change(const ShortcutName& name, const Shortcut& s) override
        {
            EXPECT_FALSE(paused.back()); // the shortcuts are back before the new one is asked for
            asked.push_back(s);
            if (answer)
                shortcuts.setShortcut(name, s);
            return answer;
        }
        void setPaused(bool on) override { paused.push_back(on); }
        KeyboardShortcuts& shortcuts;
        std::vector<Shortcut> asked;
        std::vector<bool> paused;
        GlobalHotkeys::GrabResult answer{true, 0};
    } grabs(shortcuts);
    auto& asked = grabs.asked;
    auto& paused = grabs.paused;
    auto& answer = grabs.answer;
    ShortcutRecorder recorder(shortcuts, shortcutNames::togglePanel(), &grabs);
    EXPECT_EQ(recorder.text(), QStringLiteral("Ctrl+Super+V"));
    EXPECT_FALSE(recorder.keyPressed(Qt::Key_B, Qt::ControlModifier)); // not recording

    recorder.startRecording();
    EXPECT_TRUE(recorder.keyPressed(Qt::Key_Control, Qt::ControlModifier)); // a lone modifier waits
    EXPECT_TRUE(recorder.recording());
    EXPECT_TRUE(recorder.keyPressed(Qt::Key_B, Qt::ShiftModifier)); // no Ctrl, Alt or Super
    EXPECT_TRUE(recorder.recording());
    EXPECT_FALSE(recorder.message().isEmpty());
    recorder.keyPressed(Qt::Key_B, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_FALSE(recorder.recording());
    EXPECT_EQ(recorder.text(), QStringLiteral("Ctrl+Alt+B"));
    EXPECT_TRUE(recorder.message().isEmpty());
    EXPECT_EQ(asked, (std::vector<Shortcut>{{11, shortcutModifier::control | shortcutModifier::option}}));
    EXPECT_EQ(paused, (std::vector<bool>{true, false}));

    answer = {false, 10};
    recorder.startRecording();
    recorder.keyPressed(Qt::Key_F5, Qt::MetaModifier);
    EXPECT_EQ(recorder.text(), QStringLiteral("Ctrl+Alt+B"));
    EXPECT_EQ(recorder.message(), QStringLiteral("Super+F5 ya lo usa otro programa; se mantiene el atajo anterior"));
    answer = {false, GlobalHotkeys::statusDuplicate};
    recorder.startRecording();
    recorder.keyPressed(Qt::Key_N, Qt::ControlModifier | Qt::MetaModifier);
    EXPECT_EQ(recorder.message(), QStringLiteral("Ctrl+Super+N ya es otro atajo de Brisa; se mantiene el atajo anterior"));

    recorder.startRecording();
    recorder.keyPressed(Qt::Key_Escape, Qt::NoModifier);
    EXPECT_FALSE(recorder.recording());
    EXPECT_EQ(asked.size(), 3u);
    recorder.clear();
    EXPECT_TRUE(recorder.text().isEmpty());

    // A session without global shortcuts stores the chord, grabs nothing, and says so throughout.
    ShortcutRecorder storing(shortcuts, shortcutNames::quickNote(), nullptr);
    EXPECT_EQ(storing.message(), QString::fromUtf8(ShortcutRecorder::kNoGlobalShortcuts));
    storing.startRecording();
    storing.keyPressed(Qt::Key_J, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(storing.text(), QStringLiteral("Ctrl+Alt+J"));
    EXPECT_EQ(storing.message(), QString::fromUtf8(ShortcutRecorder::kNoGlobalShortcuts));
}

// The picker lists entries and unmatched open windows by name; an entry's identifier is its
// StartupWMClass, else the class of its open window, else none.
TEST(ApplicationPickerModelTest, IdentifiersAreWhatTheMonitorRecords)
{
    test::TempDir dir;
    const auto write = [&](const char* id, const char* body) {
        std::ofstream(dir / (std::string(id) + ".desktop")) << "[Desktop Entry]\nType=Application\n" << body;
    };
    write("org.keepassxc.KeePassXC", "Name=KeePassXC\nStartupWMClass=KeePassXC\n");
    write("gedit", "Name=Editor de texto\n");
    write("zeal", "Name=Zeal\n");
    const auto apps = ApplicationPickerModel::collect(DesktopEntries::scan({dir.path()}), {"Gedit", "XTerm"});
    ASSERT_EQ(apps.size(), 4u);
    EXPECT_EQ(apps[0].name, "Editor de texto");
    EXPECT_EQ(apps[0].identifier, "Gedit");
    EXPECT_EQ(apps[1].identifier, "KeePassXC");
    EXPECT_EQ(apps[2].name, "XTerm");
    EXPECT_EQ(apps[2].identifier, "XTerm");
    EXPECT_EQ(apps[3].name, "Zeal");
    EXPECT_EQ(apps[3].identifier, ""); // no way to tell its windows apart yet

    test::guiApp();
    struct OpenWindows final : FrontmostApplication {
        std::optional<SourceApp> frontmost() override { return std::nullopt; }
        std::vector<std::string> openApplications() override { return {"Gedit"}; }
    } windows;
    ApplicationPickerModel model({dir.path()}, &windows);
    QAbstractItemModelTester tester(&model);
    model.refresh();
    EXPECT_EQ(model.rowCount(), 3);
    model.setFilter(QStringLiteral("KEEPASS"));
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.identifierAt(0), QStringLiteral("KeePassXC"));
    model.setFilter(QStringLiteral("zeal"));
    EXPECT_EQ(model.identifierAt(0), QString()); // chosen, it adds nothing
    // The launcher picks entries by their file instead, which every installed application has.
    EXPECT_EQ(model.desktopFileAt(0), QString::fromStdString((dir / "zeal.desktop").string()));
    EXPECT_EQ(model.desktopFileAt(5), QString());
}

// "Borrar historial…" is offered only with both hooks; the question counts the clips at that
// moment, and confirming clears once.
TEST_F(SettingsViewModelTest, ClearingTheHistoryAsksWithTheCount)
{
    EXPECT_FALSE(view.canClearHistory());
    struct History final : SettingsViewModel::HistoryClearing {
        std::int64_t countUnpinned() override { return unpinned; }
        void clearUnpinned() override { ++cleared; }
        std::int64_t unpinned = 12;
        int cleared = 0;
    } history;
    auto& [unpinned, cleared] = history;
    view.setHistoryClearing(&history);
    EXPECT_TRUE(view.canClearHistory());
    EXPECT_EQ(view.clearHistoryQuestion(),
              QStringLiteral("¿Borrar 12 clips del historial? Los clips fijados se conservan. No se puede deshacer."));
    unpinned = 1;
    EXPECT_TRUE(view.clearHistoryQuestion().startsWith(QStringLiteral("¿Borrar 1 clip del historial?")));
    view.clearHistory();
    EXPECT_EQ(cleared, 1);
}

// The General tab shows every row at once in the fixed 480×360 window, with "Borrar historial…"
// offered and a refused shortcut's message under the recorder: nothing to scroll, and the login
// switch, the last row, whole above the bottom edge.
TEST_F(SettingsViewModelTest, TheGeneralTabFitsTheFixedWindow)
{
    KeyboardShortcuts shortcuts(defaults);
    shortcuts.ensureApplicationDefaults();
    struct Refusing final : ShortcutGrabs {
        GlobalHotkeys::GrabResult change(const ShortcutName&, const Shortcut&) override { return {false, 10}; }
        void setPaused(bool) override {}
    } grabs;
    struct History final : SettingsViewModel::HistoryClearing {
        std::int64_t countUnpinned() override { return 3; }
        void clearUnpinned() override {}
    } history;
    auto* recorder = new ShortcutRecorder(shortcuts, shortcutNames::togglePanel(), &grabs);
    SettingsViewModel model{settings, store, nullptr, recorder};
    model.setHistoryClearing(&history);
    recorder->startRecording();
    recorder->keyPressed(Qt::Key_F5, Qt::MetaModifier);
    ASSERT_FALSE(recorder->message().isEmpty());

    QQuickView window;
    window.engine()->addImageProvider(QString::fromLatin1(SymbolImageProvider::kProviderId), new SymbolImageProvider());
    window.setInitialProperties({{QStringLiteral("settings"), QVariant::fromValue<QObject*>(&model)}});
    window.setResizeMode(QQuickView::SizeRootObjectToView);
    window.setSource(QUrl(QStringLiteral("qrc:/qt/qml/Brisa/Ui/qml/SettingsWindow.qml")));
    ASSERT_EQ(window.status(), QQuickView::Ready);
    window.resize(480, 360);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    auto* tab = window.rootObject()->findChild<QQuickItem*>(QStringLiteral("generalTab"));
    auto* login = window.rootObject()->findChild<QQuickItem*>(QStringLiteral("launchAtLogin"));
    auto* clear = window.rootObject()->findChild<QQuickItem*>(QStringLiteral("clearHistory"));
    ASSERT_TRUE(tab && login && clear);
    EXPECT_TRUE(clear->isVisible());
    EXPECT_LE(tab->property("contentHeight").toReal(), tab->property("availableHeight").toReal());
    EXPECT_LE(login->mapRectToScene(login->boundingRect()).bottom(), window.height());
}
