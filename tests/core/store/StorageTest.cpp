// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoreTestSupport.h"

#include <fmt/format.h>
#include <sys/time.h>

#include <gtest/gtest.h>

#include <functional>

using namespace brisa;
using namespace brisa::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

class StorageTest : public StoreTest {
protected:
    ClipItem fullClip()
    {
        ClipItem item = makeClipItem({.type = ClipType::Image,
                                      .textContent = "/home/ana/Imágenes/foto.png",
                                      .imageFileName = "0B9E4D6A-1111-4222-8333-444455556666.png",
                                      .thumbnailData = Bytes{0x89, 'P', 'N', 'G', 0, 1, 2},
                                      .sourceAppBundleID = "org.gnome.Nautilus",
                                      .sourceAppName = "Archivos",
                                      .contentHash = std::string(64, 'a'),
                                      .byteSize = 123456,
                                      .batchID = Uuid::random()},
                                     clock);
        item.isPinned = true;
        item.spaceID = Uuid::random();
        item.ocrText = "Factura nº 42";
        item.reminderDate = clock.now() + 1h;
        return item;
    }

    /// Sets a file's modification time (orphan cleanup spares files written a moment ago).
    static void setModified(const fs::path& p, TimePoint t)
    {
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(t.time_since_epoch()).count();
        timeval times[2] = {{us / 1'000'000, us % 1'000'000}, {us / 1'000'000, us % 1'000'000}};
        ASSERT_EQ(::utimes(p.c_str(), times), 0);
    }
};

} // namespace

TEST_F(StorageTest, OpenCreatesPrivateFoldersAndFilesAndLogsTheFolder)
{
    auto store = openStore();
    ASSERT_TRUE(store);
    EXPECT_EQ(store->dataDir(), dataDir());
    EXPECT_EQ(store->imagesDir(), dataDir() / "images");
    EXPECT_EQ(Storage::appSupportDir(home.path()), dataDir());
    ASSERT_TRUE(store->insert(textClip("hola", clock.now())));
    EXPECT_EQ(modeOf(dataDir()), 0700u);
    EXPECT_EQ(modeOf(dataDir() / "images"), 0700u);
    for (auto name : {"Brisa.store", "Brisa.store-wal", "Brisa.store-shm"})
        EXPECT_EQ(modeOf(dataDir() / name), 0600u) << name;
    EXPECT_TRUE(log.contains("[Brisa] Storage listo en " + dataDir().string()));
    EXPECT_EQ(store->historyLimit(), 100);
    EXPECT_EQ(store->autoDeleteDays(), 0);
}

