// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoreTestSupport.h"

#include "core/support/AtomicFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <set>

using namespace brisa;
using namespace brisa::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

class StorageRecoveryTest : public StoreTest {
protected:
    /// Every file in dir whose name starts with prefix.
    static std::vector<std::string> filesStartingWith(const fs::path& dir, const std::string& prefix)
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().filename().string().rfind(prefix, 0) == 0)
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    /// Fills a store with n clips of some size and closes it (which folds the journal into the file).
    void makeClosedStore(int n)
    {
        auto store = openStore();
        store->setHistoryLimit(0);
        for (int i = 0; i < n; ++i)
            ASSERT_TRUE(store->insert(textClip(std::string(300, static_cast<char>('a' + i % 26)),
                                               clock.now() + std::chrono::seconds(i))));
    }
};

} // namespace

TEST_F(StorageRecoveryTest, GarbageFileIsMovedAsideWithItsCompanionsAndAFreshStoreStarts)
{
    const std::string garbage(8192, 'Z');
    writeFile(storeFile(), garbage);
    writeFile(dataDir() / "Brisa.store-wal", "wal que no es");
    writeFile(dataDir() / "Brisa.store-shm", "shm que no es");

    const std::string aside = "Brisa.store.corrupt-" + fileTimeStamp(clock.now());
    {
        auto store = openStore();
        ASSERT_TRUE(store);
        EXPECT_EQ(store->count(), 0);
        ASSERT_TRUE(store->insert(textClip("después", clock.now())));
    }
    EXPECT_EQ(filesStartingWith(dataDir(), "Brisa.store.corrupt-"),
              (std::vector<std::string>{aside, aside + "-shm", aside + "-wal"}));
    EXPECT_EQ(readWholeFileForTest(dataDir() / aside), garbage);
    EXPECT_EQ(readWholeFileForTest(dataDir() / (aside + "-wal")), "wal que no es");
    EXPECT_TRUE(log.contains("dañado"));
    EXPECT_TRUE(log.contains(aside));

    // The next start neither touches the renamed files nor loses what the fresh store holds.
    clock.advance(1h);
    auto store = openStore();
    EXPECT_EQ(store->count(), 1);
    EXPECT_EQ(filesStartingWith(dataDir(), "Brisa.store.corrupt-"),
              (std::vector<std::string>{aside, aside + "-shm", aside + "-wal"}));
    EXPECT_EQ(readWholeFileForTest(dataDir() / aside), garbage);
}

TEST_F(StorageRecoveryTest, ImagesOfADamagedStoreGoAsideWithIt)
{
    const std::string image = "0B9E4D6A-1111-4222-8333-444455556666.png";
    writeFile(storeFile(), std::string(4096, 'Z'));
    writeFile(dataDir() / "images" / image, "png");
    auto store = openStore();
    ASSERT_TRUE(store);
    const std::string stamp = fileTimeStamp(clock.now());
    EXPECT_EQ(readWholeFileForTest(dataDir() / ("images.corrupt-" + stamp) / image), "png");
    EXPECT_TRUE(fs::is_directory(dataDir() / "images"));
    EXPECT_TRUE(fs::is_empty(dataDir() / "images"));
    EXPECT_EQ(modeOf(dataDir() / "images"), 0700u);
}

TEST_F(StorageRecoveryTest, SecondDamageInTheSameSecondGetsItsOwnName)
{
    writeFile(storeFile(), std::string(4096, 'A'));
    openStore().reset();
    writeFile(storeFile(), std::string(4096, 'B'));
    openStore().reset();
    const std::string aside = "Brisa.store.corrupt-" + fileTimeStamp(clock.now());
    EXPECT_EQ(readWholeFileForTest(dataDir() / aside), std::string(4096, 'A'));
    EXPECT_EQ(readWholeFileForTest(dataDir() / (aside + "-2")), std::string(4096, 'B'));
}

class TruncatedStoreTest : public StorageRecoveryTest, public ::testing::WithParamInterface<std::uintmax_t> {};

TEST_P(TruncatedStoreTest, TruncatedDatabaseIsMovedAsideAndAFreshStoreStarts)
{
    makeClosedStore(3000);
    ASSERT_FALSE(fs::exists(dataDir() / "Brisa.store-wal"));
    const auto size = fs::file_size(storeFile());
    const auto keep = GetParam() == 0 ? size / 2 : GetParam();
    fs::resize_file(storeFile(), keep);

    auto store = openStore();
    ASSERT_TRUE(store);
    EXPECT_EQ(store->count(), 0);
    const std::string aside = "Brisa.store.corrupt-" + fileTimeStamp(clock.now());
    ASSERT_TRUE(fs::exists(dataDir() / aside));
    EXPECT_EQ(fs::file_size(dataDir() / aside), keep);
}

