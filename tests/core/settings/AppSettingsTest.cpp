// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/AppSettings.h"
#include "fakes/TempDir.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <limits>

using namespace brisa;
using nlohmann::json;
using Field = AppSettings::Field;

namespace {

// Records every effect as one line, in order.
struct HookLog final : SettingsEffects {
    std::vector<std::string> calls;
    SettingsEffects* hooks() { return this; }

    void setHistoryLimit(std::int64_t v) override { calls.push_back("historyLimit " + std::to_string(v)); }
    void setAutoDeleteDays(std::int64_t v) override { calls.push_back("autoDeleteDays " + std::to_string(v)); }
    void setBlockedBundleIDs(const std::set<std::string>& ids) override
    {
        std::string line = "blocked";
        for (const auto& id : ids)
            line += " " + id;
        calls.push_back(line);
    }
    void setLaunchAtLogin(bool v) override { calls.push_back(v ? "login on" : "login off"); }
    void applyPositionChange() override { calls.push_back("position"); }
};

void expectDefaults(const AppSettings& s, const std::vector<std::string>& blocked = {})
{
    EXPECT_EQ(s.historyLimit(), 100);
    EXPECT_TRUE(s.launchAtLogin());
    EXPECT_EQ(s.blockedBundleIDs(), blocked);
    EXPECT_EQ(s.theme(), AppTheme::Dark);
    EXPECT_EQ(s.notchActivation(), NotchActivation::Hover);
    EXPECT_EQ(s.autoDeleteDays(), 0);
    EXPECT_EQ(s.libraryViewMode(), LibraryViewMode::Card);
    EXPECT_EQ(s.panelPosition(), PanelPosition::TopCenter);
    EXPECT_EQ(s.panelScale(), 1.0);
    EXPECT_EQ(s.defaultTab(), NotchTab::History);
}

} // namespace

TEST(SettingsEnums, RawValuesLabelsAndOrder)
{
    std::vector<std::string> themes, activations, modes, positions;
    for (auto t : allAppThemes)
        themes.push_back(std::string(rawValue(t)) + "=" + std::string(label(t)));
    for (auto a : allNotchActivations)
        activations.push_back(std::string(rawValue(a)) + "=" + std::string(label(a)));
    for (auto m : allLibraryViewModes)
        modes.push_back(std::string(rawValue(m)) + "=" + std::string(label(m)) + "=" + std::string(symbol(m)));
    for (auto p : allPanelPositions)
        positions.push_back(std::string(rawValue(p)) + "=" + std::string(label(p)));
    EXPECT_EQ(themes, (std::vector<std::string>{"dark=Oscuro", "light=Claro", "liquidGlass=Liquid Glass"}));
    EXPECT_EQ(activations, (std::vector<std::string>{"hover=Al posar (hover)", "click=Con clic",
                                                     "longHover=Hover prolongado (3 s)"}));
    EXPECT_EQ(modes, (std::vector<std::string>{"card=Tarjetas=square.grid.2x2", "list=Lista=list.bullet",
                                               "board=Tablero=rectangle.split.3x1"}));
    EXPECT_EQ(positions, (std::vector<std::string>{"topCenter=Arriba, centro (notch)", "topLeft=Arriba, izquierda",
                                                   "topRight=Arriba, derecha", "bottomLeft=Abajo, izquierda",
                                                   "bottomRight=Abajo, derecha"}));
}

TEST(SettingsEnums, FromRawIsExactAndCaseSensitive)
{
    for (auto t : allAppThemes)
        EXPECT_EQ(appThemeFromRaw(rawValue(t)), t);
    for (auto a : allNotchActivations)
        EXPECT_EQ(notchActivationFromRaw(rawValue(a)), a);
    for (auto m : allLibraryViewModes)
        EXPECT_EQ(libraryViewModeFromRaw(rawValue(m)), m);
    for (auto p : allPanelPositions)
        EXPECT_EQ(panelPositionFromRaw(rawValue(p)), p);
    EXPECT_EQ(appThemeFromRaw("Dark"), std::nullopt);
    EXPECT_EQ(appThemeFromRaw("liquidglass"), std::nullopt);
    EXPECT_EQ(panelPositionFromRaw(" topLeft"), std::nullopt);
    EXPECT_EQ(notchActivationFromRaw(""), std::nullopt);
}