TEST_F(StorageTest, DefaultDataFolderFollowsXdgDataHome)
{
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string previous = saved ? saved : "";
    ::setenv("XDG_DATA_HOME", home.path().c_str(), 1);
    EXPECT_EQ(Storage::appSupportDir(), dataDir());
    auto opened = Storage::open(clock);
    EXPECT_TRUE(opened.storage) << opened.error;
    EXPECT_TRUE(fs::exists(storeFile()));
    if (saved)
        ::setenv("XDG_DATA_HOME", previous.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

TEST_F(StorageTest, TightensLooseModesOfAnExistingStore)
{
    openStore().reset();
    ::chmod(dataDir().c_str(), 0755);
    ::chmod(storeFile().c_str(), 0644);
    openStore();
    EXPECT_EQ(modeOf(dataDir()), 0700u);
    EXPECT_EQ(modeOf(storeFile()), 0600u);
}

TEST_F(StorageTest, DatabaseHasTheRecordColumnsWalAndTheCurrentSchemaVersion)
{
    auto store = openStore();
    RawDb raw(storeFile());
    EXPECT_EQ(raw.text("PRAGMA journal_mode"), "wal");
    EXPECT_EQ(raw.integer("PRAGMA user_version"), Storage::kSchemaVersion);
    EXPECT_EQ(raw.text("SELECT group_concat(name, ',') FROM pragma_table_info('ClipItem')"),
              "id,typeRaw,textContent,imageFileName,thumbnailData,sourceAppBundleID,sourceAppName,createdAt,"
              "isPinned,spaceID,contentHash,byteSize,ocrText,batchID,reminderDate,reminderFiredFor");
    EXPECT_EQ(raw.text("SELECT group_concat(name, ',') FROM (SELECT name FROM sqlite_master WHERE type = 'index' "
                       "AND name LIKE 'ClipItem_%' ORDER BY name)"),
              "ClipItem_contentHash,ClipItem_createdAt,ClipItem_imageFileName,ClipItem_kind,"
              "ClipItem_pinned,ClipItem_reminder");
    EXPECT_EQ(raw.text("SELECT group_concat(name, ',') FROM pragma_table_info('ClipThumbnail')"), "clipID,data");
}

TEST_F(StorageTest, StoresEveryFieldAndReadsItBack)
{
    auto store = openStore();
    const auto item = fullClip();
    ASSERT_TRUE(store->insert(item));
    auto back = store->fetch(item.id);
    ASSERT_TRUE(back);
    expectSameFields(*back, item);

    RawDb raw(storeFile());
    EXPECT_EQ(raw.text("SELECT id FROM ClipItem"), item.id.toString());
    EXPECT_EQ(raw.text("SELECT typeof(createdAt) || typeof(isPinned) || typeof(thumbnailData) FROM ClipItem"),
              "realintegernull");
    EXPECT_EQ(raw.text("SELECT hex(data) FROM ClipThumbnail WHERE clipID = '" + item.id.toString() + "'"),
              "89504E47000102");
}

TEST_F(StorageTest, AbsentAndEmptyValuesStayDistinct)
{
    auto store = openStore();
    auto item = textClip("", clock.now());
    item.thumbnailData = Bytes{};
    ASSERT_TRUE(store->insert(item));
    auto back = store->fetch(item.id);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->textContent, std::optional<std::string>(""));
    EXPECT_EQ(back->thumbnailData, std::optional<Bytes>(Bytes{}));
    EXPECT_EQ(back->imageFileName, std::nullopt);
    EXPECT_EQ(back->reminderDate, std::nullopt);
}

TEST_F(StorageTest, UpdatingARecordFetchedWithoutItsThumbnailKeepsTheThumbnail)
{
    auto store = openStore();
    const auto item = fullClip();
    ASSERT_TRUE(store->insert(item));
    auto light = store->fetch(item.id, false);
    ASSERT_TRUE(light);
    ASSERT_EQ(light->thumbnailData, std::nullopt);
    light->ocrText = "texto reconocido";
    light->isPinned = false;
    ASSERT_TRUE(store->update(*light));
    EXPECT_EQ(store->thumbnail(item.id), item.thumbnailData);
    EXPECT_EQ(store->fetch(item.id)->ocrText, std::optional<std::string>("texto reconocido"));
}

TEST_F(StorageTest, UpdateWritesEveryFieldOfTheRecord)
{
    auto store = openStore();
    auto item = textClip("antes", clock.now());
    ASSERT_TRUE(store->insert(item));
    auto changed = fullClip();
    changed.id = item.id;
    ASSERT_TRUE(store->update(changed));
    expectSameFields(*store->fetch(item.id), changed);

    changed.spaceID.reset();
    changed.reminderDate.reset();
    ASSERT_TRUE(store->update(changed));
    expectSameFields(*store->fetch(item.id), changed);
}

TEST_F(StorageTest, UpdateOfAnUnknownRecordFails)
{
    auto store = openStore();
    EXPECT_FALSE(store->update(textClip("nadie", clock.now())));
    EXPECT_EQ(store->count(), 0);
}

TEST_F(StorageTest, DuplicateIdIsRefusedAndLogged)
{
    auto store = openStore();
    auto item = textClip("uno", clock.now());
    ASSERT_TRUE(store->insert(item));
    item.textContent = "otro";
    EXPECT_FALSE(store->insert(item));
    EXPECT_TRUE(log.contains("No se pudo guardar el clip " + item.id.toString()));
    EXPECT_EQ(store->count(), 1);
    EXPECT_EQ(store->fetch(item.id)->textContent, "uno");
}

TEST_F(StorageTest, FetchAllIsNewestFirstInPagesWithoutThumbnails)
{
    auto store = openStore();
    std::vector<ClipItem> items;
    for (int i = 0; i < 7; ++i) {
        auto item = textClip("clip " + std::to_string(i), clock.now() + std::chrono::seconds(i % 3 == 0 ? 0 : i));
        item.thumbnailData = Bytes{1, 2, 3};
        ASSERT_TRUE(store->insert(item));
        items.push_back(item);
    }
    auto all = store->fetchAll();
    ASSERT_EQ(all.size(), 7u);
    for (std::size_t i = 1; i < all.size(); ++i)
        EXPECT_GE(all[i - 1].createdAt, all[i].createdAt);
    for (const auto& item : all)
        EXPECT_EQ(item.thumbnailData, std::nullopt);

    std::vector<Uuid> paged;
    for (std::size_t offset = 0; offset < 9; offset += 3)
        for (const auto& item : store->fetchAll({.limit = 3, .offset = offset}))
            paged.push_back(item.id);
    std::vector<Uuid> whole;
    for (const auto& item : all)
        whole.push_back(item.id);
    EXPECT_EQ(paged, whole); // equal times do not make pages overlap or skip

    auto withThumbs = store->fetchAll({.limit = 1, .withThumbnails = true});
    ASSERT_EQ(withThumbs.size(), 1u);
    EXPECT_EQ(withThumbs[0].thumbnailData, (Bytes{1, 2, 3}));
    EXPECT_EQ(store->thumbnail(items[0].id), (Bytes{1, 2, 3}));
    EXPECT_EQ(store->thumbnail(Uuid::random()), std::nullopt);
    EXPECT_TRUE(store->fetchAll({.limit = 0}).empty());
    EXPECT_TRUE(store->fetchAll({.offset = 100}).empty());
}

TEST_F(StorageTest, FetchPinnedReturnsOnlyPinnedNewestFirst)
{
    auto store = openStore();
    auto a = textClip("a", clock.now(), true);
    auto b = textClip("b", clock.now() + 1s, false);
    auto c = textClip("c", clock.now() + 2s, true);
    for (const auto& item : {a, b, c})
        ASSERT_TRUE(store->insert(item));
    auto pinned = store->fetchPinned();
    ASSERT_EQ(pinned.size(), 2u);
    EXPECT_EQ(pinned[0].id, c.id);
    EXPECT_EQ(pinned[1].id, a.id);
}

TEST_F(StorageTest, DeleteRemovesRecordAndImageFile)
{
    auto store = openStore();
    auto item = textClip("img", clock.now());
    item.imageFileName = store->newImageFileName();
    ASSERT_TRUE(store->writeImage(*item.imageFileName, Bytes{1, 2, 3}));
    EXPECT_EQ(modeOf(store->imagesDir() / *item.imageFileName), 0600u);
    ASSERT_TRUE(store->insert(item));
    EXPECT_TRUE(store->deleteClip(item));
    EXPECT_FALSE(store->fetch(item.id));
    EXPECT_FALSE(fs::exists(store->imagesDir() / *item.imageFileName));
}

TEST_F(StorageTest, DeleteWithTheImageAlreadyMissingStillDeletesTheRecord)
{
    auto store = openStore();
    auto item = textClip("img", clock.now());
    item.imageFileName = store->newImageFileName();
    ASSERT_TRUE(store->insert(item));
    EXPECT_TRUE(store->deleteClip(item));
    EXPECT_EQ(store->count(), 0);
}

TEST_F(StorageTest, DeleteKeepsAnImageThatAnotherRecordStillNames)
{
    auto store = openStore();
    auto a = textClip("a", clock.now());
    a.imageFileName = store->newImageFileName();
    auto b = textClip("b", clock.now());
    b.imageFileName = a.imageFileName;
    ASSERT_TRUE(store->writeImage(*a.imageFileName, Bytes{7}));
    ASSERT_TRUE(store->insert(a));
    ASSERT_TRUE(store->insert(b));
    ASSERT_TRUE(store->deleteClip(a));
    EXPECT_TRUE(fs::exists(store->imagesDir() / *a.imageFileName));
}

TEST_F(StorageTest, ImageNamesThatLeaveTheFolderAreRefused)
{
    auto store = openStore();
    writeFile(dataDir() / "victim.png", "x");
    for (const std::string& bad :
         std::vector<std::string>{"../victim.png", "sub/x.png", "..", ".", "", std::string("a\0b.png", 7)}) {
        store->deleteImage(bad);
        EXPECT_FALSE(store->writeImage(bad, Bytes{1})) << bad;
    }
    EXPECT_TRUE(fs::exists(dataDir() / "victim.png"));

    // A record written by some script with such a name must not reach outside either.
    auto item = textClip("x", clock.now());
    item.imageFileName = "../victim.png";
    ASSERT_TRUE(store->insert(item));
    ASSERT_TRUE(store->deleteClip(item));
    EXPECT_TRUE(fs::exists(dataDir() / "victim.png"));
}

TEST_F(StorageTest, NewImageFileNamesAreFreshUpperCaseUuids)
{
    auto store = openStore();
    const auto a = store->newImageFileName();
    const auto b = store->newImageFileName();
    EXPECT_NE(a, b);
    ASSERT_EQ(a.size(), 40u);
    EXPECT_EQ(a.substr(36), ".png");
    ASSERT_TRUE(Uuid::parse(a.substr(0, 36)));
    EXPECT_EQ(Uuid::parse(a.substr(0, 36))->toString(), a.substr(0, 36));
}

TEST_F(StorageTest, OpeningRemovesOnlyOldUnnamedImagesOfOurOwn)
{
    const auto images = dataDir() / "images";
    {
        auto store = openStore();
        auto item = textClip("img", clock.now());
        item.imageFileName = "11111111-2222-4333-8444-555555555555.png";
        ASSERT_TRUE(store->insert(item));
    }
    const std::vector<std::string> files{"11111111-2222-4333-8444-555555555555.png", // named by a record
                                         "AAAAAAAA-2222-4333-8444-555555555555.png", // orphan
                                         "bbbbbbbb-2222-4333-8444-555555555555.png", // orphan, lower case
                                         "CCCCCCCC-2222-4333-8444-555555555555.png", // orphan, just written
                                         "notes.txt", "holiday.png"};                // not ours
    for (const auto& f : files) {
        writeFile(images / f, "x");
        setModified(images / f, clock.now() - (f[0] == 'C' ? 10s : 10min));
    }
    auto store = openStore();
    EXPECT_TRUE(fs::exists(images / files[0]));
    EXPECT_FALSE(fs::exists(images / files[1]));
    EXPECT_FALSE(fs::exists(images / files[2]));
    EXPECT_TRUE(fs::exists(images / files[3]));
    EXPECT_TRUE(fs::exists(images / "notes.txt"));
    EXPECT_TRUE(fs::exists(images / "holiday.png"));
}

TEST_F(StorageTest, RecordWhoseImageIsMissingStillLoadsWithItsThumbnail)
{
    Uuid id;
    {
        auto store = openStore();
        auto item = textClip("img", clock.now());
        item.imageFileName = store->newImageFileName();
        item.thumbnailData = Bytes{9, 9};
        id = item.id;
        ASSERT_TRUE(store->insert(item));
    }
    auto store = openStore();
    auto back = store->fetch(id);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->thumbnailData, (Bytes{9, 9}));
    EXPECT_EQ(store->fetchAll().size(), 1u);
}

