// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoreTestSupport.h"

#include "core/store/ThumbnailReader.h"

#include <gtest/gtest.h>

#include <thread>

using namespace brisa;
using namespace brisa::test;

namespace {

class ThumbnailReaderTest : public StoreTest {};

TEST_F(ThumbnailReaderTest, ReadsTheThumbnailStorageWrote)
{
    auto store = openStore();
    auto image = makeClipItem({.type = ClipType::Image, .thumbnailData = Bytes{0x89, 'P', 'N', 'G', 0, 7}}, clock);
    ASSERT_TRUE(store->insert(image));
    ThumbnailReader reader(store->storeFile());
    EXPECT_EQ(reader.thumbnail(image.id), (Bytes{0x89, 'P', 'N', 'G', 0, 7}));
}

TEST_F(ThumbnailReaderTest, ReadsFromAnotherThreadWhileTheStoreWrites)
{
    auto store = openStore();
    auto image = makeClipItem({.type = ClipType::Image, .thumbnailData = Bytes(100'000, 0xAB)}, clock);
    ASSERT_TRUE(store->insert(image));
    std::optional<Bytes> read;
    std::thread worker([&] {
        ThumbnailReader reader(store->storeFile());
        read = reader.thumbnail(image.id);
    });
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(store->insert(textClip("texto " + std::to_string(i), clock.now())));
    worker.join();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->size(), 100'000u);
}

TEST_F(ThumbnailReaderTest, MissingClipOrThumbnailGivesNothing)
{
    auto store = openStore();
    auto text = textClip("sin miniatura", clock.now());
    ASSERT_TRUE(store->insert(text));
    ThumbnailReader reader(store->storeFile());
    EXPECT_FALSE(reader.thumbnail(Uuid::random()));
    EXPECT_FALSE(reader.thumbnail(text.id));
}

TEST_F(ThumbnailReaderTest, SeesClipsAddedAfterItsFirstRead)
{
    auto store = openStore();
    ThumbnailReader reader(store->storeFile());
    auto later = makeClipItem({.type = ClipType::Screenshot, .thumbnailData = Bytes{1, 2, 3}}, clock);
    EXPECT_FALSE(reader.thumbnail(later.id));
    ASSERT_TRUE(store->insert(later));
    EXPECT_EQ(reader.thumbnail(later.id), (Bytes{1, 2, 3}));
}

TEST_F(ThumbnailReaderTest, GarbageBytesAreReturnedAsStored)
{
    // Decoding is the caller's business: whatever sits in the column comes back unchanged.
    auto store = openStore();
    auto image = makeClipItem({.type = ClipType::Image, .thumbnailData = Bytes{0, 0xFF, 0x13, 0x37}}, clock);
    ASSERT_TRUE(store->insert(image));
    {
        RawDb raw(storeFile());
        ASSERT_EQ(raw.exec("INSERT INTO ClipItem (id, typeRaw, thumbnailData, createdAt) VALUES "
                           "('11111111-2222-4333-8444-555555555555', 'image', 'no es una imagen', 0)"),
                  SQLITE_OK);
    }
    ThumbnailReader reader(store->storeFile());
    EXPECT_EQ(reader.thumbnail(image.id), (Bytes{0, 0xFF, 0x13, 0x37}));
    EXPECT_EQ(reader.thumbnail(*Uuid::parse("11111111-2222-4333-8444-555555555555")), toBytes("no es una imagen"));
}

TEST_F(ThumbnailReaderTest, MissingOrForeignStoreFileGivesNothingAndCreatesNothing)
{
    ThumbnailReader missing(home.path() / "nada" / "Brisa.store");
    EXPECT_FALSE(missing.thumbnail(Uuid::random()));
    EXPECT_FALSE(std::filesystem::exists(home.path() / "nada"));

    writeFile(home.path() / "basura.store", std::string(4096, 'x'));
    ThumbnailReader garbage(home.path() / "basura.store");
    EXPECT_FALSE(garbage.thumbnail(Uuid::random()));
    EXPECT_FALSE(garbage.thumbnail(Uuid::random()));
}

} // namespace
