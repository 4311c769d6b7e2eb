// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/ClipRecorder.h"
#include "core/capture/ImageThumbnailer.h"
#include "core/image/ImageLibrary.h"
#include "core/store/Storage.h"
#include "fakes/LogCapture.h"
#include "fakes/TempDir.h"
#include "fakes/TestImages.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace brisa;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

DetectedClip text(std::string s)
{
    const auto size = static_cast<std::int64_t>(s.size());
    return {ClipType::Text, std::move(s), std::nullopt, size};
}

struct ClipRecorderTest : ::testing::Test {
    test::TempDir dir;
    test::VirtualScheduler clock;
    test::LogCapture log;
    std::unique_ptr<Storage> storage = Storage::open(dir.path(), clock).storage;

    RecordOutcome record(DetectedClip d, std::optional<SourceApp> source = std::nullopt,
                         std::optional<Uuid> batch = std::nullopt)
    {
        const auto thumbnail = [](const Bytes& image) {
            return linkedImageLibrary().thumbnail(image, ImageThumbnailer::kStoredMaxDimension);
        };
        return recordClip(*storage, clock, prepareClip(std::move(d), thumbnail), source, batch);
    }
};

} // namespace

TEST_F(ClipRecorderTest, StoresTheClipWithItsSourceHashAndLogLine)
{
    ASSERT_TRUE(storage);
    auto batch = Uuid::random();
    auto out = record(text("hola"), SourceApp{"firefox", "Firefox"}, batch);
    ASSERT_EQ(out.kind, RecordOutcome::Kind::Inserted);
    auto stored = storage->fetch(out.item.id);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->textContent, "hola");
    EXPECT_EQ(stored->sourceAppBundleID, "firefox");
    EXPECT_EQ(stored->contentHash, "4c237167e278022de3a8558c157d71024b8281e73de226c7f4a00e7ba8d9cee3");
    EXPECT_EQ(stored->batchID, batch);
    EXPECT_TRUE(log.contains("[Brisa] Guardado text de Firefox (4 b)"));
    record(text("x"));
    EXPECT_TRUE(log.contains("[Brisa] Guardado text de ? (1 b)"));
}

TEST_F(ClipRecorderTest, SameContentRightAfterOnlyMovesTheNewestClipsTimeAfterSomethingElseIsANewClip)
{
    auto first = record(text("hola"), SourceApp{"firefox", "Firefox"});
    clock.advance(5s);
    const auto logged = log.lines().size();
    auto again = record(text("hola"), SourceApp{"kate", "Kate"}, Uuid::random());
    EXPECT_EQ(again.kind, RecordOutcome::Kind::RefreshedDuplicate);
    EXPECT_EQ(storage->count(), 1);
    auto stored = storage->fetch(first.item.id);
    EXPECT_EQ(stored->createdAt, clock.now());
    EXPECT_EQ(stored->sourceAppBundleID, "firefox"); // nothing else changes
    EXPECT_FALSE(stored->batchID);
    EXPECT_EQ(log.lines().size(), logged);

    // After something else, the same content is a new clip.
    record(text("otra"));
    clock.advance(1s);
    EXPECT_EQ(record(text("hola")).kind, RecordOutcome::Kind::Inserted);
    EXPECT_EQ(storage->count(), 3);
}

TEST_F(ClipRecorderTest, ImageClipGetsItsFileAndA320Thumbnail)
{
    auto png = test::gradientImage(1000, 500);
    auto out = record({ClipType::Image, std::nullopt, png, static_cast<std::int64_t>(png.size())});
    ASSERT_EQ(out.kind, RecordOutcome::Kind::Inserted);
    ASSERT_TRUE(out.item.imageFileName);
    EXPECT_TRUE(fs::exists(storage->imagesDir() / *out.item.imageFileName));
    auto thumb = storage->thumbnail(out.item.id);
    ASSERT_TRUE(thumb);
    EXPECT_EQ(ImageThumbnailer::imagePixelSize(*thumb), (ImageThumbnailer::PixelSize{320, 160}));
}

TEST_F(ClipRecorderTest, ImageWhoseFileCannotBeWrittenKeepsItsThumbnail)
{
    fs::remove_all(storage->imagesDir());
    std::ofstream(storage->imagesDir()) << "not a folder";
    auto png = test::gradientImage(64, 64);
    auto out = record({ClipType::Image, std::nullopt, png, static_cast<std::int64_t>(png.size())});
    ASSERT_EQ(out.kind, RecordOutcome::Kind::Inserted);
    auto stored = storage->fetch(out.item.id);
    EXPECT_FALSE(stored->imageFileName);
    EXPECT_TRUE(stored->thumbnailData);
    EXPECT_TRUE(log.contains("[Brisa] Error guardando imagen"));
}
