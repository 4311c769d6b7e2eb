// SPDX-License-Identifier: GPL-3.0-or-later
// Stores found damaged in ways SQLite itself would not report: what stands at the path, an empty
// file beside a history, and the modes of what goes aside.
#include "StoreTestSupport.h"

#include "core/support/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <functional>

using namespace brisa;
using namespace brisa::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

const std::string kImage = "0B9E4D6A-1111-4222-8333-444455556666.png";

class StorageDamageTest : public StoreTest {
protected:
    void SetUp() override { fs::create_directories(dataDir() / "images"); }

    /// An image of an earlier history, written long enough ago for the orphan cleanup to take it.
    void writeOldImage()
    {
        writeFile(dataDir() / "images" / kImage, "png");
        const timespec old[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
        ::utimensat(AT_FDCWD, (dataDir() / "images" / kImage).c_str(), old, 0);
    }

    std::string aside(const std::string& suffix = "") const
    {
        return "Brisa.store.corrupt-" + fileTimeStamp(clock.now()) + suffix;
    }
};

} // namespace

TEST_F(StorageDamageTest, WhatCannotBeAStoreGoesAsideWithTheImagesInsteadOfBeingTakenForANewOne)
{
    struct Case {
        const char* name;
        std::function<void(const fs::path& store)> make;
        const char* logged;
    };
    const std::vector<Case> cases{
        {"empty file", [](const fs::path& s) { writeFile(s, ""); }, "el archivo está vacío"},
        {"fifo", [](const fs::path& s) { ASSERT_EQ(::mkfifo(s.c_str(), 0644), 0); }, "no es un archivo normal"},
        {"folder", [](const fs::path& s) { fs::create_directory(s); }, "no es un archivo normal"},
        {"fifo journal",
         [](const fs::path& s) {
             writeFile(s, "");
             ASSERT_EQ(::mkfifo((s.string() + "-wal").c_str(), 0644), 0);
         },
         "Brisa.store-wal no es un archivo normal"},
        {"not a database", [](const fs::path& s) { writeFile(s, std::string(4096, 'Z')); }, "dañado"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dataDir());
        fs::create_directories(dataDir() / "images");
        writeOldImage();
        c.make(storeFile());
        ::chmod(storeFile().c_str(), 0644);

        auto opened = Storage::open(home.path(), clock);
        ASSERT_TRUE(opened.storage) << opened.error;
        EXPECT_EQ(opened.storage->count(), 0);
        EXPECT_TRUE(log.contains(c.logged));
        EXPECT_NE(opened.notice.find(aside()), std::string::npos) << opened.notice;
        EXPECT_TRUE(fs::exists(fs::symlink_status(dataDir() / aside())));
        EXPECT_EQ(modeOf(dataDir() / aside()), fs::is_directory(dataDir() / aside()) ? 0700u : 0600u);
        const auto images = dataDir() / ("images.corrupt-" + fileTimeStamp(clock.now()));
        EXPECT_EQ(readWholeFileForTest(images / kImage), "png");
        EXPECT_EQ(modeOf(images), 0700u);
        clock.advance(1h); // the next case gets names of its own
    }
}

TEST_F(StorageDamageTest, AnEmptyFileWithNothingBesideItIsAnInterruptedFirstStart)
{
    writeFile(storeFile(), "");
    auto opened = Storage::open(home.path(), clock);
    ASSERT_TRUE(opened.storage);
    EXPECT_EQ(opened.notice, "");
    EXPECT_FALSE(fs::exists(dataDir() / aside()));
    EXPECT_TRUE(opened.storage->insert(textClip("hola", clock.now())));
}

TEST_F(StorageDamageTest, ImagesLeftByAStoreThatIsGoneAreNeverCleanedUp)
{
    writeOldImage();
    auto opened = Storage::open(home.path(), clock);
    ASSERT_TRUE(opened.storage);
    const auto images = dataDir() / ("images.orphaned-" + fileTimeStamp(clock.now()));
    EXPECT_EQ(readWholeFileForTest(images / kImage), "png");
    EXPECT_NE(opened.notice.find("images.orphaned-"), std::string::npos) << opened.notice;

    // The next start finds a store of its own and the moved images untouched.
    opened.storage.reset();
    clock.advance(1h);
    EXPECT_TRUE(openStore());
    EXPECT_EQ(readWholeFileForTest(images / kImage), "png");
}

TEST_F(StorageDamageTest, AnOlderFolderIsMadePrivate)
{
    ::chmod(dataDir().c_str(), 0755);
    ::chmod((dataDir() / "images").c_str(), 0755);
    EXPECT_TRUE(openStore());
    EXPECT_EQ(modeOf(dataDir()), 0700u);
    EXPECT_EQ(modeOf(dataDir() / "images"), 0700u);
    EXPECT_EQ(modeOf(storeFile()), 0600u);
}
