// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/ScreenshotWatcher.h"

#include "core/capture/CapturePause.h"
#include "core/capture/ClipRecorder.h"
#include "core/capture/ImageThumbnailer.h"
#include "core/image/ImageLibrary.h"
#include "core/settings/UserDefaults.h"
#include "core/store/Storage.h"
#include "core/support/WorkerPool.h"
#include "fakes/FakeCaptureLinks.h"
#include "fakes/LogCapture.h"
#include "fakes/TempDir.h"
#include "fakes/TestImages.h"
#include "fakes/VirtualScheduler.h"
#include "platform/DirectoryWatcher.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <condition_variable>
#include <fstream>
#include <mutex>

using namespace brisa;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

/// Virtual time, plus a way to wait for the results the worker pool posts back.
class WaitingScheduler final : public Scheduler {
public:
    TimePoint now() const override { return virtual_.now(); }
    TaskId runAfter(Duration delay, std::function<void()> fn) override { return virtual_.runAfter(delay, std::move(fn)); }
    TaskId repeat(Duration interval, std::function<void()> fn) override { return virtual_.repeat(interval, std::move(fn)); }
    void cancel(TaskId id) override { virtual_.cancel(id); }
    void post(std::function<void()> fn) override
    {
        virtual_.post(std::move(fn));
        {
            std::lock_guard lock(mutex_);
            ++posts_;
        }
        posted_.notify_all();
    }

    void advance(Duration d) { virtual_.advance(d); }
    std::size_t pendingCount() const { return virtual_.pendingCount(); }

    /// Waits (bounded) for a post not seen yet and runs what was posted; false on time-out.
    bool runNextPosted()
    {
        {
            std::unique_lock lock(mutex_);
            if (!posted_.wait_for(lock, 30s, [this] { return posts_ > seen_; }))
                return false;
            seen_ = posts_;
        }
        virtual_.runPosted();
        return true;
    }

private:
    test::VirtualScheduler virtual_;
    std::mutex mutex_;
    std::condition_variable posted_;
    std::size_t posts_ = 0;
    std::size_t seen_ = 0;
};

void writeBytes(const fs::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool startsWithPngSignature(const Bytes& b)
{
    static const Bytes signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return b.size() >= signature.size() && std::equal(signature.begin(), signature.end(), b.begin());
}

Bytes readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

class ScreenshotWatcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(storage);
        fs::create_directories(shots);
    }

    /// Starts the watcher on the screenshot folder as the app does, with a platform watch that works.
    void start()
    {
        ASSERT_TRUE(watcher->start(shots, &folderWatch));
    }

    /// Lets every job on the pool finish and come back.
    void drain()
    {
        while (watcher->busy())
            ASSERT_TRUE(clock.runNextPosted()) << "the worker pool did not answer";
    }

    void scan()
    {
        watcher->scan();
        drain();
    }

    /// Moves to the next attempt of files that are waiting for one.
    void nextAttempt()
    {
        clock.advance(ScreenshotWatcher::kRetryDelay);
        drain();
    }

    std::size_t imageFileCount() const
    {
        std::size_t n = 0;
        for (const auto& entry : fs::directory_iterator(storage->imagesDir()))
            n += entry.is_regular_file() ? 1 : 0;
        return n;
    }

    test::TempDir dir;
    test::LogCapture log;
    WaitingScheduler clock;
    WorkerPool pool{2};
    std::unique_ptr<Storage> storage = Storage::open(dir / "data", clock).storage;
    fs::path shots = dir / "shots";
    /// The platform's folder watch, which works unless told otherwise.
    struct FolderWatch final : DirectoryWatcher {
        bool watch(const fs::path& folder, Changed) override
        {
            asked = folder;
            return works;
        }
        std::string lastError() const override { return {}; }
        bool works = true;
        fs::path asked;
    } folderWatch;
    test::FakeToasts shown;
    std::vector<ToastData>& toasts = shown.shown;
    std::unique_ptr<ScreenshotWatcher> watcher = [this] {
        auto w = std::make_unique<ScreenshotWatcher>(*storage, clock, pool, linkedImageLibrary());
        w->toasts = &shown;
        return w;
    }();

    static const std::optional<Bytes>& thumbnail(const ToastData& toast)
    {
        return std::get<ToastData::Screenshot>(toast.kind).thumbnail;
    }
};

