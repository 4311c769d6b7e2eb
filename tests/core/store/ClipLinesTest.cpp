// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/store/ClipLines.h"

#include "StoreTestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace brisa;
using namespace brisa::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

class ClipLinesTest : public StoreTest {
protected:
    /// Every kind of field filled, an image with its file, a space, a pin, repeated contents.
    std::vector<ClipItem> fillStore(Storage& store)
    {
        std::vector<ClipItem> items;
        const auto space = Uuid::random();
        const auto batch = Uuid::random();
        for (int i = 0; i < 7; ++i) {
            auto item = textClip(i == 6 ? "repetido" : "clip " + std::to_string(i),
                                 clock.now() + std::chrono::seconds(i), i == 2);
            item.contentHash = std::string(64, static_cast<char>('a' + (i == 6 ? 5 : i)));
            item.sourceAppName = "Firefox";
            item.sourceAppBundleID = "org.mozilla.firefox";
            item.spaceID = i % 2 ? std::optional(space) : std::nullopt;
            item.batchID = i == 3 ? std::optional(batch) : std::nullopt;
            item.ocrText = i == 4 ? std::optional<std::string>("reconocido") : std::nullopt;
            item.reminderDate = i == 5 ? std::optional(clock.now() + 24h) : std::nullopt;
            if (i == 1) {
                item.typeRaw = "image";
                item.imageFileName = store.newImageFileName();
                item.thumbnailData = Bytes{0x89, 'P', 'N', 'G', 0, 255};
                EXPECT_TRUE(store.writeImage(*item.imageFileName, Bytes{1, 2, 3, 0, 250}));
            }
            EXPECT_TRUE(store.insert(item));
            items.push_back(item);
        }
        return items;
    }
};

void expectSameClips(Storage& a, Storage& b)
{
    auto left = a.fetchAll({.withThumbnails = true});
    auto right = b.fetchAll({.withThumbnails = true});
    ASSERT_EQ(left.size(), right.size());
    for (std::size_t i = 0; i < left.size(); ++i) {
        const auto &x = left[i], &y = right[i];
        expectSameFields(x, y);
        if (x.imageFileName) {
            EXPECT_EQ(readWholeFileForTest(a.imagesDir() / *x.imageFileName),
                      readWholeFileForTest(b.imagesDir() / *y.imageFileName));
        }
    }
}

} // namespace

