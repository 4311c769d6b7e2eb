// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/InotifyDirectoryWatcher.h"

#include "core/capture/ScreenshotWatcher.h"
#include "core/image/ImageLibrary.h"
#include "core/store/Storage.h"
#include "core/support/WorkerPool.h"
#include "fakes/LogCapture.h"
#include "fakes/TempDir.h"
#include "fakes/TestImages.h"
#include "platform/qt/QtScheduler.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <set>
#include <string>

using namespace brisa;
namespace fs = std::filesystem;

namespace {

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "test_InotifyDirectoryWatcherTest";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

/// Runs the event loop until done() holds or a generous deadline passes.
bool processEventsUntil(const std::function<bool()>& done)
{
    const QDeadlineTimer deadline(10'000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

class InotifyDirectoryWatcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        fs::create_directories(folder);
    }

    void watch()
    {
        ASSERT_TRUE(watcher.watch(folder, [this](const std::set<std::string>& gone) {
            ++calls;
            removed.insert(gone.begin(), gone.end());
        })) << watcher.lastError();
        EXPECT_EQ(watcher.lastError(), "");
    }

    test::TempDir dir;
    fs::path folder = dir / "watched";
    InotifyDirectoryWatcher watcher;
    int calls = 0;
    std::set<std::string> removed;
};

TEST_F(InotifyDirectoryWatcherTest, AFileWrittenOrMovedInIsReported)
{
    std::ofstream(dir / "fuera.png") << "datos";
    watch();
    fs::rename(dir / "fuera.png", folder / "dentro.png");
    EXPECT_TRUE(processEventsUntil([&] { return calls > 0; }));
    calls = 0; // the move's report is in: what follows is the write's
    std::ofstream(folder / "nuevo.png") << "datos";
    EXPECT_TRUE(processEventsUntil([&] { return calls > 0; }));
}

TEST_F(InotifyDirectoryWatcherTest, DeletedAndMovedOutNamesAreReported)
{
    std::ofstream(folder / "borrada.png") << "datos";
    std::ofstream(folder / "movida.png") << "datos";
    watch();
    fs::remove(folder / "borrada.png");
    fs::rename(folder / "movida.png", dir / "fuera.png");
    std::ofstream(folder / "borrada.png") << "otra vez";
    EXPECT_TRUE(processEventsUntil([&] { return removed.size() == 2; }));
    EXPECT_EQ(removed, (std::set<std::string>{"borrada.png", "movida.png"}));
}

TEST_F(InotifyDirectoryWatcherTest, WhatCannotBeWatchedFailsWithAReason)
{
    EXPECT_FALSE(watcher.watch(dir / "missing", [](const auto&) {}));
    EXPECT_NE(watcher.lastError(), "");
    std::ofstream(dir / "file") << "x";
    EXPECT_FALSE(watcher.watch(dir / "file", [](const auto&) {})); // a file is not a folder
    EXPECT_NE(watcher.lastError(), "");
}

TEST_F(InotifyDirectoryWatcherTest, WatchingAnotherFolderReplacesTheFirst)
{
    watch();
    const fs::path other = dir / "other";
    fs::create_directories(other);
    int otherCalls = 0;
    ASSERT_TRUE(watcher.watch(other, [&](const auto&) { ++otherCalls; }));
    std::ofstream(folder / "a.png") << "x";
    std::ofstream(other / "b.png") << "x";
    EXPECT_TRUE(processEventsUntil([&] { return otherCalls > 0; }));
    EXPECT_EQ(calls, 0);
}

TEST_F(InotifyDirectoryWatcherTest, ARemovedFolderStopsTheWatchWithALogLine)
{
    test::LogCapture log;
    watch();
    fs::remove_all(folder);
    EXPECT_TRUE(processEventsUntil([&] { return log.contains("Carpeta vigilada eliminada: " + folder.string()); }));
    EXPECT_EQ(calls, 0);
}

// The pieces as the application wires them: a screenshot saved into the folder becomes a clip.
TEST_F(InotifyDirectoryWatcherTest, AScreenshotSavedIntoTheFolderBecomesAClip)
{
    test::LogCapture log;
    QtScheduler scheduler;
    auto storage = Storage::open(dir / "data", scheduler).storage;
    ASSERT_TRUE(storage);
    WorkerPool pool(1);
    ScreenshotWatcher screenshots(*storage, scheduler, pool, linkedImageLibrary());
    ASSERT_TRUE(screenshots.start(folder, &watcher));

    const Bytes bytes = test::gradientImage(32, 32);
    const std::string png(bytes.begin(), bytes.end());
    std::ofstream(folder / "notas.txt") << "no es una captura";
    test::writeFile(folder / "Screenshot from 2026-03-01.png", png);
    ASSERT_TRUE(processEventsUntil([&] { return storage->count() > 0; }));
    EXPECT_TRUE(log.contains("Captura importada: Screenshot from 2026-03-01.png"));
    const auto clips = storage->fetchAll();
    ASSERT_EQ(clips.size(), 1u);
    EXPECT_EQ(clips[0].type(), ClipType::Screenshot);

    // Deleted and saved again under the same name, faster than the events are read: a new clip.
    fs::remove(folder / "Screenshot from 2026-03-01.png");
    test::writeFile(folder / "Screenshot from 2026-03-01.png", png);
    EXPECT_TRUE(processEventsUntil([&] { return storage->count() == 2; }));
    pool.shutdown();
}

} // namespace