// Names that are screenshots, from the tools people use (GNOME in Spanish and English, KDE, others).
class ScreenshotNames : public ScreenshotWatcherTest, public testing::WithParamInterface<const char*> {};

TEST_P(ScreenshotNames, BecomeOneScreenshotClip)
{
    start();
    const std::string name = GetParam();
    const bool jpeg = name.ends_with(".jpg") || name.ends_with(".JPEG");
    writeBytes(shots / name, test::gradientImage(64, 48, jpeg));
    scan();

    const auto clips = storage->fetchAll({.withThumbnails = true});
    ASSERT_EQ(clips.size(), 1u);
    const auto& clip = clips.front();
    EXPECT_EQ(clip.typeRaw, "screenshot");
    EXPECT_EQ(clip.sourceAppName, "Captura de pantalla");
    EXPECT_FALSE(clip.sourceAppBundleID);
    EXPECT_FALSE(clip.textContent);
    EXPECT_FALSE(clip.contentHash);
    EXPECT_FALSE(clip.batchID);
    EXPECT_EQ(clip.createdAt, clock.now());
    ASSERT_TRUE(clip.imageFileName);
    const Bytes stored = readBytes(storage->imagesDir() / *clip.imageFileName);
    EXPECT_TRUE(startsWithPngSignature(stored));
    EXPECT_EQ(clip.byteSize, static_cast<std::int64_t>(stored.size()));
    ASSERT_TRUE(clip.thumbnailData);
    EXPECT_EQ(ImageThumbnailer::imagePixelSize(*clip.thumbnailData), (ImageThumbnailer::PixelSize{64, 48}));
    EXPECT_TRUE(log.contains("[Brisa] Captura importada: " + name));

    ASSERT_EQ(toasts.size(), 1u);
    EXPECT_EQ(toasts[0].drag, ClipDragPayload::imageFile(*clip.imageFileName));
    ASSERT_TRUE(thumbnail(toasts[0]));
    EXPECT_TRUE(startsWithPngSignature(*thumbnail(toasts[0])));
}

INSTANTIATE_TEST_SUITE_P(Names, ScreenshotNames,
                         testing::Values("Screenshot from 2026-03-01 10-00-00.png", "SCREENSHOT.PNG",
                                         "screenshot.png", "Screenshot_20260301_100000.png",
                                         "Captura de pantalla 2026-03-01 100000.png",
                                         "Captura desde 2026-03-01 10-00-00.png", "Screen Shot 2026-03-01.png",
                                         "CleanShot 2026-03-01.png", "Screenshot 1.jpg", "Screenshot 2.JPEG",
                                         "Screenshot 3.tiff"));

TEST_F(ScreenshotWatcherTest, OtherNamesAndExtensionsAreNotImportedUntilRenamedToAScreenshotsName)
{
    start();
    for (const char* name : {"foto.png", "IMG_0001.png", "mi screenshot.png", "Screenshot.gif", "Screenshot.pdf",
                             "Screenshot", "Screenshot.png.part", ".Screenshot.png"})
        writeBytes(shots / name, test::gradientImage(8, 8));
    watcher->scan();
    EXPECT_FALSE(watcher->busy()); // nothing was even read
    EXPECT_EQ(storage->count(), 0);
    EXPECT_TRUE(toasts.empty());

    fs::rename(shots / "foto.png", shots / "Screenshot renamed.png"); // renamed to a screenshot's name
    scan();
    EXPECT_EQ(storage->count(), 1);
    EXPECT_TRUE(log.contains("Captura importada: Screenshot renamed.png"));
}

