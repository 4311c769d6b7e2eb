// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/clips/ClipLibrary.h"

#include "core/search/ClipFilters.h"
#include "core/search/SearchQuery.h"
#include "core/store/Storage.h"
#include "../store/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

using namespace brisa;
using namespace brisa::test;
using namespace std::chrono_literals;

namespace {

class ClipLibraryTest : public StoreTest {
protected:
    void SetUp() override
    {
        store = openStore();
        store->setHistoryLimit(0);
    }

    ClipItem add(const std::string& text, std::string_view typeRaw, bool pinned = false,
                 std::optional<std::string> app = {}, std::optional<Uuid> space = {})
    {
        ClipItem item = textClip(text, TimePoint(1000h) + std::chrono::minutes(++added), pinned);
        item.typeRaw = std::string(typeRaw);
        item.sourceAppName = std::move(app);
        item.spaceID = space;
        if (typeRaw == "image") {
            item.ocrText = item.textContent;
            item.textContent.reset();
        }
        EXPECT_TRUE(store->insert(item));
        return item;
    }

    /// A history with every kind, pinned clips, apps, recognised text, spaces and an unknown kind.
    void fillHistory()
    {
        const char* kinds[] = {"text", "code", "link", "image", "color", "file", "screenshot", "Nota"};
        const char* words[] = {"informe anual", "Informe", "ÁRBOL grande", "foo bar", "straße", "árbol"};
        const char* apps[] = {"Figma Desktop", "Firefox", "Terminal"};
        for (int i = 0; i < 48; ++i) {
            std::optional<std::string> app;
            if (i % 4 != 0)
                app = apps[i % 3];
            std::optional<Uuid> space;
            if (i % 5 == 1)
                space = spaceA;
            else if (i % 5 == 2)
                space = gone;
            add(std::string(words[i % 6]) + " " + std::to_string(i), kinds[i % 8], i % 7 == 0, app, space);
        }
    }

    static std::vector<Uuid> ids(const std::vector<ClipItem>& clips)
    {
        std::vector<Uuid> out;
        for (const auto& c : clips)
            out.push_back(c.id);
        return out;
    }
    static std::vector<Uuid> ids(const ClipList& clips)
    {
        std::vector<Uuid> out;
        for (const auto* c : clips)
            out.push_back(c->id);
        return out;
    }

    std::unique_ptr<Storage> store;
    int added = 0;
    Uuid spaceA = Uuid::random();
    Uuid gone = Uuid::random();
};

} // namespace

TEST_F(ClipLibraryTest, KeepsExactlyWhatTheSearchMatchesInTheLibraryOrder)
{
    fillHistory();
    ClipLibrary library(*store);
    const auto history = store->fetchAll();
    struct Case {
        const char* search;
        std::optional<ClipType> kind;
    };
    const Case cases[] = {
        {"", std::nullopt},        {"", ClipType::Text},        {"", ClipType::Image},
        {"informe", std::nullopt}, {"INFORME", ClipType::Code}, {"árbol", std::nullopt},
        {"strasse", std::nullopt}, {"@link foo", std::nullopt}, {"@figma", std::nullopt},
        {"@image @figma informe", std::nullopt}, {"@image", ClipType::Link}, {"@", std::nullopt},
        {"foo   bar", std::nullopt}, {"anual1", std::nullopt}, {"zzz", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.search);
        const ClipFilter filter{.kind = c.kind, .search = c.search};
        const auto expected = ids(filtered(std::span<const ClipItem>(history), c.kind, c.search));
        EXPECT_EQ(ids(ClipLibrary(*store).all(filter)), expected); // read once, as the command line does
        const auto firstTwo = std::vector<Uuid>(expected.begin(), expected.begin() + std::min<std::size_t>(2, expected.size()));
        EXPECT_EQ(ids(ClipLibrary(*store).all(filter, 2)), firstTwo);
        // The command line's listing: through the index for a screenful, on every core for more.
        auto lines = [](const std::vector<Uuid>& list, std::size_t most) {
            std::string text;
            for (std::size_t i = 0; i < std::min(most, list.size()); ++i)
                text += list[i].toString() + "\n";
            return text;
        };
        const auto line = [](const ClipSummary& c, std::string& out) { out += c.id.toString() + "\n"; };
        EXPECT_EQ(ClipLibrary(*store).render(filter, 2, line), lines(expected, 2));
        EXPECT_EQ(ClipLibrary(*store).render(filter, std::nullopt, line), lines(expected, expected.size()));
        EXPECT_EQ(library.count(filter), expected.size());
        EXPECT_EQ(ids(library.all(filter)), expected); // from the copy in memory
        // A later page is the same slice of the order.
        const auto page = library.page(filter, 3, 5);
        EXPECT_EQ(page.total, expected.size());
        const auto from = std::min<std::size_t>(3, expected.size());
        const auto to = std::min<std::size_t>(8, expected.size());
        EXPECT_EQ(ids(page.clips), std::vector<Uuid>(expected.begin() + from, expected.begin() + to));
    }
}

