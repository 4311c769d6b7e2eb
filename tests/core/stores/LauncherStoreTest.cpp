// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stores/LauncherStore.h"
#include "core/support/AtomicFile.h"
#include "fakes/LogCapture.h"
#include "fakes/TempDir.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

using namespace brisa;
using nlohmann::json;

namespace {

json storedArray(const UserDefaults& defaults)
{
    auto v = defaults.value("launcherApps");
    return v && v->is_string() ? json::parse(v->get<std::string>()) : json();
}

/// A tile with a command rather than a path, as no add() makes it.
LauncherApp commandTile()
{
    LauncherApp app;
    app.name = "Terminal";
    app.command = "x-terminal-emulator";
    app.appNameForIcon = "utilities-terminal";
    app.symbol = "terminal";
    app.tint = TileTint::SystemOrange;
    return app;
}

} // namespace

TEST(LauncherStore, EmptyDefaultsGiveTheEmptySeedListAndWriteNothing)
{
    UserDefaults defaults;
    LauncherStore store(defaults);
    EXPECT_TRUE(LauncherStore::seedList().empty()); // no tile names a program this desktop may lack
    EXPECT_TRUE(store.apps().empty());
    EXPECT_TRUE(store.seeded());
    EXPECT_EQ(store.tileCount(), 1u); // the add tile alone
    EXPECT_FALSE(defaults.contains("launcherApps"));
}

TEST(LauncherStore, AddNamesTheTileAfterTheFile)
{
    test::TempDir dir;
    ASSERT_FALSE(writeFileAtomically(dir / "org.gnome.Calc.desktop",
                                     "# comentario\n[Desktop Entry]\nType=Application\nName[es]=Calculadora\n"
                                     "Name = Calculator\\sPro \nExec=calc\n[Desktop Action x]\nName=Otro\n"));
    ASSERT_FALSE(writeFileAtomically(dir / "Nameless.app.desktop", "[Desktop Entry]\nExec=x\n"));
    ASSERT_FALSE(writeFileAtomically(dir / "Other.desktop", "[Desktop Action x]\nName=Otro\n"));
    struct Case {
        std::string path, name;
    };
    for (const auto& c : std::vector<Case>{
             {(dir / "org.gnome.Calc.desktop").string(), "Calculator Pro"},
             {(dir / "Nameless.app.desktop").string(), "Nameless"},
             {(dir / "Other.desktop").string(), "Other"},
             {(dir / "Missing.desktop").string(), "Missing"},
             {"/usr/bin/firefox-esr", "firefox-esr"},
             {"/opt/Foo.app", "Foo"},
             {"/opt/My.app.appx.app/", "Myx"},
             {"/opt/x..appapp", "x.app"},
         }) {
        UserDefaults defaults;
        defaults.set("launcherApps", "[]");
        LauncherStore store(defaults);
        store.add(c.path);
        ASSERT_EQ(store.apps().size(), 1u) << c.path;
        const auto& app = store.apps()[0];
        EXPECT_EQ(app.name, c.name) << c.path;
        EXPECT_EQ(app.bundlePath, std::optional(c.path));
        EXPECT_EQ(app.command, "");
        EXPECT_EQ(app.appNameForIcon, std::nullopt);
        EXPECT_EQ(app.symbol, "app.dashed");
        EXPECT_EQ(app.tint, TileTint::SystemBlue);
    }
}

TEST(LauncherStore, AddingTheSamePathTwiceLeavesOneTile)
{
    UserDefaults defaults;
    LauncherStore store(defaults);
    int changes = 0;
    store.onChanged([&] { ++changes; });
    store.add("/usr/bin/gimp");
    store.add("/usr/bin/gimp");
    EXPECT_EQ(store.apps().size(), 1u);
    EXPECT_EQ(changes, 1);
}

TEST(LauncherStore, AddStopsAtSixTilesItemByItem)
{
    UserDefaults defaults;
    LauncherStore store(defaults);
    for (auto p : {"/usr/bin/a", "/usr/bin/b", "/usr/bin/c", "/usr/bin/d"})
        store.add(p);
    ASSERT_EQ(store.apps().size(), 4u);
    for (auto p : {"/usr/bin/e", "/usr/bin/f", "/usr/bin/g"})
        store.add(p);
    ASSERT_EQ(store.apps().size(), 6u);
    EXPECT_EQ(store.apps()[4].name, "e");
    EXPECT_EQ(store.apps()[5].name, "f");
}

TEST(LauncherStore, TileCountLeavesRoomForTheAddTileBelowSix)
{
    UserDefaults defaults;
    defaults.set("launcherApps", "[]");
    LauncherStore store(defaults);
    std::vector<std::size_t> counts{store.tileCount()};
    for (int i = 0; i < 7; ++i) {
        store.add("/usr/bin/app" + std::to_string(i));
        counts.push_back(store.tileCount());
    }
    EXPECT_EQ(counts, (std::vector<std::size_t>{1, 2, 3, 4, 5, 6, 6, 6}));
}

TEST(LauncherStore, RemoveDropsTheTileAndSaves)
{
    UserDefaults defaults;
    LauncherStore store(defaults);
    store.add("/usr/bin/xterm");
    store.add("/usr/bin/gimp");
    store.remove(store.apps()[0]);
    ASSERT_EQ(store.apps().size(), 1u);
    EXPECT_EQ(store.apps()[0].name, "gimp");
    EXPECT_EQ(storedArray(defaults), json::parse(R"([{"name":"gimp","command":"","bundlePath":"/usr/bin/gimp",
                                                      "symbol":"app.dashed"}])"));
}