TEST_F(ScreenshotWatcherTest, FilesPresentAtStartAreNeverImported)
{
    writeBytes(shots / "Screenshot old.png", test::gradientImage(8, 8));
    start();
    scan();
    EXPECT_EQ(storage->count(), 0);
    writeBytes(shots / "Screenshot new.png", test::gradientImage(8, 8));
    scan();
    EXPECT_EQ(storage->count(), 1);
    EXPECT_TRUE(log.contains("Captura importada: Screenshot new.png"));
    EXPECT_FALSE(log.contains("Screenshot old.png"));
}

TEST_F(ScreenshotWatcherTest, ANameSeenBeforeIsNotImportedAgainUntilItDisappears)
{
    start();
    writeBytes(shots / "Screenshot.png", test::gradientImage(8, 8));
    scan();
    scan(); // a second event for the same file (created, then closed after writing)
    EXPECT_EQ(storage->count(), 1);
    fs::remove(shots / "Screenshot.png");
    scan();
    writeBytes(shots / "Screenshot.png", test::gradientImage(8, 8));
    scan();
    EXPECT_EQ(storage->count(), 2);

    // Deleted and saved again between two looks: the folder watch saw the deletion.
    fs::remove(shots / "Screenshot.png");
    writeBytes(shots / "Screenshot.png", test::gradientImage(8, 8));
    watcher->scan({"Screenshot.png"});
    drain();
    EXPECT_EQ(storage->count(), 3);
}

TEST_F(ScreenshotWatcherTest, AScreenshotSavedDuringAPauseIsNeverImported)
{
    UserDefaults defaults;
    CapturePause pause(clock, defaults);
    watcher->capturePause = &pause;
    start();
    pause.pause();
    writeBytes(shots / "Screenshot en pausa.png", test::gradientImage(8, 8));
    scan();
    pause.resume();
    writeBytes(shots / "Screenshot después.png", test::gradientImage(8, 8));
    scan();
    const auto clips = storage->fetchAll();
    ASSERT_EQ(clips.size(), 1u);
    EXPECT_TRUE(log.contains("[Brisa] Captura importada: Screenshot después.png"));
}

TEST_F(ScreenshotWatcherTest, ASliverWhoseThumbnailRoundsToNothingIsStoredWithoutOne)
{
    start();
    writeBytes(shots / "Screenshot.png", test::gradientImage(2000, 2));
    scan(); // no retry: one look is enough
    const auto clips = storage->fetchAll({.withThumbnails = true});
    ASSERT_EQ(clips.size(), 1u);
    EXPECT_FALSE(clips[0].thumbnailData);
    EXPECT_TRUE(clips[0].imageFileName);
    ASSERT_EQ(toasts.size(), 1u);
    EXPECT_FALSE(thumbnail(toasts[0]));
}

TEST_F(ScreenshotWatcherTest, AnEmptyFileIsImportedOnALaterAttempt)
{
    start();
    writeBytes(shots / "Screenshot.png", {});
    scan();
    EXPECT_EQ(storage->count(), 0);
    EXPECT_EQ(clock.pendingCount(), 1u);
    nextAttempt();
    EXPECT_EQ(storage->count(), 0);
    writeBytes(shots / "Screenshot.png", test::gradientImage(16, 16));
    nextAttempt();
    EXPECT_EQ(storage->count(), 1);
    EXPECT_EQ(clock.pendingCount(), 0u);
    EXPECT_FALSE(log.contains("omitida"));
}

// A file seen while the screenshot tool is still writing it.
class HalfWrittenFiles : public ScreenshotWatcherTest, public testing::WithParamInterface<bool> {};