TEST(AppSettings, EmptyStoreGivesDefaultsAndWritesOnlyTheBlockedList)
{
    test::TempDir dir;
    test::VirtualScheduler clock;
    UserDefaults defaults(dir / "defaults.json", clock);
    HookLog log;
    AppSettings settings(defaults, log.hooks());
    expectDefaults(settings, AppSettings::defaultBlockedBundleIDs());
    const UserDefaults written(dir / "defaults.json", clock);
    EXPECT_EQ(written.value("blockedBundleIDs"), json(AppSettings::defaultBlockedBundleIDs()));
    EXPECT_EQ(json::parse(written.serialized()).size(), 1u) << "nothing else is written";
    EXPECT_TRUE(log.calls.empty());

    UserDefaults memory; // no file: nothing to start, nothing written
    expectDefaults(AppSettings(memory));
}

TEST(AppSettings, UnreadableValuesLoadAsDefaults)
{
    const std::vector<std::pair<std::string, json>> cases{
        {"historyLimit", "500"},
        {"historyLimit", 3.0},
        {"historyLimit", true},
        {"historyLimit", std::numeric_limits<std::uint64_t>::max()},
        {"launchAtLogin", 0},
        {"launchAtLogin", "false"},
        {"blockedBundleIDs", json::array({"org.a", 1})},
        {"blockedBundleIDs", "org.a"},
        {"appTheme", "Light"},
        {"appTheme", "sepia"},
        {"theme", "light"}, // the theme lives under "appTheme"
        {"notchActivation", json::array()},
        {"autoDeleteDays", nullptr},
        {"libraryViewMode", "BOARD"},
        {"panelPosition", "middle"},
        {"panelScale", "1.2"},
        {"defaultTab", "colors"},
    };
    for (const auto& [key, value] : cases) {
        UserDefaults defaults;
        defaults.set(key, value);
        AppSettings settings(defaults);
        SCOPED_TRACE(key + " = " + value.dump());
        expectDefaults(settings);
    }
}

TEST(AppSettings, StoredValuesLoad)
{
    UserDefaults defaults;
    defaults.set("historyLimit", 0);
    defaults.set("launchAtLogin", false);
    defaults.set("blockedBundleIDs", json::array({"org.keepassxc.KeePassXC", "org.a", "org.a"}));
    defaults.set("appTheme", "liquidGlass");
    defaults.set("notchActivation", "longHover");
    defaults.set("autoDeleteDays", 30);
    defaults.set("libraryViewMode", "board");
    defaults.set("panelPosition", "bottomRight");
    defaults.set("panelScale", 1); // an integer is a valid scale
    defaults.set("defaultTab", "Colors");
    AppSettings s(defaults);
    EXPECT_EQ(s.historyLimit(), 0);
    EXPECT_FALSE(s.launchAtLogin());
    EXPECT_EQ(s.blockedBundleIDs(), (std::vector<std::string>{"org.keepassxc.KeePassXC", "org.a", "org.a"}));
    EXPECT_EQ(s.theme(), AppTheme::LiquidGlass);
    EXPECT_EQ(s.notchActivation(), NotchActivation::LongHover);
    EXPECT_EQ(s.autoDeleteDays(), 30);
    EXPECT_EQ(s.libraryViewMode(), LibraryViewMode::Board);
    EXPECT_EQ(s.panelPosition(), PanelPosition::BottomRight);
    EXPECT_EQ(s.panelScale(), 1.0);
    EXPECT_EQ(s.defaultTab(), NotchTab::Colors);
}

