// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/image/ImageClipOperations.h"
#include "core/image/ImageLibrary.h"

#include "core/capture/ImageThumbnailer.h"
#include "core/image/ImageProcessor.h"
#include "core/store/Storage.h"
#include "core/support/WorkerPool.h"
#include "fakes/FakeCaptureLinks.h"
#include "fakes/LogCapture.h"
#include "fakes/TempDir.h"
#include "fakes/TestImages.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

using namespace brisa;
namespace fs = std::filesystem;

namespace {

struct ImageClipOperationsTest : ::testing::Test {
    test::TempDir dir;
    test::VirtualScheduler scheduler;
    std::unique_ptr<Storage> storage = Storage::open(dir.path(), scheduler).storage;
    WorkerPool pool{2};
    test::FakeTextRecognizer recognizer;
    std::vector<std::pair<Uuid, Bytes>>& recognized = recognizer.asked;
    std::vector<ClipItem> inserted;
    ImageClipOperations ops{*storage, scheduler, pool, linkedImageLibrary(), &recognizer};

    void SetUp() override
    {
        ASSERT_TRUE(ImageThumbnailer::startImageLibrary());
        ops.onInserted([this](const ClipItem& item) { inserted.push_back(item); });
    }
    void TearDown() override { ImageProcessor::setHeicAllowed(true); }

    /// A stored clip of the given kind whose file holds image.
    ClipItem addSource(const Bytes& image, ClipType type = ClipType::Image,
                       std::optional<std::string> app = std::string("Firefox"))
    {
        const auto name = storage->newImageFileName();
        EXPECT_TRUE(storage->writeImage(name, image));
        auto item = makeClipItem(NewClip{.type = type,
                                         .imageFileName = name,
                                         .thumbnailData = ImageThumbnailer::thumbnailPNG(image, 320),
                                         .sourceAppName = std::move(app),
                                         .contentHash = std::string("abc"),
                                         .byteSize = static_cast<std::int64_t>(image.size())},
                                 scheduler);
        EXPECT_TRUE(storage->insert(item));
        return item;
    }

    /// Waits (on the condition, not a fixed time) until every operation has come back.
    void finish()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (ops.runningCount() > 0 && std::chrono::steady_clock::now() < deadline) {
            scheduler.runPosted();
            std::this_thread::yield();
        }
        ASSERT_EQ(ops.runningCount(), 0);
    }

    std::pair<int, int> sizeOfFile(const ClipItem& item)
    {
        auto bytes = imageSourceBytes(*storage, item);
        EXPECT_TRUE(bytes);
        return bytes ? ImageThumbnailer::imagePixelSize(*bytes).value_or(std::pair{0, 0}) : std::pair{0, 0};
    }
};

TEST_F(ImageClipOperationsTest, EachOperationAddsANewImageClipAndLeavesTheSourceAlone)
{
    ImageProcessor::setHeicAllowed(false);
    const auto screenshot = addSource(test::gradientImage(120, 80), ClipType::Screenshot);
    const auto sourceFile = storage->imagesDir() / *screenshot.imageFileName;
    const auto sourceTime = fs::last_write_time(sourceFile);

    struct Row {
        ImageOperation operation;
        const char* ext;
        std::optional<std::string> app;
        std::pair<int, int> size;
    };
    const Row rows[] = {
        {{ImageOperation::Kind::Compress}, "jpg", "Firefox", {120, 80}},
        {{ImageOperation::Kind::Resize, 0.5}, "png", "Brisa", {60, 40}},
        {{ImageOperation::Kind::Convert, 1, ImageFileFormat::Png}, "png", "Brisa", {120, 80}},
        {{ImageOperation::Kind::Convert, 1, ImageFileFormat::Jpeg}, "jpg", "Brisa", {120, 80}},
        {{ImageOperation::Kind::Convert, 1, ImageFileFormat::Tiff}, "tiff", "Brisa", {120, 80}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.ext);
        inserted.clear();
        ops.run(screenshot.id, r.operation);
        EXPECT_TRUE(inserted.empty()); // nothing before the main thread gets the result back
        finish();
        ASSERT_EQ(inserted.size(), 1u);
        auto stored = storage->fetch(inserted[0].id);
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->type(), ClipType::Image);
        EXPECT_TRUE(std::regex_match(*stored->imageFileName,
                                     std::regex(std::string("[0-9A-F-]{36}\\.") + r.ext)));
        EXPECT_EQ(stored->sourceAppName, r.app);
        EXPECT_EQ(stored->sourceAppBundleID, std::nullopt);
        EXPECT_EQ(stored->textContent, std::nullopt);
        EXPECT_EQ(stored->batchID, std::nullopt);
        EXPECT_TRUE(!stored->contentHash || stored->contentHash->empty());
        EXPECT_EQ(stored->byteSize, static_cast<std::int64_t>(fs::file_size(storage->imagesDir() / *stored->imageFileName)));
        EXPECT_TRUE(stored->thumbnailData);
        EXPECT_EQ(sizeOfFile(*stored), r.size);
        ASSERT_FALSE(recognized.empty());
        EXPECT_EQ(recognized.back().first, stored->id);
        // Newest first: the new clip leads the history.
        EXPECT_EQ(storage->fetchAll({.limit = 1}).front().id, stored->id);
    }
    auto source = storage->fetch(screenshot.id);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->type(), ClipType::Screenshot);
    EXPECT_EQ(fs::last_write_time(sourceFile), sourceTime);
}