TEST(ClipLinesFormat, Base64RoundTripsAndRefusesWhatIsNotBase64)
{
    for (const auto& [bytes, text] : std::vector<std::pair<std::string, std::string>>{
             {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="},
             {std::string("\0\xff\x10", 3), "AP8Q"}}) {
        EXPECT_EQ(base64Encode(toBytes(bytes)), text);
        EXPECT_EQ(base64Decode(text), toBytes(bytes)) << text;
    }
    for (std::string bad : {"Zg=", "Zg==Zg==", "Z===", "Zm9v\n", "Zm9*", "=Zm9", "Zh==", "Zm9="})
        EXPECT_FALSE(base64Decode(bad)) << bad;
}

TEST(ClipLinesFormat, RefusesLinesThatAreNotClipsSayingWhy)
{
    struct Case {
        std::string line, mentions;
    };
    for (const auto& c : std::vector<Case>{
             {"no es json", "JSON"},
             {"[1, 2]", "objeto"},
             {R"({"createdAt": 1})", "typeRaw"},
             {R"({"typeRaw": "text"})", "createdAt"},
             {R"({"typeRaw": "text", "createdAt": "ayer"})", "createdAt"},
             {R"({"typeRaw": "text", "createdAt": 1, "id": "no-uuid"})", "id"},
             {R"({"typeRaw": "text", "createdAt": 1, "textContent": 5})", "textContent"},
             {R"({"typeRaw": "text", "createdAt": 1, "isPinned": 1})", "isPinned"},
             {R"({"typeRaw": "text", "createdAt": 1, "byteSize": 1.5})", "byteSize"},
             {R"({"typeRaw": "image", "createdAt": 1, "imageData": "%%"})", "imageData"},
             {R"({"typeRaw": "image", "createdAt": 1, "imageFile": "../../etc/passwd"})", "imageFile"},
             {R"({"typeRaw": "image", "createdAt": 1, "imageFile": "/etc/passwd"})", "imageFile"},
             {"{\"typeRaw\": \"text\", \"createdAt\": 1, \"textContent\": \"\xff\"}", "JSON"},
             {"{\"typeRaw\": \"text\", \"createdAt\": 1, \"textContent\": \"a\tb\"}", "JSON"},
             {R"({"typeRaw": "text", "createdAt": 1} x)", "JSON"},
             {R"({"typeRaw": "text", "createdAt": 01})", "JSON"},
             {R"({"typeRaw": "text", "createdAt": 1e400})", "JSON"},
             {R"({"typeRaw": "text", "createdAt": 1, "byteSize": 99999999999999999999})", "byteSize"},
         }) {
        auto parsed = parseClipLine(c.line);
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << c.line;
        EXPECT_NE(std::get<std::string>(parsed).find(c.mentions), std::string::npos) << std::get<std::string>(parsed);
    }
    auto minimal = parseClipLine(R"({"typeRaw": "text", "createdAt": 1700000000.5, "textContent": "hola"})");
    ASSERT_TRUE(std::holds_alternative<ClipLine>(minimal));
    EXPECT_EQ(std::get<ClipLine>(minimal).item.textContent, "hola");
    EXPECT_DOUBLE_EQ(toUnixSeconds(std::get<ClipLine>(minimal).item.createdAt), 1700000000.5);
}

TEST(ClipLinesFormat, ReadsEveryWayJsonCanWriteAText)
{
    struct Case {
        std::string fields, text;
    };
    for (const auto& c : std::vector<Case>{
             {R"("textContent": "a\"b\\c\/d\n\t\r\b\f")", "a\"b\\c/d\n\t\r\b\f"},
             {R"("textContent": "\u00e9\ud83d\ude00")", "\u00e9\U0001F600"},
             {R"("textContent": "línea €")", "línea €"},
             {R"("textContent": "uno", "textContent": "dos")", "dos"},
             {R"("extra": {"a": [1, null]}, "textContent": "t", "isPinned": null, "spaceID": null)", "t"},
             {R"("textContent" : "espacios" , "byteSize" : -0 )", "espacios"},
         }) {
        const auto line = R"({"typeRaw": "text", "createdAt": 1e3, )" + c.fields + "}";
        auto parsed = parseClipLine(line);
        ASSERT_TRUE(std::holds_alternative<ClipLine>(parsed)) << line << ": " << std::get<std::string>(parsed);
        const auto& item = std::get<ClipLine>(parsed).item;
        EXPECT_EQ(item.textContent, c.text) << line;
        EXPECT_DOUBLE_EQ(toUnixSeconds(item.createdAt), 1000.0);
        EXPECT_FALSE(item.isPinned);
        EXPECT_FALSE(item.spaceID);
    }
}

TEST_F(ClipLinesTest, ExportThenImportIntoAnEmptyStoreGivesBackEveryClip)
{
    for (bool folder : {false, true}) {
        SCOPED_TRACE(folder ? "images in a folder" : "images inline");
        TempDir source, target, out;
        auto from = Storage::open(source.path(), clock).storage;
        auto into = Storage::open(target.path(), clock).storage;
        ASSERT_TRUE(from && into);
        from->setHistoryLimit(0);
        into->setHistoryLimit(0);
        fillStore(*from);

        std::stringstream lines;
        ExportOptions options;
        if (folder) {
            options.imagesDir = out.path() / "export.jsonl.images";
            options.imagesBase = out.path();
        }
        const auto exported = exportClipLines(*from, lines, options);
        EXPECT_FALSE(exported.error);
        EXPECT_EQ(exported.clips, 7u);
        EXPECT_EQ(exported.images, 1u);
        EXPECT_EQ(lines.str().find("data:"), std::string::npos);
        EXPECT_EQ(lines.str().find("imageData") != std::string::npos, !folder);

        const auto imported = importClipLines(*into, lines, {.imagesBase = out.path(), .batchSize = 3});
        EXPECT_EQ(imported.imported, 7u) << (imported.problems.empty() ? "" : imported.problems.front());
        EXPECT_EQ(imported.duplicates, 0u) << "repeats within the export are its own clips";
        expectSameClips(*from, *into);
    }
}