TEST(AppSettings, EverySetterPersistsUnderItsKeyAndNotifies)
{
    UserDefaults defaults;
    AppSettings s(defaults);
    std::vector<Field> changes;
    s.onChanged([&](Field f) { changes.push_back(f); });

    s.setHistoryLimit(2500);
    s.setLaunchAtLogin(false);
    s.setBlockedBundleIDs({"org.a", "org.b"});
    s.setTheme(AppTheme::Light);
    s.setNotchActivation(NotchActivation::Click);
    s.setAutoDeleteDays(7);
    s.setLibraryViewMode(LibraryViewMode::List);
    s.setPanelPosition(PanelPosition::TopLeft);
    s.setPanelScale(0.85);
    s.setDefaultTab(NotchTab::Assets);

    EXPECT_EQ(defaults.value("historyLimit"), json(2500));
    EXPECT_EQ(defaults.value("launchAtLogin"), json(false));
    EXPECT_EQ(defaults.value("blockedBundleIDs"), json::array({"org.a", "org.b"}));
    EXPECT_EQ(defaults.value("appTheme"), json("light"));
    EXPECT_EQ(defaults.value("notchActivation"), json("click"));
    EXPECT_EQ(defaults.value("autoDeleteDays"), json(7));
    EXPECT_EQ(defaults.value("libraryViewMode"), json("list"));
    EXPECT_EQ(defaults.value("panelPosition"), json("topLeft"));
    EXPECT_EQ(defaults.value("panelScale"), json(0.85));
    EXPECT_EQ(defaults.value("defaultTab"), json("Assets"));
    EXPECT_FALSE(defaults.contains("theme"));
    EXPECT_EQ(changes, (std::vector<Field>{Field::HistoryLimit, Field::LaunchAtLogin, Field::BlockedBundleIDs,
                                           Field::Theme, Field::NotchActivation, Field::AutoDeleteDays,
                                           Field::LibraryViewMode, Field::PanelPosition, Field::PanelScale,
                                           Field::DefaultTab}));
}

TEST(AppSettings, SettersRunTheirHooksEvenForAnEqualValue)
{
    UserDefaults defaults;
    HookLog log;
    AppSettings s(defaults, log.hooks());
    int notified = 0;
    s.onChanged([&](Field) { ++notified; });

    s.setPanelPosition(PanelPosition::TopCenter);
    s.setPanelPosition(PanelPosition::TopCenter);
    s.setPanelScale(1.0);
    s.setHistoryLimit(0);
    s.setAutoDeleteDays(0);
    s.setLaunchAtLogin(true);
    s.setBlockedBundleIDs({"org.b", "org.a", "org.b"});
    s.setTheme(AppTheme::Dark); // no hook beyond persistence

    EXPECT_EQ(log.calls, (std::vector<std::string>{"position", "position", "position", "historyLimit 0",
                                                   "autoDeleteDays 0", "login on", "blocked org.a org.b"}));
    EXPECT_EQ(defaults.value("panelPosition"), json("topCenter"));
    EXPECT_EQ(defaults.value("blockedBundleIDs"), json::array({"org.b", "org.a", "org.b"}));
    EXPECT_EQ(s.blockedBundleIDs(), (std::vector<std::string>{"org.b", "org.a", "org.b"}));
    EXPECT_EQ(notified, 8);
}

TEST(AppSettings, AnEffectSeesTheStoredValue)
{
    struct Peek final : SettingsEffects {
        explicit Peek(UserDefaults& defaults) : defaults(defaults) {}
        void setHistoryLimit(std::int64_t) override
        {
            storedWhenCalled = defaults.value("historyLimit");
            readWhenCalled = settings->historyLimit();
        }
        UserDefaults& defaults;
        AppSettings* settings = nullptr;
        std::optional<json> storedWhenCalled;
        std::int64_t readWhenCalled = -1;
    };
    UserDefaults defaults;
    Peek peek(defaults);
    AppSettings s(defaults, &peek);
    peek.settings = &s;
    s.setHistoryLimit(300);
    EXPECT_EQ(peek.storedWhenCalled, json(300));
    EXPECT_EQ(peek.readWhenCalled, 300);
}

TEST(AppSettings, ApplyPushesCopiesInOrderWithoutWriting)
{
    UserDefaults defaults;
    defaults.set("historyLimit", 50);
    defaults.set("blockedBundleIDs", json::array({"org.z", "org.a", "org.z"}));
    defaults.set("autoDeleteDays", 10);
    const auto before = defaults.serialized();
    HookLog log;
    AppSettings s(defaults, log.hooks());
    s.apply();
    EXPECT_EQ(log.calls,
              (std::vector<std::string>{"historyLimit 50", "blocked org.a org.z", "autoDeleteDays 10", "login on"}));
    EXPECT_EQ(defaults.serialized(), before);
}

TEST(AppSettings, WithoutEffectsTheValuesAreOnlyStored)
{
    UserDefaults defaults;
    AppSettings s(defaults);
    s.apply();
    s.setPanelPosition(PanelPosition::BottomLeft);
    s.setBlockedBundleIDs({"org.a"});
    EXPECT_EQ(s.panelPosition(), PanelPosition::BottomLeft);
}