TEST_P(HalfWrittenFiles, AreImportedWhenComplete)
{
    start();
    const bool jpeg = GetParam();
    const std::string name = jpeg ? "Screenshot.jpg" : "Screenshot.png";
    const Bytes image = test::gradientImage(200, 150, jpeg);
    writeBytes(shots / name, Bytes(image.begin(), image.begin() + static_cast<long>(image.size() * 2 / 3)));
    scan();
    EXPECT_EQ(storage->count(), 0);
    writeBytes(shots / name, image);
    nextAttempt();
    const auto clips = storage->fetchAll();
    ASSERT_EQ(clips.size(), 1u);
    if (!jpeg) { // PNG bytes are kept as they were
        EXPECT_EQ(readBytes(storage->imagesDir() / *clips[0].imageFileName), image);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, HalfWrittenFiles, testing::Bool());

TEST_F(ScreenshotWatcherTest, AFileNeverReadableIsSkippedWithALogLineAfterSixAttempts)
{
    start();
    writeBytes(shots / "Screenshot.png", {});
    scan(); // attempt 1
    for (int attempt = 2; attempt <= ScreenshotWatcher::kAttempts; ++attempt) {
        EXPECT_EQ(clock.pendingCount(), 1u) << "before attempt " << attempt;
        EXPECT_FALSE(log.contains("omitida"));
        nextAttempt();
    }
    EXPECT_EQ(clock.pendingCount(), 0u);
    EXPECT_TRUE(log.contains("[Brisa] Captura omitida tras 6 intentos: Screenshot.png (archivo vacío)"));
    EXPECT_EQ(storage->count(), 0);
    // Written later: the name is known by then, so nothing more happens.
    writeBytes(shots / "Screenshot.png", test::gradientImage(8, 8));
    scan();
    nextAttempt();
    EXPECT_EQ(storage->count(), 0);
}

TEST_F(ScreenshotWatcherTest, AJpegScreenshotIsStoredAsPng)
{
    start();
    writeBytes(shots / "Screenshot.jpg", test::gradientImage(40, 30, true));
    // Bytes that are not PNG under a .png name are converted too: the name alone proves nothing.
    writeBytes(shots / "Screenshot.png", test::gradientImage(30, 40, true));
    scan();
    const auto clips = storage->fetchAll();
    ASSERT_EQ(clips.size(), 2u);
    for (const auto& clip : clips) {
        const Bytes stored = readBytes(storage->imagesDir() / *clip.imageFileName);
        EXPECT_TRUE(startsWithPngSignature(stored));
        EXPECT_EQ(clip.byteSize, static_cast<std::int64_t>(stored.size()));
        const auto size = ImageThumbnailer::imagePixelSize(stored);
        ASSERT_TRUE(size);
        EXPECT_EQ(size->first * size->second, 1200);
    }
}

TEST_F(ScreenshotWatcherTest, OneScanImportsInNameOrder)
{
    start();
    for (const char* name : {"Screenshot c.png", "Screenshot a.png", "Screenshot b.png"})
        writeBytes(shots / name, test::gradientImage(8, 8));
    scan();
    std::vector<std::string> imported;
    for (const auto& line : log.lines())
        if (line.starts_with("[Brisa] Captura importada: "))
            imported.push_back(line.substr(27));
    EXPECT_EQ(imported, (std::vector<std::string>{"Screenshot a.png", "Screenshot b.png", "Screenshot c.png"}));
}

TEST_F(ScreenshotWatcherTest, WhatIsNotARegularFileOrOverFiftyMegabytesIsRefusedAtOnce)
{
    start();
    ASSERT_EQ(::mkfifo((shots / "Screenshot fifo.png").c_str(), 0600), 0); // reading would block forever
    fs::create_directory(shots / "Screenshot dir.png");
    { std::ofstream(shots / "Screenshot huge.png"); }
    fs::resize_file(shots / "Screenshot huge.png", ScreenshotWatcher::kMaxFileBytes + 1); // sparse: costs no disk
    scan();
    EXPECT_EQ(clock.pendingCount(), 0u);
    EXPECT_EQ(storage->count(), 0);
    EXPECT_TRUE(log.contains("Captura omitida: Screenshot fifo.png no es un archivo normal"));
    EXPECT_TRUE(log.contains("Captura omitida: Screenshot dir.png no es un archivo normal"));
    EXPECT_TRUE(log.contains("Captura omitida: Screenshot huge.png ocupa más de 50 MB"));
}

TEST_F(ScreenshotWatcherTest, ANonImageOrAnImageOverOneHundredMegapixelsIsSkippedAfterTheAttempts)
{
    start();
    // A JPEG whose header claims 20000 × 6000 pixels; no pixel is ever decoded.
    Bytes jpeg = test::gradientImage(16, 16, true);
    bool patched = false;
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) { // start of frame: height then width, big-endian
            jpeg[i + 5] = 6000 >> 8;
            jpeg[i + 6] = 6000 & 0xFF;
            jpeg[i + 7] = 20000 >> 8;
            jpeg[i + 8] = 20000 & 0xFF;
            patched = true;
            break;
        }
    ASSERT_TRUE(patched);
    writeBytes(shots / "Screenshot bomb.jpg", jpeg);
    writeBytes(shots / "Screenshot.png", toBytes("esto no es una imagen"));
    scan();
    for (int i = 1; i < ScreenshotWatcher::kAttempts; ++i)
        nextAttempt();
    EXPECT_EQ(storage->count(), 0);
    EXPECT_EQ(imageFileCount(), 0u);
    EXPECT_TRUE(toasts.empty());
    EXPECT_TRUE(log.contains("Captura omitida tras 6 intentos: Screenshot bomb.jpg (20000 × 6000 píxeles supera el "
                             "límite de 100 megapíxeles)"));
    EXPECT_TRUE(log.contains("Captura omitida tras 6 intentos: Screenshot.png (no es una imagen decodificable)"));
}