TEST_F(ClipLibraryTest, BoardColumnsKeepClipsOfDeletedSpacesUnfiled)
{
    fillHistory();
    ClipLibrary library(*store);
    const auto history = store->fetchAll();
    const std::vector<Uuid> existing{spaceA};
    std::vector<Uuid> inA, unfiled;
    for (const auto* c : filtered(std::span<const ClipItem>(history), std::nullopt, "informe"))
        (c->spaceID == spaceA ? inA : unfiled).push_back(c->id);
    EXPECT_EQ(ids(ClipLibrary(*store).all({.search = "informe", .space = spaceA})), inA);
    EXPECT_EQ(ids(ClipLibrary(*store).all({.search = "informe", .unfiledAmong = existing})), unfiled);
    EXPECT_EQ(library.count({.search = "informe", .space = spaceA}), inA.size());
    EXPECT_EQ(ids(library.all({.search = "informe", .space = spaceA})), inA);
    EXPECT_EQ(ids(library.all({.search = "informe", .unfiledAmong = existing})), unfiled);
    // Without search text every clip is in exactly one column.
    EXPECT_EQ(library.count({.space = spaceA}) + library.count({.unfiledAmong = existing}), 48u);
    EXPECT_FALSE(unfiled.empty());
    EXPECT_FALSE(inA.empty());
}

TEST_F(ClipLibraryTest, FollowsChangesMadeHereAndByOtherProcesses)
{
    add("uno informe", "text");
    auto two = add("dos informe", "text");
    ClipLibrary library(*store);
    EXPECT_EQ(library.count({.search = "informe"}), 2u);

    ASSERT_TRUE(library.pin(two.id));
    auto first = library.page({.search = "informe"}, 0, 1);
    ASSERT_EQ(first.clips.size(), 1u);
    EXPECT_EQ(first.clips[0].id, two.id);

    {
        // Another process (the command line, the sqlite3 shell) adds a clip.
        RawDb raw(storeFile());
        ASSERT_EQ(raw.exec("INSERT INTO ClipItem (id, typeRaw, textContent, createdAt) VALUES "
                           "('6F9619FF-8B86-D011-B42D-00C04FC964FF', 'text', 'tres informe', 4000000000)"),
                  SQLITE_OK);
    }
    EXPECT_EQ(library.count({.search = "informe"}), 3u);
    EXPECT_TRUE(library.remove(two.id));
    EXPECT_EQ(library.count({.search = "informe"}), 2u);
    EXPECT_EQ(library.count({}), 2u);
}

