// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stores/TextSnippetStore.h"
#include "fakes/TempDir.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

using namespace brisa;
using nlohmann::json;

namespace {

std::vector<std::string> shortcuts(const TextSnippetStore& store)
{
    std::vector<std::string> out;
    for (const auto& s : store.snippets())
        out.push_back(s.shortcut);
    return out;
}

json storedArray(const UserDefaults& defaults)
{
    auto v = defaults.value("textSnippets");
    return v && v->is_string() ? json::parse(v->get<std::string>()) : json();
}

} // namespace

TEST(TextSnippetStore, AddPutsASemicolonInFrontOnlyWhenMissing)
{
    struct Case {
        std::string given, stored;
    };
    for (const auto& c : std::vector<Case>{{"hola", ";hola"}, {";;x", ";;x"}, {" x", "; x"}, {"", ";"}}) {
        UserDefaults defaults;
        TextSnippetStore store(defaults);
        store.add(c.given, "texto");
        EXPECT_EQ(shortcuts(store), std::vector<std::string>{c.stored}) << c.given;
    }
}

TEST(TextSnippetStore, StartsEmptyAndAddIgnoresEmptyContentAndExistingShortcuts)
{
    UserDefaults defaults;
    TextSnippetStore store(defaults);
    EXPECT_TRUE(store.snippets().empty());
    EXPECT_FALSE(defaults.contains("textSnippets")) << "nothing written until something changes";
    int changes = 0;
    store.onChanged([&] { ++changes; });
    store.add("hola", "Hola, ¿qué tal?");
    store.add(";hola", "otra cosa");
    store.add("adios", "");
    store.add(";HOLA", "mayúsculas");
    ASSERT_EQ(shortcuts(store), (std::vector<std::string>{";hola", ";HOLA"}));
    EXPECT_EQ(store.snippets()[0].content, "Hola, ¿qué tal?");
    EXPECT_EQ(changes, 2);
}

TEST(TextSnippetStore, MatchFindsTheFirstShortcutTheTextEndsWith)
{
    UserDefaults defaults;
    TextSnippetStore store(defaults);
    store.add(";x", "equis");
    store.add(";a;x", "a equis");
    store.add(";ax", "ax");
    store.add(";sig", "Saludos");
    store.add(";firma", "Línea 1\nLínea 2");

    struct Case {
        std::string text;
        std::optional<std::string> shortcut;
    };
    for (const auto& c : std::vector<Case>{{"abc;sig", ";sig"},
                                           {"abc;SIG", std::nullopt},
                                           {"abc;a;x", ";x"}, // earlier in the list wins
                                           {"abc;ax", ";ax"},
                                           {";firma", ";firma"},
                                           {"sig", std::nullopt},
                                           {"", std::nullopt}}) {
        auto m = store.match(c.text);
        EXPECT_EQ(m ? std::optional(m->shortcut) : std::nullopt, c.shortcut) << c.text;
    }
}

TEST(TextSnippetStore, LoneSemicolonShortcutMatchesAnyTextEndingInSemicolonAnEmptyOneNothing)
{
    UserDefaults defaults;
    TextSnippetStore store(defaults);
    store.add("", "punto y coma");
    ASSERT_TRUE(store.match("hola;"));
    EXPECT_EQ(store.match("hola;")->content, "punto y coma");
    EXPECT_FALSE(store.match("hola"));

    store.setSnippets({{Uuid::random(), "", "siempre"}, {Uuid::random(), ";a", "a"}});
    EXPECT_FALSE(store.match("hola"));
    EXPECT_EQ(store.match("x;a")->content, "a");
}

TEST(TextSnippetStore, RemoveAlwaysSavesAndKeepsTheOrder)
{
    UserDefaults defaults;
    TextSnippetStore store(defaults);
    for (auto s : {"a", "b", "c"})
        store.add(s, "x");
    auto b = store.snippets()[1];
    store.remove(b);
    EXPECT_EQ(shortcuts(store), (std::vector<std::string>{";a", ";c"}));

    defaults.set("textSnippets", "stale"); // proves the next remove writes again
    int changes = 0;
    store.onChanged([&] { ++changes; });
    store.remove(b);
    EXPECT_EQ(shortcuts(store), (std::vector<std::string>{";a", ";c"}));
    EXPECT_EQ(storedArray(defaults).size(), 2u);
    EXPECT_EQ(changes, 1);
}