TEST(LauncherStore, SaveLeavesOutAbsentOptionalMembers)
{
    UserDefaults defaults;
    LauncherStore store(defaults);
    store.replaceSeed({commandTile()});
    store.save();
    EXPECT_EQ(storedArray(defaults), json::parse(R"([{"name":"Terminal","command":"x-terminal-emulator",
                                                      "appNameForIcon":"utilities-terminal","symbol":"terminal"}])"));
}

TEST(LauncherStore, DecodingFillsMissingMembersAndMakesFreshIds)
{
    UserDefaults defaults;
    defaults.set("launcherApps", R"([{"name":"A"},{"name":"B","command":"b","symbol":"star","bundlePath":null,
                                     "appNameForIcon":"Bee","tint":"red","id":"x"}])");
    LauncherStore store(defaults);
    ASSERT_EQ(store.apps().size(), 2u);
    EXPECT_EQ(store.apps()[0].command, "");
    EXPECT_EQ(store.apps()[0].symbol, "app.dashed");
    EXPECT_EQ(store.apps()[0].tint, TileTint::SystemBlue);
    EXPECT_EQ(store.apps()[1].command, "b");
    EXPECT_EQ(store.apps()[1].symbol, "star");
    EXPECT_EQ(store.apps()[1].bundlePath, std::nullopt);
    EXPECT_EQ(store.apps()[1].appNameForIcon, std::optional<std::string>("Bee"));
    EXPECT_NE(store.apps()[0].id, store.apps()[1].id);
    EXPECT_NE(LauncherStore(defaults).apps()[0].id, store.apps()[0].id);
}

TEST(LauncherStore, TheFuzzersSampleTilesLoadAsLinuxTiles)
{
    std::ifstream in(BRISA_TEST_DATA "/../../fuzz/corpus/StoredLists/launcher.json");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    UserDefaults defaults;
    defaults.set("launcherApps", text); // as Brisa writes it: the JSON text in a string
    LauncherStore store(defaults);
    ASSERT_EQ(store.apps().size(), 2u) << text;
    EXPECT_EQ(store.apps()[0].command, "firefox");
    EXPECT_EQ(store.apps()[1].bundlePath, std::optional<std::string>("/usr/bin/gimp"));
}

TEST(LauncherStore, UnreadableValueGivesTheSeedListWithoutWriting)
{
    const std::vector<json> bad{
        json(R"([{"command":"x"},{"name":"B"}])"),
        json(R"([{"name":"A","command":5}])"),
        json(R"([{"name":"A","bundlePath":[]}])"),
        json(R"([{"name":null}])"),
        json(R"({"name":"A"})"),
        json("[{"),
        json::parse(R"([{"name":"A"}])"), // raw JSON, not its text
        json(3.5),
    };
    for (const auto& value : bad) {
        UserDefaults defaults;
        defaults.set("launcherApps", value);
        LauncherStore store(defaults);
        EXPECT_TRUE(store.apps().empty()) << value.dump();
        EXPECT_TRUE(store.seeded()) << value.dump();
        EXPECT_EQ(defaults.value("launcherApps"), value);
    }
}

TEST(LauncherStore, EmptyStoredArrayIsKeptEmpty)
{
    UserDefaults defaults;
    defaults.set("launcherApps", "[]");
    LauncherStore store(defaults);
    EXPECT_FALSE(store.seeded()); // the user's own empty list, not the seed
    store.replaceSeed({commandTile()});
    EXPECT_TRUE(store.apps().empty());
}

TEST(LauncherStore, SurvivesReloadFromFile)
{
    test::TempDir dir;
    test::VirtualScheduler clock;
    auto file = dir / "defaults.json";
    {
        UserDefaults defaults(file, clock);
        LauncherStore store(defaults);
        store.replaceSeed({commandTile()});
        store.add("/usr/share/applications/gimp.desktop");
    }
    UserDefaults defaults(file, clock);
    LauncherStore store(defaults);
    EXPECT_FALSE(store.seeded());
    ASSERT_EQ(store.apps().size(), 2u);
    EXPECT_EQ(store.apps()[0].command, "x-terminal-emulator");
    EXPECT_EQ(store.apps()[0].tint, TileTint::SystemBlue); // read back: the tint is not persisted
    EXPECT_EQ(store.apps()[1].name, "gimp");
    EXPECT_EQ(store.apps()[1].bundlePath, std::optional<std::string>("/usr/share/applications/gimp.desktop"));
}

TEST(LauncherStore, RefusesPathsThatAreNotUtf8)
{
    test::LogCapture log;
    UserDefaults defaults;
    LauncherStore store(defaults);
    store.add("/opt/caf\xE9");
    store.add("");
    EXPECT_TRUE(store.apps().empty());
    EXPECT_FALSE(defaults.contains("launcherApps"));
    EXPECT_TRUE(log.contains("UTF-8"));
}

TEST(LauncherStore, TheSeedListGivesWayToThisDesktopsTilesOnlyWhileNothingIsStored)
{
    UserDefaults defaults;
    LauncherStore store(defaults);
    ASSERT_TRUE(store.seeded());
    LauncherApp browser;
    browser.name = "Firefox";
    browser.bundlePath = "/usr/share/applications/firefox-esr.desktop";
    int changes = 0;
    store.onChanged([&] { ++changes; });
    store.replaceSeed({browser});
    ASSERT_EQ(store.apps().size(), 1u);
    EXPECT_EQ(store.apps()[0].name, "Firefox");
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(defaults.contains("launcherApps")); // still not written

    store.add("/usr/bin/xterm"); // the user's own change: no more replacing
    EXPECT_FALSE(store.seeded());
    store.replaceSeed({});
    EXPECT_EQ(store.apps().size(), 2u);

    LauncherStore reloaded(defaults);
    EXPECT_FALSE(reloaded.seeded());
}