TEST_F(StorageTest, NoticesWhatAnotherConnectionChanged)
{
    auto store = openStore();
    EXPECT_FALSE(store->externallyChanged());
    ASSERT_TRUE(store->insert(textClip("propio", clock.now())));
    EXPECT_FALSE(store->externallyChanged()); // our own writes are not news

    auto other = openStore();
    auto theirs = textClip("de la línea de órdenes", clock.now() + 1s);
    ASSERT_TRUE(other->insert(theirs));
    EXPECT_TRUE(store->externallyChanged());
    EXPECT_FALSE(store->externallyChanged());
    EXPECT_EQ(store->fetchAll({.limit = 1})[0].id, theirs.id);

    RawDb raw(storeFile());
    ASSERT_EQ(raw.exec("UPDATE ClipItem SET isPinned = 1"), SQLITE_OK);
    EXPECT_TRUE(store->externallyChanged());
    EXPECT_EQ(store->fetchPinned().size(), 2u);
}

TEST_F(StorageTest, ToldOfEachChangeOfItsOwn)
{
    auto store = openStore();
    int changes = 0;
    store->onChanged([&] { ++changes; });
    auto a = textClip("a", clock.now() - 2h);
    ASSERT_TRUE(store->insert(a));
    EXPECT_EQ(changes, 1);
    a.isPinned = true;
    ASSERT_TRUE(store->update(a));
    EXPECT_EQ(changes, 2);
    auto unknown = textClip("nadie", clock.now());
    EXPECT_FALSE(store->update(unknown));
    EXPECT_FALSE(store->insert(a)); // a duplicate
    EXPECT_EQ(changes, 2) << "nothing changed";
    ASSERT_TRUE(store->deleteClip(a));
    EXPECT_EQ(changes, 3);

    store->setHistoryLimit(1);
    ASSERT_TRUE(store->insert(textClip("b", clock.now() - 1h)));
    ASSERT_TRUE(store->insert(textClip("c", clock.now())));
    EXPECT_EQ(changes, 5);
    store->enforceHistoryLimit();
    EXPECT_EQ(changes, 6) << "the limit removed one";
    store->enforceHistoryLimit();
    EXPECT_EQ(changes, 6) << "nothing left to remove";
}