TEST(AppSettings, NonFiniteScaleIsRefused)
{
    UserDefaults defaults;
    HookLog log;
    AppSettings s(defaults, log.hooks());
    s.setPanelScale(std::numeric_limits<double>::quiet_NaN());
    s.setPanelScale(std::numeric_limits<double>::infinity());
    EXPECT_EQ(s.panelScale(), 1.0);
    EXPECT_FALSE(defaults.contains("panelScale"));
    EXPECT_TRUE(log.calls.empty());
}

TEST(AppSettings, NumbersOutsideTheirControlsRangeAreClamped)
{
    struct Case {
        std::string key;
        json stored;
        std::int64_t historyLimit = 100;
        std::int64_t autoDeleteDays = 0;
        double panelScale = 1.0;
    };
    const std::vector<Case> cases{
        {"panelScale", 100, 100, 0, 1.3},
        {"panelScale", 1e308, 100, 0, 1.3},
        {"panelScale", 0.01, 100, 0, 0.7},
        {"panelScale", -4, 100, 0, 0.7},
        {"historyLimit", 1'000'000'000'000, 100000, 0, 1.0},
        {"historyLimit", -5, 0, 0, 1.0},
        {"autoDeleteDays", 100000, 100, 365, 1.0},
        {"autoDeleteDays", -1, 100, 0, 1.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key + " = " + c.stored.dump());
        UserDefaults defaults;
        defaults.set(c.key, c.stored);
        AppSettings loaded(defaults);
        EXPECT_EQ(loaded.historyLimit(), c.historyLimit);
        EXPECT_EQ(loaded.autoDeleteDays(), c.autoDeleteDays);
        EXPECT_EQ(loaded.panelScale(), c.panelScale);

        // The same value assigned is clamped the same way, and stored clamped.
        UserDefaults fresh;
        AppSettings assigned(fresh);
        if (c.key == "panelScale")
            assigned.setPanelScale(c.stored.get<double>());
        else if (c.key == "historyLimit")
            assigned.setHistoryLimit(c.stored.get<std::int64_t>());
        else
            assigned.setAutoDeleteDays(c.stored.get<std::int64_t>());
        EXPECT_EQ(assigned.historyLimit(), c.historyLimit);
        EXPECT_EQ(assigned.autoDeleteDays(), c.autoDeleteDays);
        EXPECT_EQ(assigned.panelScale(), c.panelScale);
        EXPECT_EQ(AppSettings(fresh).panelScale(), c.panelScale);
        EXPECT_EQ(fresh.value(c.key)->get<double>(), c.key == "panelScale" ? c.panelScale
                                                     : c.key == "historyLimit" ? double(c.historyLimit)
                                                                               : double(c.autoDeleteDays));
    }
}

TEST(AppSettings, ANewSettingsFileStartsWithThePasswordManagersBlockedAndAnExistingOneKeepsItsList)
{
    struct Case {
        const char* name;
        const char* fileText; ///< nullptr: no file
        std::vector<std::string> expected;
    };
    const auto& managers = AppSettings::defaultBlockedBundleIDs();
    for (const auto& c : std::vector<Case>{
             {"no file", nullptr, managers},
             {"a damaged file moved aside", "{no es json", managers},
             {"an existing file without the key", R"({"historyLimit": 5})", {}},
             {"an existing file with the list emptied", R"({"blockedBundleIDs": []})", {}},
             {"an existing file with its own list", R"({"blockedBundleIDs": ["MiApp"]})", {"MiApp"}},
         }) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        test::VirtualScheduler clock;
        const auto file = dir / "defaults.json";
        if (c.fileText)
            std::ofstream(file) << c.fileText;
        {
            UserDefaults defaults(file, clock);
            AppSettings s(defaults);
            EXPECT_EQ(s.blockedBundleIDs(), c.expected);
        }
        // What the user removed stays removed: the next start reads the file as it was left.
        UserDefaults again(file, clock);
        AppSettings reloaded(again);
        EXPECT_EQ(reloaded.blockedBundleIDs(), c.expected);
        reloaded.setBlockedBundleIDs({});
        UserDefaults third(file, clock);
        EXPECT_TRUE(AppSettings(third).blockedBundleIDs().empty());
    }
    for (const char* id : {"KeePassXC", "Bitwarden", "1Password", "Enpass", "Proton Pass", "secrets", "kwalletmanager5",
                           "Seahorse"})
        EXPECT_NE(std::find(managers.begin(), managers.end(), id), managers.end()) << id;
}