TEST_F(ImageClipOperationsTest, CompressKeepsAMissingSourceApplicationMissing)
{
    const auto item = addSource(test::gradientImage(40, 40), ClipType::Image, std::nullopt);
    ops.compressToNewClip(item.id);
    finish();
    ASSERT_EQ(inserted.size(), 1u);
    EXPECT_EQ(storage->fetch(inserted[0].id)->sourceAppName, std::nullopt);
    const auto ext = fs::path(*inserted[0].imageFileName).extension();
    EXPECT_EQ(ext, ImageProcessor::canEncodeHeic() ? ".heic" : ".jpg");
}

TEST_F(ImageClipOperationsTest, AClipWhoseFileIsGoneIsProcessedFromItsThumbnail)
{
    const auto item = addSource(test::gradientImage(1000, 500));
    fs::remove(storage->imagesDir() / *item.imageFileName);
    ops.convertToNewClip(item.id, ImageFileFormat::Png);
    finish();
    ASSERT_EQ(inserted.size(), 1u);
    EXPECT_EQ(sizeOfFile(inserted[0]), (std::pair{320, 160}));
}

TEST_F(ImageClipOperationsTest, NothingIsAddedForABadScaleATextClipOrAGoneClip)
{
    const auto image = addSource(test::gradientImage(30, 30));
    auto text = makeClipItem(NewClip{.type = ClipType::Text, .textContent = std::string("hola"), .byteSize = 4},
                             scheduler);
    ASSERT_TRUE(storage->insert(text));
    const auto before = storage->count();
    ops.resizeToNewClip(image.id, 0);
    ops.resizeToNewClip(image.id, 1.5);
    ops.convertToNewClip(text.id, ImageFileFormat::Png);
    ops.convertToNewClip(Uuid::random(), ImageFileFormat::Png);
    finish();
    EXPECT_TRUE(inserted.empty());
    EXPECT_EQ(storage->count(), before);
}

TEST_F(ImageClipOperationsTest, TheNewClipObeysTheHistoryLimit)
{
    storage->setHistoryLimit(1);
    const auto item = addSource(test::gradientImage(30, 30));
    ops.resizeToNewClip(item.id, 0.5);
    finish();
    ASSERT_EQ(inserted.size(), 1u);
    EXPECT_EQ(storage->count(), 1);
    EXPECT_TRUE(storage->fetch(inserted[0].id));
}

TEST_F(ImageClipOperationsTest, AFailedWriteIsLoggedAndAddsNoClip)
{
    test::LogCapture log;
    ProcessedImage image{test::gradientImage(10, 10), "png", std::string("Brisa"), std::nullopt};
    // A file where the images folder should be: no writer, root included, gets past it.
    fs::remove_all(storage->imagesDir());
    std::ofstream(storage->imagesDir()) << "x";
    auto out = insertImageClip(*storage, scheduler, std::move(image));
    EXPECT_EQ(out, std::nullopt);
    EXPECT_EQ(storage->count(), 0);
    EXPECT_TRUE(log.contains("[Brisa] Error guardando imagen: "));
}

} // namespace