TEST_F(ScreenshotWatcherTest, AnImageThatCannotBeWrittenKeepsItsRecordWithoutAFileName)
{
    start();
    fs::remove_all(storage->imagesDir());
    { std::ofstream(storage->imagesDir()) << "not a folder"; } // every write into it fails
    writeBytes(shots / "Screenshot.png", test::gradientImage(8, 8));
    scan();
    const auto clips = storage->fetchAll({.withThumbnails = true});
    ASSERT_EQ(clips.size(), 1u);
    EXPECT_FALSE(clips[0].imageFileName);
    EXPECT_TRUE(clips[0].thumbnailData);
    ASSERT_EQ(toasts.size(), 1u);
    EXPECT_FALSE(toasts[0].drag);
}

TEST_F(ScreenshotWatcherTest, AClipboardCopyOfTheSameImageRightAfterIsASeparateClip)
{
    start();
    const Bytes png = test::gradientImage(8, 8);
    writeBytes(shots / "Screenshot.png", png);
    scan();
    const auto size = static_cast<std::int64_t>(png.size());
    const auto thumbnail = [](const Bytes& image) {
        return linkedImageLibrary().thumbnail(image, ImageThumbnailer::kStoredMaxDimension);
    };
    const auto out = recordClip(*storage, clock, prepareClip({ClipType::Image, std::nullopt, png, size}, thumbnail),
                                std::nullopt, std::nullopt);
    EXPECT_EQ(out.kind, RecordOutcome::Kind::Inserted);
    EXPECT_EQ(storage->count(), 2);
}

TEST_F(ScreenshotWatcherTest, AFolderThatCannotBeWatchedIsLoggedAndNeverScannedOneThatCanIsWatched)
{
    folderWatch.works = false;
    EXPECT_FALSE(watcher->start(shots, &folderWatch));
    EXPECT_TRUE(log.contains("[Brisa] ScreenshotWatcher: no se pudo abrir " + shots.string()));
    EXPECT_FALSE(watcher->watchedDirectory());
    writeBytes(shots / "Screenshot.png", test::gradientImage(8, 8));
    scan();
    EXPECT_EQ(storage->count(), 0);

    // Started again with a watch that works: the folder is logged and watched.
    folderWatch.works = true;
    EXPECT_TRUE(watcher->start(shots, &folderWatch));
    EXPECT_EQ(folderWatch.asked, shots);
    EXPECT_EQ(watcher->watchedDirectory(), shots);
    EXPECT_TRUE(log.contains("[Brisa] ScreenshotWatcher vigilando " + shots.string()));
}