TEST_F(ClipLinesTest, ImportSkipsClipsTheStoreHasByIdOrContentAndReportsBadLines)
{
    auto store = openStore();
    store->setHistoryLimit(0);
    fillStore(*store);
    std::stringstream lines;
    exportClipLines(*store, lines, {});
    auto text = lines.str();
    // A new clip with the content of a stored one, a new one, and a broken line.
    text += R"({"typeRaw": "text", "createdAt": 5, "textContent": "otra vez", "contentHash": ")" +
            std::string(64, 'a') + "\"}\n";
    text += R"({"typeRaw": "text", "createdAt": 6, "textContent": "nuevo"})" "\n";
    text += "{roto\n";
    std::stringstream in(text);
    const auto report = importClipLines(*store, in, {});
    EXPECT_EQ(report.imported, 1u);
    EXPECT_EQ(report.duplicates, 8u);
    EXPECT_EQ(report.refused, 1u);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems.front().rfind("línea 10:", 0), 0u) << report.problems.front();
    EXPECT_EQ(store->count(), 8);
    EXPECT_EQ(std::distance(fs::directory_iterator(store->imagesDir()), fs::directory_iterator()), 1)
        << "the skipped image clip leaves no second file";
}

TEST_F(ClipLinesTest, AStoppedImportKeepsWholeBatchesAndAFreshRunCompletesIt)
{
    auto store = openStore();
    store->setHistoryLimit(0);
    std::string text;
    for (int i = 0; i < 10; ++i)
        text += R"({"typeRaw": "text", "createdAt": )" + std::to_string(100 + i) + R"(, "textContent": "n)" +
                std::to_string(i) + "\"}\n";
    std::stringstream first(text);
    int asked = 0;
    const auto stopped =
        importClipLines(*store, first, {.batchSize = 4, .stopRequested = [&] { return ++asked > 6; }});
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(store->count(), 6);

    std::stringstream again(text);
    const auto rest = importClipLines(*store, again, {.batchSize = 4});
    EXPECT_EQ(rest.imported, 4u);
    EXPECT_EQ(rest.duplicates, 6u);
    EXPECT_EQ(store->count(), 10);
}

TEST_F(ClipLinesTest, ABatchIsOneTransactionWithRetentionOnceAfterIt)
{
    auto store = openStore();
    store->setHistoryLimit(3);
    int changes = 0;
    store->onChanged([&] { ++changes; });
    std::vector<ClipItem> batch;
    for (int i = 0; i < 5; ++i)
        batch.push_back(textClip("b" + std::to_string(i), clock.now() + std::chrono::seconds(i)));
    batch.push_back(batch.front()); // the same id twice: skipped, not a failure
    auto outcome = store->insertBatch(batch);
    EXPECT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.inserted, 5u);
    EXPECT_EQ(outcome.skippedAt, std::vector<std::size_t>{5});
    EXPECT_EQ(store->count(), 3);
    EXPECT_EQ(changes, 2) << "one for the batch, one for its retention";

    // A failing record takes its whole batch with it.
    RawDb raw(storeFile());
    ASSERT_EQ(raw.exec("CREATE TRIGGER refuse BEFORE INSERT ON ClipItem WHEN NEW.textContent = 'malo' "
                       "BEGIN SELECT RAISE(ABORT, 'no'); END"),
              SQLITE_OK);
    store->setHistoryLimit(0);
    const std::vector<ClipItem> doomed{textClip("bueno", clock.now()), textClip("malo", clock.now())};
    EXPECT_FALSE(store->insertBatch(doomed).ok);
    EXPECT_EQ(store->count(), 3);
}

TEST_F(ClipLinesTest, TheHashesAnImportChecksAgainstAreThoseOfTheRowsUpToItsStart)
{
    auto store = openStore();
    store->setHistoryLimit(0);
    auto withHash = [&](const char* text, std::optional<std::string> hash) {
        auto item = textClip(text, clock.now());
        item.contentHash = std::move(hash);
        EXPECT_TRUE(store->insert(item));
    };
    EXPECT_EQ(store->contentDigestsUpTo(store->lastRowId()), std::vector<std::uint64_t>{});
    withHash("uno", std::string(64, 'a'));
    withHash("sin hash", std::nullopt);
    withHash("dos", std::string(64, 'b'));
    const auto before = store->lastRowId();
    withHash("después", std::string(64, 'c'));
    const auto digest = [](char c) { return Storage::contentDigest(std::string(64, c)); };
    auto both = std::vector{digest('a'), digest('b')};
    std::sort(both.begin(), both.end());
    EXPECT_EQ(store->contentDigestsUpTo(before), both);
    // A digest only says "maybe": the store itself has the last word, up to the same row.
    EXPECT_EQ(store->hasContentUpTo(std::string(64, 'b'), before), true);
    EXPECT_EQ(store->hasContentUpTo(std::string(64, 'c'), before), false);
    EXPECT_EQ(store->hasContentUpTo(std::string(64, 'c'), store->lastRowId()), true);
}