// 50 bytes: not even a header; 4096: the first page only; 0 stands for half of the file.
INSTANTIATE_TEST_SUITE_P(Sizes, TruncatedStoreTest, ::testing::Values(50u, 4096u, 0u));

/// Overwrites count pages of 4 KB from the middle of the file with 0xFF.
void damageMiddle(const fs::path& file, int count)
{
    const auto size = fs::file_size(file);
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(size / 2 / 4096 * 4096));
    const std::string junk(4096 * static_cast<std::size_t>(count), '\xFF');
    f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
}

TEST_F(StorageRecoveryTest, DamageInsideAWholeFileIsFoundAtStart)
{
    makeClosedStore(3000);
    damageMiddle(storeFile(), 4);
    auto store = openStore();
    ASSERT_TRUE(store);
    EXPECT_EQ(store->count(), 0);
    EXPECT_TRUE(fs::exists(dataDir() / ("Brisa.store.corrupt-" + fileTimeStamp(clock.now()))));
}

TEST_F(StorageRecoveryTest, DamageSeenDuringARunOnALargeStoreIsHandledAtTheNextStart)
{
    {
        // About 40 MB: more than a start-up check reads in full.
        auto store = openStore();
        store->setHistoryLimit(0);
        for (int i = 0; i < 600; ++i) {
            auto item = textClip("imagen", clock.now() + std::chrono::seconds(i));
            item.thumbnailData = Bytes(64 * 1024, static_cast<std::uint8_t>(i));
            ASSERT_TRUE(store->insert(item));
        }
    }
    damageMiddle(storeFile(), 8);
    {
        auto store = openStore();
        ASSERT_TRUE(store); // opened without reading the damaged pages
        store->fetchAll({.withThumbnails = true});
        EXPECT_TRUE(log.contains("se comprobará entero"));
        EXPECT_TRUE(fs::exists(dataDir() / "Brisa.store.needs-check"));
    }
    auto store = openStore();
    ASSERT_TRUE(store);
    EXPECT_EQ(store->count(), 0);
    EXPECT_TRUE(fs::exists(dataDir() / ("Brisa.store.corrupt-" + fileTimeStamp(clock.now()))));
    EXPECT_FALSE(fs::exists(dataDir() / "Brisa.store.needs-check"));
}

TEST_F(StorageRecoveryTest, GarbageJournalBesideASoundDatabaseIsHarmless)
{
    makeClosedStore(10);
    writeFile(dataDir() / "Brisa.store-wal", std::string(5000, 'W'));
    auto store = openStore();
    EXPECT_EQ(store->count(), 10);
    EXPECT_TRUE(filesStartingWith(dataDir(), "Brisa.store.corrupt-").empty());
}

TEST_F(StorageRecoveryTest, EveryInsertThatReturnedSurvivesSigkill)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::fcntl(fds[1], F_SETPIPE_SZ, 4096); // the child can run only a little ahead of what we read
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(fds[0]);
        setLogSink([](std::string_view) {});
        auto opened = Storage::open(home.path(), clock);
        if (!opened.storage)
            ::_exit(2);
        opened.storage->setHistoryLimit(0);
        for (int i = 0; i < 1000; ++i) {
            auto item = textClip(std::string(2000, 'x') + std::to_string(i), clock.now() + std::chrono::seconds(i));
            if (!opened.storage->insertCaptured(item))
                ::_exit(3);
            const auto line = item.id.toString() + "\n";
            if (::write(fds[1], line.data(), line.size()) != static_cast<ssize_t>(line.size()))
                ::_exit(4);
        }
        ::_exit(0);
    }
    ::close(fds[1]);

    std::string received;
    std::vector<std::string> reported;
    bool killed = false;
    char buf[512];
    for (;;) {
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        received.append(buf, static_cast<std::size_t>(n));
        std::size_t nl;
        while ((nl = received.find('\n')) != std::string::npos) {
            reported.push_back(received.substr(0, nl));
            received.erase(0, nl + 1);
        }
        if (!killed && reported.size() >= 300) {
            ::kill(pid, SIGKILL);
            killed = true;
        }
    }
    ::close(fds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the child finished before being killed";
    ASSERT_GE(reported.size(), 300u);
    ASSERT_LT(reported.size(), 1000u);

    {
        RawDb raw(storeFile());
        EXPECT_EQ(raw.text("PRAGMA integrity_check"), "ok");
    }
    auto store = openStore();
    ASSERT_TRUE(store);
    EXPECT_TRUE(filesStartingWith(dataDir(), "Brisa.store.corrupt-").empty());
    std::set<std::string> stored;
    for (const auto& item : store->fetchAll())
        stored.insert(item.id.toString());
    for (const auto& id : reported)
        EXPECT_TRUE(stored.count(id)) << id;
    EXPECT_GE(stored.size(), reported.size());
}