TEST_F(ClipLibraryTest, FindsClipsByIdPrefixWithoutLoadingTheHistory)
{
    auto a = add("a", "text");
    auto b = add("b", "text");
    ClipLibrary library(*store);
    const auto full = a.id.toString();
    // Two ids sharing a prefix, written by a script.
    {
        RawDb raw(storeFile());
        ASSERT_EQ(raw.exec("INSERT INTO ClipItem (id, typeRaw, createdAt) VALUES "
                           "('abcdef00-0000-4000-8000-000000000001', 'text', 1), "
                           "('ABCDEF00-0000-4000-8000-000000000002', 'text', 2)"),
                  SQLITE_OK);
    }
    using O = IdLookup::Outcome;
    struct Case {
        std::string text;
        O outcome;
        std::optional<Uuid> id;
    };
    std::string lower = full.substr(0, 8);
    for (auto& ch : lower)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    const Case cases[] = {
        {full, O::Found, a.id},
        {full.substr(0, 8), O::Found, a.id},
        {lower, O::Found, a.id},
        {b.id.toString().substr(0, 13), O::Found, b.id},
        {"abcdef00", O::Ambiguous, std::nullopt},
        {"ABCDEF00-0000-4000-8000-000000000002", O::Found, Uuid::parse("ABCDEF00-0000-4000-8000-000000000002")},
        {full.substr(0, 3), O::NotFound, std::nullopt},
        {"%%%%", O::NotFound, std::nullopt},
        {"", O::NotFound, std::nullopt},
        {"00000000-0000-4000-8000-000000000000", O::NotFound, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto found = library.findByIdPrefix(c.text);
        EXPECT_EQ(found.outcome, c.outcome);
        EXPECT_EQ(found.clip ? std::optional<Uuid>(found.clip->id) : std::nullopt, c.id);
    }
}

TEST_F(ClipLibraryTest, DeletesWithImagesAfterTheRecordsEvenWhenAFileIsGone)
{
    ClipLibrary library(*store);
    auto withImage = [&](const std::string& file) {
        auto item = add("img", "image");
        item.imageFileName = file;
        EXPECT_TRUE(store->update(item));
        return item;
    };
    const std::string shared = store->newImageFileName();
    const std::string own = store->newImageFileName();
    ASSERT_TRUE(store->writeImage(shared, Bytes{1}));
    ASSERT_TRUE(store->writeImage(own, Bytes{2}));
    auto a = withImage(own);
    auto b = withImage(shared);
    auto c = withImage(shared);
    auto missing = withImage(store->newImageFileName()); // its file never existed
    const std::vector<Uuid> doomed{a.id, b.id, missing.id, Uuid::random()};

    EXPECT_EQ(library.remove(doomed), 3u);
    EXPECT_FALSE(std::filesystem::exists(store->imagesDir() / own));
    EXPECT_TRUE(std::filesystem::exists(store->imagesDir() / shared)); // c still names it
    EXPECT_EQ(ids(store->fetchAll()), std::vector<Uuid>{c.id});
    EXPECT_TRUE(library.remove(c.id));
    EXPECT_FALSE(std::filesystem::exists(store->imagesDir() / shared));
    EXPECT_FALSE(library.remove(c.id));
}

TEST_F(ClipLibraryTest, ClearingSaysHowManyGoAndKeepsThePinnedUnlessAll)
{
    ClipLibrary library(*store);
    fillHistory();
    const ClipFilter informe{.search = "informe"};
    const auto pinned = library.count(ClipFilter{}) - library.clearableCount();
    ASSERT_GT(pinned, 0u);
    EXPECT_GT(library.count(informe), 0u); // read once, so the next count must notice the clear
    EXPECT_EQ(library.clear(), std::optional<std::size_t>(48 - pinned));
    EXPECT_EQ(library.count(ClipFilter{}), pinned);
    EXPECT_EQ(library.clearableCount(), 0u);
    EXPECT_EQ(library.clearableCount(true), pinned);
    EXPECT_EQ(library.clear(true), std::optional<std::size_t>(pinned));
    EXPECT_EQ(library.count(informe), 0u);
}

TEST_F(ClipLibraryTest, BulkPinAndMoveRunInOneGoAndSkipUnknownIds)
{
    auto a = add("a", "text");
    auto b = add("b", "text");
    ClipLibrary library(*store);
    int changes = 0;
    store->onChanged([&] { ++changes; });
    const std::vector<Uuid> both{a.id, b.id, Uuid::random()};
    EXPECT_EQ(library.setPinned(both, true), 2u);
    EXPECT_EQ(library.moveToSpace(both, spaceA), 2u);
    EXPECT_EQ(changes, 2); // one notice per bulk change, not one per clip
    for (const auto& c : store->fetchAll()) {
        EXPECT_TRUE(c.isPinned);
        EXPECT_EQ(c.spaceID, spaceA);
    }
    EXPECT_EQ(library.setPinned(std::span<const Uuid>(), true), 0u);
}

TEST_F(ClipLibraryTest, HostileSearchTextGetsTheSameAnswerAsTheReference)
{
    fillHistory();
    ClipLibrary library(*store);
    const std::string cases[] = {
        std::string(10000, 'a'),
        std::string(10000, '@'),
        "@ @@ @",
        "@",
        std::string("inform\xC3", 7),
        std::string("\xFF\xFE informe", 10),
        std::string("@\xE9", 2),
        std::string(5000, ' ') + "informe",
    };
    for (const auto& text : cases) {
        SCOPED_TRACE(text.substr(0, 20));
        const auto history = store->fetchAll();
        const auto expected = filtered(std::span<const ClipItem>(history), std::nullopt, text).size();
        EXPECT_EQ(library.page({.search = text}, 0, ClipLibrary::kScreen).total, expected);
    }
}

TEST_F(ClipLibraryTest, TrigramSketchesLetThroughEveryClipTheSearchMatches)
{
    // Texts where folding moves bytes about: accents precomposed and not, "ß" and ligatures that
    // fold to ASCII, Turkic dotted and dotless i, a word across the joint of two fields,
    // recognised text, invalid bytes.
    const char* texts[] = {
        "Informe de la reunión", "INFORMACIÓN útil", "informacio\xCC\x81n descompuesta", "Straße mayor",
        "STRASSE", "\xEF\xAC\x81lete de res", "\xE2\x84\xAA\xE2\x84\xAA kelvin", "KIT de DİSK",
        "kıt ılık", "ILIK KIT", "árbol ÁRBOL", "bad \xFF\xFE bytes informe", "abc", "ab", "",
    };
    const char* kinds[] = {"text", "code", "link", "image", "Nota"};
    const char* apps[] = {"Figma Desktop", "informe", "Añoranza"};
    for (std::size_t i = 0; i < std::size(texts); ++i)
        for (std::size_t k = 0; k < 2; ++k)
            add(texts[i], kinds[(i + k) % std::size(kinds)], false, std::string(apps[(i + k) % std::size(apps)]));

    const char* searches[] = {
        "informe",     "INFORMACIÓN", "información", "strasse", "STRAßE",  "filete",   "kk",
        "kkk",         "kit",         "KIT",         "dİsk",    "disk",    "kıt",      "ılık",
        "ÁRBOL",       "árbol árbol", "arbol",       "eporta",  "abc",     "@link abc", "@image informe",
        "@figma",      "@figma reu",  "@añoranza",   "bad \xFF", "reunióninforme", "desktopinf", "ño",
    };
    for (const auto rules : {CaseRules::Default, CaseRules::Turkic}) {
        SearchColumn indexed, scanned;
        ASSERT_TRUE(indexed.load(*store, rules));
        ASSERT_TRUE(scanned.load(*store, rules));
        scanned.setSketched(false);
        for (const char* search : searches) {
            SCOPED_TRACE(std::string(search) + (rules == CaseRules::Turkic ? " (turco)" : ""));
            const SearchQuery query(search, rules);
            const auto expected = scanned.matching(query, {});
            EXPECT_EQ(indexed.matching(query, {}), expected);
            std::size_t reference = 0;
            for (std::size_t i = 0; i < scanned.size(); ++i) {
                const auto& e = scanned.entry(i);
                reference += query.matches(e.kind, scanned.textContent(e), scanned.sourceAppName(e), scanned.ocrText(e));
            }
            EXPECT_EQ(expected.size(), reference);
        }
    }
}

TEST_F(ClipLibraryTest, PreviewsCutWholeCharacters)
{
    struct Case {
        std::string text;
        std::size_t max;
        PreviewStyle style;
        std::string expected;
    };
    const Case cases[] = {
        {"hola", 10, PreviewStyle::Block, "hola"},
        {"hola mundo", 4, PreviewStyle::Block, "hola"},
        {"niño", 3, PreviewStyle::Block, "niñ"},
        {"n\xCC\x83o", 1, PreviewStyle::Block, "n\xCC\x83"}, // n + combining tilde is one character
        {"👍🏽ok", 1, PreviewStyle::Block, "👍🏽"},
        {"a\nb\tc\r", 10, PreviewStyle::Line, "a⏎b c "},
        {"a\rb", 10, PreviewStyle::Line, "a b"},
        {"ab\tcd", 10, PreviewStyle::Line, "ab cd"},
        {"abcdef", 3, PreviewStyle::Line, "abc…"},
        {"", 5, PreviewStyle::Line, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(textPreview(c.text, c.max, c.style), c.expected);
    }
}

TEST_F(ClipLibraryTest, OlderStoresAreSearchedOnceMigrated)
{
    add("a", "text");
    store.reset();
    struct Case {
        const char* name;
        const char* downgrade; ///< what the older version had
    };
    const Case cases[] = {
        {"version 4", "PRAGMA user_version = 4;"},
        {"version 5", "CREATE INDEX ClipItem_search ON ClipItem(isPinned, createdAt, typeRaw, spaceID, "
                      "sourceAppName, textContent, ocrText); PRAGMA user_version = 5;"},
        {"version 6", "CREATE INDEX ClipItem_fields ON ClipItem(isPinned, createdAt, typeRaw, spaceID, "
                      "sourceAppName, textContent, ocrText, id); PRAGMA user_version = 6;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        {
            RawDb raw(storeFile());
            ASSERT_EQ(raw.exec(c.downgrade), SQLITE_OK);
        }
        store = openStore();
        {
            RawDb raw(storeFile());
            EXPECT_EQ(raw.integer("PRAGMA user_version"), Storage::kSchemaVersion);
            EXPECT_EQ(raw.integer("SELECT count(*) FROM sqlite_master WHERE name = 'ClipItem_fields'"), 0);
            EXPECT_EQ(raw.integer("SELECT count(*) FROM sqlite_master WHERE name = 'ClipItem_search'"), 0);
        }
        ClipLibrary library(*store);
        EXPECT_EQ(library.count({.search = "a"}), 1u);
        EXPECT_EQ(library.page({.search = "a"}, 0, 1).clips.size(), 1u);
        store.reset();
    }
}

TEST_F(ClipLibraryTest, ARowPinnedSinceTheSearchReadItIsStillFetched)
{
    auto a = add("informe", "text");
    ClipLibrary library(*store);
    EXPECT_EQ(library.count({.search = "informe"}), 1u);
    {
        // Behind the library's back: its copy still has the clip unpinned and at its old time.
        RawDb raw(storeFile());
        ASSERT_EQ(raw.exec("UPDATE ClipItem SET isPinned = 1, createdAt = createdAt + 5"), SQLITE_OK);
    }
    const std::int64_t row = store->lastRowId();
    const Storage::RowKey stale[] = {{row, false, toUnixSeconds(a.createdAt)}};
    const auto found = store->fetchRows(stale);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(found[0].isPinned);
}

TEST_F(ClipLibraryTest, ChangesMadeHereReachTheNextSearchWithoutReadingTheHistoryAgain)
{
    fillHistory();
    ClipLibrary library(*store);
    const std::vector<Uuid> existing{spaceA};
    const ClipFilter filters[] = {
        {.search = "informe"}, {.search = "ÁRBOL"},  {.search = "strasse"},
        {.search = "@figma"},  {.search = "@image"}, {.search = "informe", .space = spaceA},
        {.search = "árbol", .unfiledAmong = existing},
    };
    auto expectSameAsReference = [&] {
        const auto history = store->fetchAll();
        for (const auto& f : filters) {
            SCOPED_TRACE(f.search);
            std::vector<Uuid> expected;
            for (const auto* c : filtered(std::span<const ClipItem>(history), f.kind, f.search)) {
                const bool inColumn = f.space ? c->spaceID == f.space
                                     : f.unfiledAmong ? c->spaceID != spaceA
                                                      : true;
                if (inColumn)
                    expected.push_back(c->id);
            }
            EXPECT_EQ(library.count(f), expected.size());
            EXPECT_EQ(ids(library.all(f)), expected);
        }
    };
    expectSameAsReference();
    ASSERT_EQ(library.columnLoads(), 1u);

    auto history = store->fetchAll();
    std::vector<Uuid> some;
    for (std::size_t i = 0; i < history.size(); i += 5)
        some.push_back(history[i].id);
    ClipItem rewritten = history[3];
    rewritten.textContent = "ÁRBOL informe reescrito";
    struct Step {
        const char* what;
        std::function<bool()> change;
    };
    const Step steps[] = {
        {"insert", [&] { return add("nuevo INFORME árbol", "text").isPinned == false; }},
        {"insert image", [&] { add("Straße informe", "image", true, "Figma Desktop"); return true; }},
        {"update", [&] { return store->update(rewritten); }},
        {"recognised text", [&] { return store->setOcrText(history[8].id, "informe reconocido"); }},
        {"pin", [&] { return library.pin(history[10].id); }},
        {"unpin", [&] { return library.unpin(history[0].id); }},
        {"file", [&] { return library.moveToSpace(history[11].id, spaceA); }},
        {"unfile", [&] { return library.moveToSpace(history[6].id, std::nullopt); }},
        {"bulk pin", [&] { return library.setPinned(some, true) == some.size(); }},
        {"bulk file", [&] { return library.moveToSpace(some, spaceA) == some.size(); }},
        {"delete", [&] { return library.remove(history[12].id); }},
        {"bulk delete", [&] { return library.remove(some) == some.size(); }},
        {"batch", [&] {
             std::vector<ClipItem> batch{textClip("lote informe", TimePoint(900h)), textClip("lote ÁRBOL", TimePoint(901h))};
             return store->insertBatch(batch).inserted == 2;
         }},
        {"clear", [&] { return library.clear() > 0u; }},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        ASSERT_TRUE(step.change());
        expectSameAsReference();
    }
    EXPECT_EQ(library.columnLoads(), 1u);

    // Another process's write says nothing of its rows: the history is read again, once.
    {
        RawDb raw(storeFile());
        ASSERT_EQ(raw.exec("INSERT INTO ClipItem (id, typeRaw, textContent, createdAt) VALUES "
                           "('6F9619FF-8B86-D011-B42D-00C04FC964FF', 'text', 'otro informe', 4000000000)"),
                  SQLITE_OK);
    }
    expectSameAsReference();
    EXPECT_EQ(library.columnLoads(), 2u);
}

TEST_F(ClipLibraryTest, TheFieldsReadAheadAreTakenOverOnlyWhenNothingOvertookThem)
{
    add("uno informe", "text");
    add("dos", "text");
    std::vector<std::function<void()>> jobs; // the other thread, run when the test says
    auto elsewhere = [&jobs](std::function<void()> job) { jobs.push_back(std::move(job)); };
    const auto externalInsert = [&] {
        RawDb raw(storeFile());
        ASSERT_EQ(raw.exec("INSERT INTO ClipItem (id, typeRaw, textContent, createdAt) VALUES "
                           "('6F9619FF-8B86-D011-B42D-00C04FC964FF', 'text', 'tres informe', 4000000000)"),
                  SQLITE_OK);
    };
    struct Case {
        const char* name;
        std::function<void(ClipLibrary&)> meanwhile; ///< after the read, before it is taken over
        std::size_t loads;                          ///< reads of the whole history at the end
    };
    const Case cases[] = {
        {"nothing: taken over", [](ClipLibrary&) {}, 1},
        {"a clip stored here: applied on top", [&](ClipLibrary&) { add("cuatro informe", "text"); }, 1},
        {"a search read it here: dropped", [](ClipLibrary& l) { l.count({.search = "informe"}); }, 1},
        {"another program's change: read again", [&](ClipLibrary&) { externalInsert(); }, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        jobs.clear();
        ClipLibrary library(*store);
        int ready = 0;
        library.loadAhead(elsewhere, clock, [&ready] { ++ready; });
        ASSERT_EQ(jobs.size(), 1u);
        EXPECT_TRUE(library.loadingAhead());
        library.loadAhead(elsewhere, clock, {}); // one read at a time
        EXPECT_EQ(jobs.size(), 1u);
        jobs.front()();
        const auto before = library.columnLoads();
        c.meanwhile(library);
        clock.runPosted();
        EXPECT_EQ(ready, 1);
        EXPECT_FALSE(library.loadingAhead());
        EXPECT_EQ(library.columnLoads(), before + (before == 0 ? 1 : 0)) << "taken over unless read here";
        const auto history = store->fetchAll();
        EXPECT_EQ(library.count({.search = "informe"}),
                  filtered(std::span<const ClipItem>(history), std::nullopt, "informe").size());
        EXPECT_EQ(library.columnLoads(), c.loads);
        for (const auto& clip : store->fetchAll()) // the next case starts from the two clips
            if (clip.textContent != "uno informe" && clip.textContent != "dos")
                store->deleteClip(clip);
    }
}

TEST_F(ClipLibraryTest, AReadAheadThatFailsIsNotTriedAgainUntilTheHistoryIsReadHere)
{
    add("uno informe", "text");
    std::vector<std::function<void()>> jobs;
    auto elsewhere = [&jobs](std::function<void()> job) { jobs.push_back(std::move(job)); };
    ClipLibrary library(*store);
    library.loadAhead(elsewhere, clock, {});
    ASSERT_EQ(jobs.size(), 1u);
    // The other connection finds no store where it looks.
    const auto aside = storeFile().string() + ".aparte";
    std::filesystem::rename(storeFile(), aside);
    jobs.back()();
    std::filesystem::rename(aside, storeFile());
    clock.runPosted();
    EXPECT_FALSE(library.loadingAhead());
    library.loadAhead(elsewhere, clock, {});
    EXPECT_EQ(jobs.size(), 1u) << "no read ahead after one that failed";
    EXPECT_EQ(library.count({.search = "informe"}), 1u); // read here
    EXPECT_EQ(library.columnLoads(), 1u);
}

TEST_F(ClipLibraryTest, TellsWhichOfASelectionTheFilterKeeps)
{
    fillHistory();
    ClipLibrary library(*store);
    const auto history = store->fetchAll();
    std::vector<Uuid> selection{Uuid::random()}; // one that does not exist
    for (std::size_t i = 0; i < history.size(); i += 2)
        selection.push_back(history[i].id);
    const ClipFilter filters[] = {
        {}, {.kind = ClipType::Image}, {.search = "informe"}, {.kind = ClipType::Code, .search = "INFORME"},
        {.search = "@figma árbol"}, {.search = "zzz"},
    };
    for (const auto& f : filters) {
        SCOPED_TRACE(f.search);
        std::vector<Uuid> expected;
        for (const auto& id : selection)
            for (const auto* c : filtered(std::span<const ClipItem>(history), f.kind, f.search))
                if (c->id == id)
                    expected.push_back(id);
        EXPECT_EQ(library.keptAmong(f, selection), expected);
    }
}

TEST_F(ClipLibraryTest, ClipsOfTheSameTimeComeNewestRowFirstFromTheCommandLinesSearch)
{
    const TimePoint same = TimePoint(2000h);
    const char* texts[] = {"b informe", "a informe", "c otro", "z informe", "informe m"};
    std::vector<Uuid> stored;
    for (int i = 0; i < 5; ++i) {
        ClipItem item = textClip(texts[i], same, i == 2);
        item.typeRaw = i % 2 ? "code" : "text";
        ASSERT_TRUE(store->insert(item));
        stored.push_back(item.id);
    }
    add("informe antes", "text");
    const auto history = store->fetchAll();
    const auto expected = ids(filtered(std::span<const ClipItem>(history), std::nullopt, "informe"));
    ASSERT_EQ(expected.size(), 5u);
    EXPECT_EQ(std::vector<Uuid>(expected.begin(), expected.begin() + 4),
              (std::vector<Uuid>{stored[4], stored[3], stored[1], stored[0]}));
    for (std::size_t limit = 1; limit <= 6; ++limit)
        EXPECT_EQ(ids(ClipLibrary(*store).all({.search = "informe"}, limit)),
                  std::vector<Uuid>(expected.begin(), expected.begin() + std::min<std::size_t>(limit, 5)));
}

TEST_F(ClipLibraryTest, ABulkDeleteElsewhereRunsOneTransactionThenTheFilesThenTellsEveryHolder)
{
    std::vector<std::function<void()>> jobs; // the other thread, run when the test says
    auto elsewhere = [&jobs](std::function<void()> job) { jobs.push_back(std::move(job)); };
    const auto image = [&](const std::string& text, const std::string& file) {
        auto item = add(text, "image");
        item.imageFileName = file;
        EXPECT_TRUE(store->update(item));
        return item;
    };
    struct Case {
        const char* name;
        std::function<void()> obstacle; ///< before the job runs
        std::function<void()> cleared;  ///< after it
        bool ok;
    };
    const auto aside = storeFile().string() + ".aparte";
    const Case cases[] = {
        {"nothing in the way", [] {}, [] {}, true},
        {"one record refuses to go: none go",
         [&] {
             RawDb raw(storeFile());
             ASSERT_EQ(raw.exec("CREATE TRIGGER refuse BEFORE DELETE ON ClipItem WHEN old.ocrText = 'bloqueado' "
                                "BEGIN SELECT RAISE(ABORT, 'no'); END"),
                       SQLITE_OK);
         },
         [&] { RawDb(storeFile()).exec("DROP TRIGGER refuse"); }, false},
        {"the store is not where it was", [&] { std::filesystem::rename(storeFile(), aside); },
         [&] { std::filesystem::rename(aside, storeFile()); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        jobs.clear();
        ClipLibrary library(*store);
        const std::string shared = store->newImageFileName();
        const std::string own = store->newImageFileName();
        ASSERT_TRUE(store->writeImage(shared, Bytes{1}));
        ASSERT_TRUE(store->writeImage(own, Bytes{2}));
        const auto a = image("informe a", own);
        const auto b = image("bloqueado", shared);
        const auto keeps = image("informe c", shared);
        EXPECT_EQ(library.count({.search = "informe"}), 2u);
        std::vector<StoreChanges::Rows> told;
        auto subscription = store->changes().subscribeRows(
            [&told](StoreChanges::Origin, const std::optional<StoreChanges::Rows>& rows) {
                if (rows)
                    told.push_back(*rows);
            });
        std::optional<std::optional<std::size_t>> done;
        library.removeElsewhere({a.id, b.id, Uuid::random()}, elsewhere, clock,
                                [&done](std::optional<std::size_t> n) { done = n; });
        ASSERT_EQ(jobs.size(), 1u);
        EXPECT_EQ(store->count(), 3) << "nothing before the other thread runs";
        c.obstacle();
        jobs.front()();
        c.cleared();
        EXPECT_TRUE(told.empty()) << "told on this thread only";
        clock.runPosted();
        ASSERT_TRUE(done.has_value());
        EXPECT_EQ(*done, c.ok ? std::optional<std::size_t>(2) : std::nullopt);
        EXPECT_EQ(std::filesystem::exists(store->imagesDir() / own), !c.ok);
        EXPECT_TRUE(std::filesystem::exists(store->imagesDir() / shared)) << "still named by another clip";
        const auto left = c.ok ? std::vector<Uuid>{keeps.id} : std::vector<Uuid>{keeps.id, b.id, a.id};
        EXPECT_EQ(ids(store->fetchAll()), left);
        ASSERT_EQ(told.size(), c.ok ? 1u : 0u);
        if (c.ok) {
            EXPECT_EQ(told[0].kind, StoreChanges::Rows::Kind::Deleted);
            EXPECT_EQ(told[0].rowids.size(), 2u);
        }
        EXPECT_EQ(library.count({.search = "informe"}), c.ok ? 1u : 2u);
        for (const auto& clip : store->fetchAll())
            store->deleteClip(clip);
    }
}

TEST_F(ClipLibraryTest, ABulkDeleteElsewhereAndCapturesHereWaitForEachOther)
{
    // Clips with large thumbnails, as screenshots have: their deletion frees many pages.
    std::vector<Uuid> doomed;
    for (int i = 0; i < 200; ++i) {
        auto item = textClip("captura " + std::to_string(i), TimePoint(1000h) + std::chrono::minutes(i));
        item.thumbnailData = Bytes(64 * 1024, static_cast<std::uint8_t>(i));
        ASSERT_TRUE(store->insert(item));
        doomed.push_back(item.id);
    }
    ClipLibrary library(*store);
    std::thread worker;
    auto elsewhere = [&worker](std::function<void()> job) { worker = std::thread(std::move(job)); };
    std::optional<std::size_t> deleted;
    bool done = false;
    {
        // A write here holds the store as the other thread starts: that one waits, then goes on.
        Storage::BatchTransaction capture(*store);
        ASSERT_TRUE(capture.ok());
        library.removeElsewhere(doomed, elsewhere, clock, [&](std::optional<std::size_t> n) {
            deleted = n;
            done = true;
        });
        const auto first = textClip("primera", TimePoint(2000h));
        ASSERT_TRUE(capture.add(std::span(&first, 1)));
        EXPECT_TRUE(capture.commit().ok);
    }
    // And captures while it deletes wait for it instead of failing.
    int captured = 1;
    while (!done) {
        ASSERT_LT(captured, 100000) << "the other thread never reported";
        ASSERT_TRUE(store->insert(textClip("durante " + std::to_string(captured), TimePoint(2000h) + 1min)));
        ++captured;
        clock.runPosted();
    }
    worker.join();
    EXPECT_EQ(deleted, std::optional<std::size_t>(doomed.size()));
    EXPECT_EQ(store->count(), captured);
    EXPECT_EQ(RawDb(storeFile()).integer("SELECT count(*) FROM ClipThumbnail"), 0);
}

TEST_F(ClipLibraryTest, ABulkDeleteElsewhereGivesUpOnAStoreLockedPastItsWaitAndKeepsEverything)
{
    auto item = add("con imagen", "image");
    item.imageFileName = store->newImageFileName();
    ASSERT_TRUE(store->writeImage(*item.imageFileName, Bytes{1}));
    ASSERT_TRUE(store->update(item));
    RawDb other(storeFile()); // another program holds the write lock throughout
    ASSERT_EQ(other.exec("BEGIN IMMEDIATE"), SQLITE_OK);
    const Uuid ids[] = {item.id};
    EXPECT_EQ(Storage::deleteClipsAt(storeFile(), ids, 20ms), std::nullopt);
    other.exec("ROLLBACK");
    EXPECT_TRUE(store->fetch(item.id, false));
    EXPECT_TRUE(std::filesystem::exists(store->imagesDir() / *item.imageFileName));
}