TEST_F(StorageTest, ReadersAndWritersWorkSideBySide)
{
    auto store = openStore();
    RawDb raw(storeFile());
    ASSERT_EQ(raw.exec("BEGIN; SELECT count(*) FROM ClipItem;"), SQLITE_OK); // a reader holding a snapshot
    EXPECT_TRUE(store->insert(textClip("mientras alguien lee", clock.now())));
    ASSERT_EQ(raw.exec("COMMIT"), SQLITE_OK);
    EXPECT_EQ(raw.integer("SELECT count(*) FROM ClipItem"), 1);
}

TEST_F(StorageTest, ScriptWrittenRowsAreReadSafely)
{
    auto store = openStore();
    RawDb raw(storeFile());
    const auto id = Uuid::random();
    std::string lower = id.toString();
    for (auto& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    ASSERT_EQ(raw.exec("INSERT INTO ClipItem (id, typeRaw, textContent, createdAt, spaceID) VALUES ('" + lower +
                       "', 'text', 'desde un script', 1, 'no-es-un-uuid')"),
              SQLITE_OK);
    ASSERT_EQ(raw.exec("INSERT INTO ClipItem (id, typeRaw, createdAt) VALUES ('basura', 'text', 2)"), SQLITE_OK);

    auto back = store->fetch(id);
    ASSERT_TRUE(back); // ids match without regard to letter case
    EXPECT_EQ(back->spaceID, std::nullopt);
    EXPECT_EQ(store->fetchAll().size(), 1u); // a row without a usable id is skipped
    auto dup = textClip("duplicado", clock.now());
    dup.id = id;
    EXPECT_FALSE(store->insert(dup));
}

TEST_F(StorageTest, OutOfRangeStoredTimesAreClampedNotUndefined)
{
    auto store = openStore();
    RawDb raw(storeFile());
    const auto id = Uuid::random();
    ASSERT_EQ(raw.exec("INSERT INTO ClipItem (id, typeRaw, createdAt, reminderDate) VALUES ('" + id.toString() +
                       "', 'text', 1e300, 'mañana')"),
              SQLITE_OK);
    auto back = store->fetch(id);
    ASSERT_TRUE(back);
    EXPECT_GT(toUnixSeconds(back->createdAt), 9e9);
    EXPECT_EQ(toUnixSeconds(*back->reminderDate), 0.0); // text in a REAL column reads as 0
}

TEST_F(StorageTest, SchemaVersionOneFixtureOpensAndMigrates)
{
    fs::create_directories(dataDir());
    fs::copy_file(fs::path(BRISA_TEST_DATA) / "store" / "schema-v1.store", storeFile());
    auto store = openStore();
    ASSERT_TRUE(store);
    EXPECT_EQ(store->count(), 3);

    auto image = store->fetch(*Uuid::parse("6F1C2A3B-0000-4000-8000-000000000002"));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->type(), ClipType::Image);
    EXPECT_TRUE(image->isPinned);
    EXPECT_EQ(image->thumbnailData, (Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));
    EXPECT_EQ(image->spaceID, Uuid::parse("AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE"));
    EXPECT_EQ(image->ocrText, "Factura 42");
    EXPECT_DOUBLE_EQ(toUnixSeconds(image->createdAt), 1780000100.25);
    EXPECT_DOUBLE_EQ(toUnixSeconds(*image->reminderDate), 1780090000.0);

    auto all = store->fetchAll();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].typeRaw, "hologram");
    EXPECT_EQ(all[0].type(), ClipType::Text);
    EXPECT_EQ(all[0].batchID, Uuid::parse("12345678-9ABC-4DEF-8123-456789ABCDEF"));
    EXPECT_EQ(all[2].textContent, "Hola, año nuevo");

    RawDb raw(storeFile());
    EXPECT_EQ(raw.integer("PRAGMA user_version"), Storage::kSchemaVersion);
    EXPECT_EQ(raw.integer("SELECT count(*) FROM sqlite_master WHERE name = 'ClipItem_pinned'"), 1);
    EXPECT_EQ(raw.text("PRAGMA integrity_check"), "ok");
}