// ---- moving the predecessor's folder into place ----

TEST_F(StorageRecoveryTest, PredecessorFolderMovesWithItsJournalAndImages)
{
    // A live predecessor store: its latest records still sit in the -wal beside it.
    TempDir other;
    std::vector<Uuid> ids;
    std::string imageName;
    {
        auto opened = Storage::open(other.path(), clock);
        ASSERT_TRUE(opened.storage);
        auto& source = *opened.storage;
        auto item = textClip("con imagen", clock.now() - 1h);
        imageName = source.newImageFileName();
        item.imageFileName = imageName;
        ASSERT_TRUE(source.writeImage(imageName, Bytes{1, 2}));
        for (const auto& clip : {item, textClip("uno", clock.now()), textClip("dos", clock.now())}) {
            ASSERT_TRUE(source.insert(clip));
            ids.push_back(clip.id);
        }
        const auto from = other.path() / "Brisa";
        const auto to = home.path() / "Pinbox";
        fs::create_directories(to / "images");
        ASSERT_TRUE(fs::exists(from / "Brisa.store-wal"));
        for (std::string suffix : {"", "-wal", "-shm"})
            fs::copy_file(from / ("Brisa.store" + suffix), to / ("Pinbox.store" + suffix));
        fs::copy_file(from / "images" / imageName, to / "images" / imageName);
    }

    auto store = openStore();
    ASSERT_TRUE(store);
    EXPECT_FALSE(fs::exists(home.path() / "Pinbox"));
    EXPECT_TRUE(filesStartingWith(dataDir(), "Pinbox.store").empty());
    EXPECT_EQ(store->count(), 3);
    for (const auto& id : ids)
        EXPECT_TRUE(store->fetch(id));
    EXPECT_TRUE(fs::exists(store->imagesDir() / imageName));
    EXPECT_TRUE(log.contains("[Brisa] Historial de Pinbox migrado a " + dataDir().string()));
}

TEST_F(StorageRecoveryTest, PredecessorStoreWithoutCompanionsMovesAlone)
{
    makeClosedStore(4);
    fs::rename(dataDir(), home.path() / "Pinbox");
    fs::rename(home.path() / "Pinbox" / "Brisa.store", home.path() / "Pinbox" / "Pinbox.store");
    auto store = openStore();
    EXPECT_EQ(store->count(), 4);
    EXPECT_TRUE(filesStartingWith(dataDir(), "Pinbox.store").empty());
}

TEST_F(StorageRecoveryTest, NothingMovesWhenBothFoldersExist)
{
    writeFile(home.path() / "Pinbox" / "Pinbox.store", "viejo");
    fs::create_directories(dataDir());
    auto store = openStore();
    EXPECT_EQ(readWholeFileForTest(home.path() / "Pinbox" / "Pinbox.store"), "viejo");
    EXPECT_FALSE(log.contains("Pinbox"));
    EXPECT_EQ(store->count(), 0);
}

TEST_F(StorageRecoveryTest, PredecessorPathThatIsNotAFolderIsLeftAlone)
{
    writeFile(home.path() / "Pinbox", "un archivo, no una carpeta");
    auto store = openStore();
    ASSERT_TRUE(store);
    EXPECT_TRUE(fs::is_regular_file(home.path() / "Pinbox"));
    EXPECT_FALSE(log.contains("Pinbox"));
}

TEST_F(StorageRecoveryTest, PredecessorRenameNeverOverwritesAStoreAlreadyNamedBrisa)
{
    makeClosedStore(2);
    fs::rename(dataDir(), home.path() / "Pinbox");
    writeFile(home.path() / "Pinbox" / "Pinbox.store", "otro almacén");
    auto store = openStore();
    EXPECT_EQ(store->count(), 2);
    EXPECT_EQ(readWholeFileForTest(dataDir() / "Pinbox.store"), "otro almacén");
    EXPECT_TRUE(log.contains("[Brisa] Historial de Pinbox migrado a " + dataDir().string()));
}