TEST_F(ScreenshotWatcherTest, AFolderThatCannotBeListedForgetsNothing)
{
    writeBytes(shots / "Screenshot old.png", test::gradientImage(8, 8));
    start();
    const fs::path moved = dir / "moved";
    fs::rename(shots, moved); // listing fails while it is gone
    scan();
    fs::rename(moved, shots);
    scan();
    EXPECT_EQ(storage->count(), 0); // the old screenshot is still known
}

TEST_F(ScreenshotWatcherTest, AWatcherGoneBeforeItsJobsComeBackIsNotCalled)
{
    start();
    writeBytes(shots / "Screenshot.png", test::gradientImage(8, 8));
    watcher->scan();
    watcher.reset();
    ASSERT_TRUE(clock.runNextPosted());
    EXPECT_EQ(storage->count(), 0);
    EXPECT_TRUE(toasts.empty());
}

// Where screenshots are looked for.
class ScreenshotDirectoryTest : public ::testing::Test {
protected:
    fs::path resolve() const { return ScreenshotWatcher::screenshotDirectory(defaults, home, config); }
    void writeUserDirs(const std::string& text) const
    {
        fs::create_directories(config);
        std::ofstream(config / "user-dirs.dirs") << text;
    }

    test::TempDir dir;
    fs::path home = dir / "home";
    fs::path config = dir / "home/.config";
    UserDefaults defaults;
};

TEST_F(ScreenshotDirectoryTest, TheSettingWinsWithTheTildeExpanded)
{
    defaults.set(ScreenshotWatcher::kLocationKey, "~/Capturas");
    EXPECT_EQ(resolve(), home / "Capturas"); // existence not tested
    defaults.set(ScreenshotWatcher::kLocationKey, "/srv/capturas");
    EXPECT_EQ(resolve(), fs::path("/srv/capturas"));
    defaults.set(ScreenshotWatcher::kLocationKey, "~");
    EXPECT_EQ(resolve(), home);
}

TEST_F(ScreenshotDirectoryTest, ThePicturesFolderOfTheDesktopSessionComesFirst)
{
    writeUserDirs("XDG_PICTURES_DIR=\"$HOME/Imágenes\"\nXDG_DESKTOP_DIR=\"$HOME/Escritorio\"\n");
    fs::create_directories(home / "Pictures/Screenshots");
    EXPECT_EQ(resolve(), home / "Pictures/Screenshots"); // Imágenes/Screenshots does not exist yet
    fs::create_directories(home / "Imágenes/Screenshots");
    EXPECT_EQ(resolve(), home / "Imágenes/Screenshots");
}

TEST_F(ScreenshotDirectoryTest, WithoutAScreenshotsFolderOrAUsableSettingTheDesktop)
{
    for (const auto& value : {nlohmann::json("capturas"), nlohmann::json(""), nlohmann::json(42), nlohmann::json()}) {
        defaults.set(ScreenshotWatcher::kLocationKey, value);
        EXPECT_EQ(resolve(), home / "Desktop") << value.dump();
    }
    writeUserDirs("XDG_DESKTOP_DIR=\"$HOME/Escritorio\"\n");
    EXPECT_EQ(resolve(), home / "Escritorio");
}

TEST(ScreenshotNamesRule, PrefixAndExtension)
{
    EXPECT_TRUE(ScreenshotWatcher::isLikelyScreenshot("ScreenShot x"));
    EXPECT_TRUE(ScreenshotWatcher::isLikelyScreenshot("CAPTURA"));
    EXPECT_FALSE(ScreenshotWatcher::isLikelyScreenshot("Pantallazo.png"));
    EXPECT_FALSE(ScreenshotWatcher::isLikelyScreenshot(""));
    EXPECT_TRUE(ScreenshotWatcher::hasImageExtension("a.TIFF"));
    EXPECT_TRUE(ScreenshotWatcher::hasImageExtension("a.b.heic"));
    EXPECT_FALSE(ScreenshotWatcher::hasImageExtension("png"));
    EXPECT_FALSE(ScreenshotWatcher::hasImageExtension("a.webp"));
}

} // namespace