TEST_F(ClipLinesTest, AFailingBatchKeepsNoneOfItsClipsOrImagesAndEndsTheImport)
{
    auto store = openStore();
    store->setHistoryLimit(0);
    RawDb raw(storeFile());
    ASSERT_EQ(raw.exec("CREATE TRIGGER refuse BEFORE INSERT ON ClipItem WHEN NEW.textContent = 'malo' "
                       "BEGIN SELECT RAISE(ABORT, 'no'); END"),
              SQLITE_OK);
    std::string text;
    auto line = [&](const char* type, int i, const std::string& field) {
        text += "{\"typeRaw\": \"" + std::string(type) + "\", \"createdAt\": " + std::to_string(100 + i) + ", " + field +
                "}\n";
    };
    for (int i = 0; i < 3; ++i)
        line("text", i, "\"textContent\": \"bueno " + std::to_string(i) + "\"");
    line("image", 3, "\"imageData\": \"" + base64Encode(Bytes{1, 2, 3}) + "\"");
    line("text", 4, "\"textContent\": \"malo\"");
    for (int i = 5; i < 2000; ++i) // more than the reading side hands over at once
        line("text", i, "\"textContent\": \"después " + std::to_string(i) + "\"");
    std::stringstream in(text);
    std::vector<ImportProgress> told;
    const auto report =
        importClipLines(*store, in, {.batchSize = 3, .onProgress = [&](const ImportProgress& p) { told.push_back(p); }});
    EXPECT_TRUE(report.storeFailed);
    EXPECT_EQ(report.imported, 3u);
    EXPECT_EQ(store->count(), 3) << "the first batch only";
    EXPECT_TRUE(fs::is_empty(store->imagesDir())) << "the failed batch's image went with it";
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back().imported, 3u) << "the last word on progress is the outcome";
}

namespace {

/// Input that stops once, after its first part, as a pipe does while its writer works; what
/// happens at that moment is up to the test.
class StallingInput : public std::streambuf {
public:
    StallingInput(std::string first, std::string second, std::function<void()> stalled)
        : first_(std::move(first)), second_(std::move(second)), stalled_(std::move(stalled))
    {
        setg(first_.data(), first_.data(), first_.data() + first_.size());
    }

protected:
    int_type underflow() override
    {
        if (gptr() == first_.data() + first_.size() && !second_.empty() && eback() == first_.data()) {
            stalled_();
            setg(second_.data(), second_.data(), second_.data() + second_.size());
            return traits_type::to_int_type(*gptr());
        }
        return traits_type::eof();
    }

private:
    std::string first_, second_;
    std::function<void()> stalled_;
};

} // namespace

TEST_F(ClipLinesTest, AnImportWaitingForInputDoesNotKeepTheStoreLocked)
{
    auto store = openStore();
    store->setHistoryLimit(0);
    auto lines = [](int from, int to) {
        std::string text;
        for (int i = from; i < to; ++i)
            text += R"({"typeRaw": "text", "createdAt": )" + std::to_string(100 + i) + R"(, "textContent": "n)" +
                    std::to_string(i) + "\"}\n";
        return text;
    };
    RawDb raw(storeFile());
    int written = SQLITE_ERROR;
    StallingInput input(lines(0, 1500), lines(1500, 1600), [&] {
        // Another writer (the running app storing a copy) gets its turn within its busy timeout.
        written = raw.exec("BEGIN IMMEDIATE; UPDATE ClipItem SET isPinned = 1 WHERE rowid = 1; COMMIT;");
    });
    std::istream in(&input);
    const auto report = importClipLines(*store, in, {});
    EXPECT_EQ(written, SQLITE_OK);
    EXPECT_EQ(report.imported, 1600u);
    EXPECT_EQ(store->count(), 1600);
}