TEST_F(StorageTest, StoresOfEveryOlderVersionOpenWithTheirThumbnailsPinsAndSpaces)
{
    // Each version's store made from the current one by undoing the later steps, newest first:
    // a case applies its own step and every one above it.
    const std::pair<int, const char*> undo[] = {
        {6, "UPDATE ClipItem SET thumbnailData = (SELECT data FROM ClipThumbnail WHERE clipID = ClipItem.id);"
            "DROP TRIGGER ClipItem_thumbnailGone; DROP TABLE ClipThumbnail;"
            "CREATE INDEX ClipItem_fields ON ClipItem(isPinned, createdAt, typeRaw, spaceID, sourceAppName, "
            "textContent, ocrText, id, imageFileName, sourceAppBundleID, contentHash, byteSize, batchID, "
            "reminderDate);"},
        {5, "DROP INDEX ClipItem_fields; CREATE INDEX ClipItem_search ON ClipItem(isPinned, createdAt, typeRaw, "
            "spaceID, sourceAppName, textContent, ocrText);"},
        {4, "DROP INDEX ClipItem_search;"},
        {3, "DROP INDEX ClipItem_reminder; ALTER TABLE ClipItem DROP COLUMN reminderFiredFor;"},
        {2, "DROP INDEX ClipItem_kind;"},
        {1, "DROP INDEX ClipItem_pinned; DROP INDEX ClipItem_contentHash; DROP INDEX ClipItem_imageFileName;"},
    };
    const Uuid space = Uuid::random();
    for (std::size_t upTo = 0; upTo < std::size(undo); ++upTo) {
        const int version = undo[upTo].first;
        SCOPED_TRACE(version);
        const auto dataHome = home.path() / fmt::format("v{}", version);
        const auto file = Storage::appSupportDir(dataHome) / "Brisa.store";
        std::vector<ClipItem> clips;
        {
            auto store = Storage::open(dataHome, clock).storage;
            ASSERT_TRUE(store);
            clips.push_back(fullClip()); // pinned, in a space, a small thumbnail
            clips.back().spaceID = space;
            clips.push_back(textClip("texto", clock.now() - 1min));
            clips.push_back(makeClipItem({.type = ClipType::Screenshot, .imageFileName = store->newImageFileName(),
                                          .thumbnailData = Bytes(40'000, 0x5A)}, // spills to overflow pages
                                         clock));
            for (const auto& clip : clips)
                ASSERT_TRUE(store->insert(clip));
        }
        {
            RawDb raw(file);
            for (std::size_t i = 0; i <= upTo; ++i)
                ASSERT_EQ(raw.exec(undo[i].second), SQLITE_OK) << undo[i].first;
            ASSERT_EQ(raw.exec(fmt::format("PRAGMA user_version = {}", version)), SQLITE_OK);
            ASSERT_EQ(raw.integer("SELECT count(*) FROM ClipItem WHERE thumbnailData IS NOT NULL"), 2);
        }
        auto store = Storage::open(dataHome, clock).storage;
        ASSERT_TRUE(store);
        EXPECT_EQ(store->count(), 3);
        for (const auto& clip : clips) {
            auto back = store->fetch(clip.id);
            ASSERT_TRUE(back);
            expectSameFields(*back, clip);
            EXPECT_EQ(store->thumbnail(clip.id), clip.thumbnailData);
        }
        EXPECT_EQ(store->fetchPinned().size(), 1u);
        RawDb raw(file);
        EXPECT_EQ(raw.integer("PRAGMA user_version"), Storage::kSchemaVersion);
        // Moved, not copied: the rows are narrow again.
        EXPECT_EQ(raw.integer("SELECT count(*) FROM ClipItem WHERE thumbnailData IS NOT NULL"), 0);
        EXPECT_EQ(raw.integer("SELECT count(*) FROM ClipThumbnail"), 2);
        EXPECT_EQ(raw.integer("SELECT count(*) FROM sqlite_master WHERE name = 'ClipItem_fields'"), 0);
        EXPECT_EQ(raw.text("PRAGMA integrity_check"), "ok");
    }
}

TEST_F(StorageTest, AThumbnailGoesWithItsClipHoweverTheClipIsDeleted)
{
    auto store = openStore();
    store->setHistoryLimit(0);
    auto imageClip = [&](TimePoint at, bool pinned) {
        auto item = makeClipItem({.type = ClipType::Image, .thumbnailData = Bytes{1, 2, 3}}, clock);
        item.createdAt = at;
        item.isPinned = pinned;
        EXPECT_TRUE(store->insert(item));
        return item;
    };
    RawDb raw(storeFile());
    auto thumbnails = [&] { return raw.integer("SELECT count(*) FROM ClipThumbnail"); };
    const auto now = clock.now();
    struct Case {
        const char* name;
        std::function<void(const ClipItem&)> remove;
    };
    const Case cases[] = {
        {"deleteClip", [&](const ClipItem& c) { EXPECT_TRUE(store->deleteClip(c)); }},
        {"deleteClips", [&](const ClipItem& c) { EXPECT_EQ(store->deleteClips(std::span(&c.id, 1)), 1u); }},
        {"clearHistory", [&](const ClipItem&) { EXPECT_EQ(store->clearHistory(), 1u); }},
        {"history limit",
         [&](const ClipItem&) {
             store->setHistoryLimit(1);
             EXPECT_TRUE(store->insertCaptured(textClip("nuevo", now + 1h)));
             store->setHistoryLimit(0);
         }},
        {"a script", [&](const ClipItem& c) {
             ASSERT_EQ(raw.exec("DELETE FROM ClipItem WHERE id = '" + c.id.toString() + "'"), SQLITE_OK);
         }},
    };
    const auto pinned = imageClip(now - 2h, true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto gone = imageClip(now - 1h, false);
        ASSERT_EQ(thumbnails(), 2);
        c.remove(gone);
        EXPECT_EQ(store->thumbnail(gone.id), std::nullopt);
        EXPECT_EQ(thumbnails(), 1);
        EXPECT_EQ(store->thumbnail(pinned.id), (Bytes{1, 2, 3}));
    }
}

TEST_F(StorageTest, AThumbnailIsWrittenOnlyWithItsRecord)
{
    auto store = openStore();
    // An update of a record that does not exist stores nothing, not even the thumbnail.
    auto absent = makeClipItem({.type = ClipType::Image, .thumbnailData = Bytes{7}}, clock);
    EXPECT_FALSE(store->update(absent));
    RawDb raw(storeFile());
    EXPECT_EQ(raw.integer("SELECT count(*) FROM ClipThumbnail"), 0);
    // A record that cannot be stored (its id is taken) keeps the first record's thumbnail.
    auto first = makeClipItem({.type = ClipType::Image, .thumbnailData = Bytes{1}}, clock);
    ASSERT_TRUE(store->insert(first));
    auto again = first;
    again.thumbnailData = Bytes{2};
    EXPECT_FALSE(store->insert(again));
    EXPECT_FALSE(store->insertBatch(std::span(&again, 1)).inserted);
    EXPECT_EQ(store->thumbnail(first.id), (Bytes{1}));
    // An update with a thumbnail replaces it.
    EXPECT_TRUE(store->update(again));
    EXPECT_EQ(store->thumbnail(first.id), (Bytes{2}));
    EXPECT_EQ(raw.integer("SELECT count(*) FROM ClipThumbnail"), 1);
}

TEST_F(StorageTest, FetchMatchingKeepsTheLibraryOrderAndTheFirstLimitOfManyMatches)
{
    auto store = openStore();
    store->setHistoryLimit(0);
    // Times repeat, so rows break ties.
    std::vector<ClipItem> clips;
    for (int i = 0; i < 3000; ++i) {
        clips.push_back(textClip(i % 3 ? "sí" : "no", clock.now() + std::chrono::seconds(i % 700), i % 11 == 0));
        clips.back().typeRaw = i % 2 ? "text" : "code";
    }
    ASSERT_TRUE(store->insertBatch(clips).ok);
    std::vector<Uuid> expected; // fetchAll is newest first, equal times newest row first
    for (bool pinned : {true, false})
        for (const auto& c : store->fetchAll())
            if (c.isPinned == pinned && c.textContent == "sí")
                expected.push_back(c.id);
    auto keep = [](const Storage::SearchRow& row) { return row.textContent == "sí"; };
    auto render = [](const ClipSummary& c, std::string& out) { out += c.id.toString() + "\n"; };
    for (std::size_t limit : {std::size_t(1), std::size_t(600), std::size_t(1500), std::size_t(5000)}) {
        SCOPED_TRACE(limit);
        auto found = store->fetchMatching(std::nullopt, keep, limit);
        ASSERT_TRUE(found);
        std::vector<Uuid> got;
        for (const auto& c : *found)
            got.push_back(c.id);
        const std::vector<Uuid> first(expected.begin(), expected.begin() + std::min(limit, expected.size()));
        EXPECT_EQ(got, first);
        // Read on several threads at once, merged into the same order.
        std::string lines;
        for (const auto& id : first)
            lines += id.toString() + "\n";
        for (std::size_t threads : {1, 2, 3})
            EXPECT_EQ(store->renderMatching(std::nullopt, keep, limit, render, threads), lines) << threads;
    }
    // A small limit whose one match lies beyond the newest rows.
    auto old = store->fetchMatching(std::nullopt, [](const Storage::SearchRow& row) { return row.rowid == 2; }, 1);
    ASSERT_TRUE(old);
    ASSERT_EQ(old->size(), 1u);
    EXPECT_EQ(old->front().id, clips[1].id);
    auto code = store->fetchMatching(ClipType::Code, keep, 5000);
    ASSERT_TRUE(code);
    EXPECT_EQ(code->size(), 1000u);
    // What keep throws reaches the caller, and the next scan works as before.
    auto throws = [](const Storage::SearchRow&) -> bool { throw std::bad_alloc(); };
    EXPECT_THROW(store->fetchMatching(std::nullopt, throws, 5), std::bad_alloc);
    EXPECT_THROW(store->renderMatching(std::nullopt, throws, 5, render, 2), std::bad_alloc);
    EXPECT_EQ(store->fetchMatching(std::nullopt, keep, 5000)->size(), expected.size());
    // Rows a script wrote at the ends of the rowid range are shared out like the others.
    {
        RawDb raw(storeFile());
        ASSERT_EQ(raw.exec("INSERT INTO ClipItem (rowid, id, typeRaw, textContent, createdAt, isPinned) VALUES "
                           "(-9223372036854775808, 'E621E1F8-C36C-495A-93FC-0C247A3E6E51', 'text', 'sí', 1, 1), "
                           "(9223372036854775807, 'E621E1F8-C36C-495A-93FC-0C247A3E6E52', 'text', 'sí', 0, 1)"),
                  SQLITE_OK);
    }
    const auto all = store->fetchMatching(std::nullopt, keep, 5000);
    ASSERT_TRUE(all);
    ASSERT_EQ(all->size(), expected.size() + 2);
    std::string everything;
    for (const auto& c : *all)
        everything += c.id.toString() + "\n";
    for (std::size_t threads : {2, 3})
        EXPECT_EQ(store->renderMatching(std::nullopt, keep, 5000, render, threads), everything) << threads;
}

TEST_F(StorageTest, RenderMatchingMergesSharesReadInEitherTimeOrder)
{
    auto store = openStore();
    store->setHistoryLimit(0);
    // The first 400 rows newer as they go (clips as they are copied), the next 400 older as they
    // go (an import of a newest-first list): on two threads, each share is in one order or the other.
    std::vector<ClipItem> clips;
    for (int i = 0; i < 800; ++i)
        clips.push_back(textClip("sí", clock.now() + std::chrono::seconds(i < 400 ? 1000 + i : 1000 - i), i % 7 == 0));
    ASSERT_TRUE(store->insertBatch(clips).ok);
    std::string expected;
    for (bool pinned : {true, false})
        for (const auto& c : store->fetchAll())
            if (c.isPinned == pinned)
                expected += c.id.toString() + "\n";
    auto keep = [](const Storage::SearchRow&) { return true; };
    auto render = [](const ClipSummary& c, std::string& out) { out += c.id.toString() + "\n"; };
    for (std::size_t threads : {1, 2, 3})
        EXPECT_EQ(store->renderMatching(std::nullopt, keep, 5000, render, threads), expected) << threads;
}

TEST_F(StorageTest, NewerSchemaIsRefusedAndLeftUntouched)
{
    fs::create_directories(dataDir());
    {
        RawDb raw(storeFile());
        ASSERT_EQ(raw.exec("CREATE TABLE ClipItem (id TEXT, futuro BLOB); PRAGMA user_version = 99;"), SQLITE_OK);
    }
    const auto before = readWholeFileForTest(storeFile());
    auto opened = Storage::open(home.path(), clock);
    EXPECT_EQ(opened.storage, nullptr);
    EXPECT_EQ(opened.error.rfind("No se pudo crear ModelContainer: ", 0), 0u) << opened.error;
    EXPECT_NE(opened.error.find("99"), std::string::npos);
    EXPECT_EQ(readWholeFileForTest(storeFile()), before);
    EXPECT_FALSE(fs::exists(dataDir() / "Brisa.store-wal"));
}

TEST_F(StorageTest, StoreThatCannotBeOpenedReportsWhy)
{
    writeFile(dataDir(), "un archivo donde debería estar la carpeta");
    auto opened = Storage::open(home.path(), clock);
    EXPECT_EQ(opened.storage, nullptr);
    EXPECT_EQ(opened.error.rfind("No se pudo crear ModelContainer: ", 0), 0u) << opened.error;
    EXPECT_GT(opened.error.size(), std::string("No se pudo crear ModelContainer: ").size());
    EXPECT_EQ(readWholeFileForTest(dataDir()), "un archivo donde debería estar la carpeta");
}
