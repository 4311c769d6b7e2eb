// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stores/SpaceStore.h"
#include "fakes/TempDir.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

using namespace brisa;
using nlohmann::json;

namespace {

std::vector<std::string> names(const SpaceStore& store)
{
    std::vector<std::string> out;
    for (const auto& s : store.spaces())
        out.push_back(s.name);
    return out;
}

json storedArray(const UserDefaults& defaults)
{
    auto v = defaults.value("clipSpaces");
    return v && v->is_string() ? json::parse(v->get<std::string>()) : json();
}

} // namespace

TEST(SpaceStore, AddTrimsBlanksAndTabsButNotLineBreaks)
{
    UserDefaults defaults;
    SpaceStore store(defaults);
    store.add("  \tTrabajo \t", "folder");
    store.add("\xC2\xA0" "Casa" "\xE3\x80\x80", "folder"); // no-break and ideographic spaces
    store.add("Notas\n", "folder");
    EXPECT_EQ(names(store), (std::vector<std::string>{"Trabajo", "Casa", "Notas\n"}));
    EXPECT_EQ(store.spaces()[0].symbol, "folder");
}

TEST(SpaceStore, StartsEmptyAndIgnoresBlankAndDuplicateNamesButNotOtherLetterCase)
{
    UserDefaults defaults;
    SpaceStore store(defaults);
    EXPECT_TRUE(store.spaces().empty());
    EXPECT_FALSE(defaults.contains("clipSpaces")) << "nothing written until something changes";
    int changes = 0;
    store.onChanged([&] { ++changes; });
    store.add("Trabajo", "folder");
    store.add(" Trabajo ", "star");
    store.add(" \t ", "folder");
    store.add("", "folder");
    store.add("trabajo", "folder");
    EXPECT_EQ(names(store), (std::vector<std::string>{"Trabajo", "trabajo"}));
    EXPECT_EQ(store.spaces()[0].symbol, "folder");
    EXPECT_EQ(changes, 2);
}

TEST(SpaceStore, PersistedFormIsAnArrayWithUpperCaseIds)
{
    UserDefaults defaults;
    SpaceStore store(defaults);
    store.add("Trabajo", "folder");
    const auto id = store.spaces()[0].id.toString();
    EXPECT_EQ(storedArray(defaults), json::array({{{"id", id}, {"name", "Trabajo"}, {"symbol", "folder"}}}));
    EXPECT_EQ(id.find_first_of("abcdef"), std::string::npos);
}

TEST(SpaceStore, RemoveKeepsTheOrderOfTheRestAndSaves)
{
    UserDefaults defaults;
    SpaceStore store(defaults);
    for (auto n : {"A", "B", "C"})
        store.add(n, "folder");
    auto b = store.spaces()[1];
    store.remove(b);
    EXPECT_EQ(names(store), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(storedArray(defaults).size(), 2u);
    store.remove(b); // no longer there: nothing changes
    EXPECT_EQ(names(store), (std::vector<std::string>{"A", "C"}));
}

TEST(SpaceStore, SurvivesReloadFromFile)
{
    test::TempDir dir;
    test::VirtualScheduler clock;
    auto file = dir / "defaults.json";
    std::vector<ClipSpace> before;
    {
        UserDefaults defaults(file, clock);
        SpaceStore store(defaults);
        store.add("Trabajo", "folder");
        store.add("Recetas ñ", "book");
        before = store.spaces();
    }
    UserDefaults defaults(file, clock);
    SpaceStore store(defaults);
    EXPECT_EQ(store.spaces(), before);
}

TEST(SpaceStore, UnreadableValueGivesEmptyListAndNextAddOverwritesIt)
{
    const std::vector<json> bad{
        json("not json"),
        json("{\"id\": 1}"),
        json("[{\"id\":\"E621E1F8-C36C-495A-93FC-0C247A3E6E5F\",\"name\":\"A\"}]"),
        json("[{\"id\":\"nope\",\"name\":\"A\",\"symbol\":\"folder\"}]"),
        json("[{\"id\":\"E621E1F8-C36C-495A-93FC-0C247A3E6E5F\",\"name\":2,\"symbol\":\"folder\"}]"),
        json("[1]"),
        json::array(), // raw JSON rather than the JSON text of it
        json(42),
    };
    for (const auto& value : bad) {
        UserDefaults defaults;
        defaults.set("clipSpaces", value);
        SpaceStore store(defaults);
        EXPECT_TRUE(store.spaces().empty()) << value.dump();
        EXPECT_EQ(defaults.value("clipSpaces"), value) << "loading must not write";
        store.add("Nueva", "folder");
        EXPECT_EQ(storedArray(defaults).size(), 1u) << value.dump();
    }
}

TEST(SpaceStore, ReadsLowerCaseIdsAndExtraKeys)
{
    UserDefaults defaults;
    defaults.set("clipSpaces",
                 R"([{"id":"e621e1f8-c36c-495a-93fc-0c247a3e6e5f","name":"A","symbol":"folder","x":1}])");
    SpaceStore store(defaults);
    ASSERT_EQ(store.spaces().size(), 1u);
    EXPECT_EQ(store.spaces()[0].id.toString(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
}

TEST(SpaceStore, InvalidUtf8NameIsRepairedSoThatItPersists)
{
    UserDefaults defaults;
    SpaceStore store(defaults);
    store.add("Caf\xE9", "folder");
    ASSERT_EQ(store.spaces().size(), 1u);
    EXPECT_EQ(store.spaces()[0].name, "Caf\xEF\xBF\xBD");
    SpaceStore again(defaults);
    EXPECT_EQ(again.spaces(), store.spaces());
}