TEST(TextSnippetStore, ReplacingTheListSavesIt)
{
    UserDefaults defaults;
    TextSnippetStore store(defaults);
    store.add("a", "x");
    TextSnippet s{Uuid::random(), ";z", "zeta"};
    store.setSnippets({s});
    EXPECT_EQ(TextSnippetStore(defaults).snippets(), std::vector<TextSnippet>{s});
}

TEST(TextSnippetStore, PersistedFormHasExactlyTheThreeKeys)
{
    UserDefaults defaults;
    TextSnippetStore store(defaults);
    store.add("sig", "Saludos\ncordiales");
    auto array = storedArray(defaults);
    ASSERT_EQ(array.size(), 1u);
    EXPECT_EQ(array[0], (json{{"id", store.snippets()[0].id.toString()},
                              {"shortcut", ";sig"},
                              {"content", "Saludos\ncordiales"}}));
}

TEST(TextSnippetStore, SurvivesReloadFromFile)
{
    test::TempDir dir;
    test::VirtualScheduler clock;
    auto file = dir / "defaults.json";
    std::vector<TextSnippet> before;
    {
        UserDefaults defaults(file, clock);
        TextSnippetStore store(defaults);
        store.add("sig", "Saludos\n— Ana");
        store.add("dir", "Calle Mayor 1, Madrid");
        before = store.snippets();
    }
    UserDefaults defaults(file, clock);
    EXPECT_EQ(TextSnippetStore(defaults).snippets(), before);
}

TEST(TextSnippetStore, AnyIncompleteElementEmptiesTheWholeList)
{
    const std::string good = R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","shortcut":";a","content":"x"})";
    const std::vector<json> bad{
        json("[" + good + R"(,{"shortcut":";b","content":"y"}])"),
        json("[" + good + R"(,{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","content":"y"}])"),
        json("[" + good + R"(,{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","shortcut":";b"}])"),
        json(R"([{"id":"E621E1F8C36C495A93FC0C247A3E6E5F","shortcut":";a","content":"x"}])"),
        json(R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","shortcut":null,"content":"x"}])"),
        json(R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","shortcut":";a","content":5}])"),
        json(good),
        json("[" + good),
        json::parse("[" + good + "]"), // raw JSON, not its text
        json(true),
    };
    for (const auto& value : bad) {
        UserDefaults defaults;
        defaults.set("textSnippets", value);
        TextSnippetStore store(defaults);
        EXPECT_TRUE(store.snippets().empty()) << value.dump();
        EXPECT_EQ(defaults.value("textSnippets"), value) << "loading must not write";
        store.add("nuevo", "x");
        EXPECT_EQ(storedArray(defaults).size(), 1u) << value.dump();
    }
    UserDefaults defaults;
    defaults.set("textSnippets", "[" + good + "]");
    EXPECT_EQ(TextSnippetStore(defaults).snippets().size(), 1u);
}

TEST(TextSnippetStore, ReloadTakesWhatAnotherProcessWrote)
{
    test::TempDir dir;
    test::VirtualScheduler clock;
    UserDefaults mine(dir.path() / "defaults.json", clock);
    TextSnippetStore store(mine);
    store.add(";a", "uno");
    int changes = 0;
    store.onChanged([&] { ++changes; });
    {
        // The command line, on the same file: a snippet of a megabyte survives the file's size limit.
        UserDefaults theirs(dir.path() / "defaults.json", clock);
        TextSnippetStore(theirs).add(";big", std::string(1 << 20, 'x'));
    }
    mine.set(TextSnippetStore::key, *UserDefaults(dir.path() / "defaults.json", clock).value(TextSnippetStore::key));
    store.reload();
    EXPECT_EQ(shortcuts(store), (std::vector<std::string>{";a", ";big"}));
    EXPECT_EQ(store.snippets()[1].content.size(), 1u << 20);
    EXPECT_EQ(changes, 1);
}
