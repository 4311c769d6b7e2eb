// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ClipStripModel.h"
#include "ui/ThumbnailImageProvider.h"
#include "GuiApp.h"
#include "SolidPng.h"

#include "core/search/ClipFilters.h"
#include "UiFixtures.h"

#include <QAbstractItemModelTester>
#include <QColor>
#include <QSignalSpy>
#include <QThreadPool>
#include <QTest>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

using namespace brisa;
using namespace std::chrono_literals;

namespace {

class ClipStripModelTest : public test::StoreTest {
protected:
    void SetUp() override
    {
        test::guiApp();
        StoreTest::SetUp();
    }

    ClipItem clip(const char* typeRaw, std::optional<std::string> text, TimePoint at, bool pinned = false)
    {
        ClipItem item = makeClipItem({.textContent = std::move(text)}, clock);
        item.typeRaw = typeRaw;
        item.createdAt = at;
        item.isPinned = pinned;
        return item;
    }

    /// n clips of mixed kinds, some pinned, some sharing a time, one of an unknown kind.
    void fillMixed(int n)
    {
        static constexpr std::array<const char*, 8> kinds{"text", "image", "code",  "color",
                                                          "link", "file",  "vídeo", "screenshot"};
        for (int i = 0; i < n; ++i)
            ASSERT_TRUE(store->insert(clip(kinds[static_cast<std::size_t>(i) % kinds.size()],
                                           "clip " + std::to_string(i), clock.now() - std::chrono::minutes(i / 2),
                                           i % 23 == 5)));
    }

    /// Every row's id, after fetching to the end.
    static std::vector<std::string> allIds(ClipStripModel& model)
    {
        while (model.canFetchMore({}))
            model.fetchMore({});
        std::vector<std::string> out;
        for (int row = 0; row < model.rowCount(); ++row)
            out.push_back(model.idAt(row).toString().toStdString());
        return out;
    }

    static std::vector<std::string> ids(const ClipList& clips)
    {
        std::vector<std::string> out;
        for (const auto* c : clips)
            out.push_back(c->id.toString());
        return out;
    }

    QVariant role(ClipStripModel& model, int row, ClipStripModel::Role r)
    {
        return model.data(model.index(row), r);
    }

};

TEST_F(ClipStripModelTest, PagesFollowThePanelOrderOfEveryTab)
{
    fillMixed(300);
    const auto history = store->fetchAll();
    ClipStripModel model(*store, clock);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (auto tab : allNotchTabs) {
        for (bool favourites : {false, true}) {
            SCOPED_TRACE(std::string(rawValue(tab)) + (favourites ? " favoritos" : ""));
            model.setTab(static_cast<int>(tab));
            model.setOnlyFavorites(favourites);
            EXPECT_EQ(allIds(model), ids(filteredItems(history, tab, favourites, "")));
            model.setOnlyFavorites(false);
        }
    }
}

TEST_F(ClipStripModelTest, LoadsAPageAtATimeAndStopsAtTheEnd)
{
    fillMixed(150);
    ClipStripModel model(*store, clock); // no model checker here: it fetches more on its own
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    EXPECT_EQ(model.rowCount(), ClipStripModel::kPageSize);
    ASSERT_TRUE(model.canFetchMore({}));
    model.fetchMore({});
    EXPECT_EQ(model.rowCount(), 2 * ClipStripModel::kPageSize);
    model.fetchMore({});
    EXPECT_EQ(model.rowCount(), 150);
    EXPECT_EQ(model.count(), 150);
    EXPECT_FALSE(model.canFetchMore({}));
    model.fetchMore({});
    EXPECT_EQ(model.rowCount(), 150);
    ASSERT_EQ(inserted.count(), 2);
    EXPECT_EQ(inserted[1][1].toInt(), 120);
    EXPECT_EQ(inserted[1][2].toInt(), 149);
}

TEST_F(ClipStripModelTest, SwitchingTabStartsAgainFromTheFirstPage)
{
    fillMixed(200);
    ClipStripModel model(*store, clock);
    model.fetchMore({});
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy tabChanged(&model, &ClipStripModel::tabChanged);
    model.setTab(static_cast<int>(NotchTab::Prompts));
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(tabChanged.count(), 1);
    EXPECT_EQ(model.tabName(), QStringLiteral("Prompts"));
    EXPECT_EQ(model.rowCount(), ClipStripModel::kPageSize);
    model.setTab(static_cast<int>(NotchTab::Prompts)); // same tab: nothing happens
    model.setTab(7);                                    // no such tab: refused
    model.setTab(-1);
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model.tab(), static_cast<int>(NotchTab::Prompts));
}

TEST_F(ClipStripModelTest, CountsIgnoreTheFavouritesSwitch)
{
    fillMixed(80);
    const auto history = store->fetchAll();
    ClipStripModel model(*store, clock);
    QSignalSpy countsChanged(&model, &ClipStripModel::tabCountsChanged);
    const auto before = model.tabCounts();
    model.setOnlyFavorites(true);
    EXPECT_EQ(model.tabCounts(), before);
    EXPECT_EQ(countsChanged.count(), 0);
    for (auto tab : allNotchTabs)
        EXPECT_EQ(model.countFor(static_cast<int>(tab)), static_cast<int>(count(history, tab))) << rawValue(tab);
    EXPECT_EQ(model.countFor(4), 0);
    EXPECT_EQ(model.countFor(-1), 0);
    EXPECT_LT(model.rowCount(), model.countFor(0));
}

TEST_F(ClipStripModelTest, EmptyStoreHasNoRowsAndNothingToFetch)
{
    ClipStripModel model(*store, clock);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.canFetchMore({}));
    EXPECT_FALSE(model.idAt(0).isValid());
    EXPECT_FALSE(model.idAt(-1).isValid());
    EXPECT_FALSE(model.data(model.index(0), ClipStripModel::IdRole).isValid());
    EXPECT_EQ(model.tabCounts(), (QVariantList{0LL, 0LL, 0LL, 0LL}));
}

TEST_F(ClipStripModelTest, ReloadPicksUpAClipAnotherProcessStored)
{
    ASSERT_TRUE(store->insert(clip("text", "mío", clock.now() - 1h)));
    ClipStripModel model(*store, clock);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_FALSE(store->externallyChanged());
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((home.path() / "Brisa" / "Brisa.store").c_str(), &db), SQLITE_OK);
        const auto sql = "INSERT INTO ClipItem (id, typeRaw, textContent, createdAt) VALUES "
                         "('AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE', 'color', '#ff0000', " +
                         std::to_string(toUnixSeconds(clock.now())) + ")";
        ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    QSignalSpy countsChanged(&model, &ClipStripModel::tabCountsChanged);
    EXPECT_TRUE(store->externallyChanged());
    model.reload();
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.idAt(0).toString(), QStringLiteral("AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE"));
    EXPECT_EQ(countsChanged.count(), 1);
    EXPECT_EQ(model.countFor(static_cast<int>(NotchTab::Colors)), 1);
    EXPECT_FALSE(store->externallyChanged());
}

TEST_F(ClipStripModelTest, ReloadChangesTheRowsInPlaceSoTheStripKeepsItsScroll)
{
    fillMixed(90);
    ClipStripModel model(*store, clock);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.fetchMore({});
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy moved(&model, &QAbstractItemModel::rowsMoved);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);

    // One deleted, one pinned (it moves to the front), one new.
    auto gone = store->fetch(Uuid::parse(model.idAt(10).toString().toStdString()).value());
    ASSERT_TRUE(gone && store->deleteClip(*gone));
    auto pin = store->fetch(Uuid::parse(model.idAt(40).toString().toStdString()).value());
    ASSERT_TRUE(pin);
    pin->isPinned = true;
    ASSERT_TRUE(store->update(*pin));
    ASSERT_TRUE(store->insert(clip("text", "nuevo", clock.now() + 1s)));
    model.reload();

    EXPECT_EQ(resets.count(), 0);
    EXPECT_GE(removed.count(), 1);
    EXPECT_GE(moved.count(), 1);
    EXPECT_GE(inserted.count(), 1);
    ClipStripModel fresh(*store, clock);
    fresh.fetchMore({});
    ASSERT_EQ(model.rowCount(), fresh.rowCount());
    for (int row = 0; row < model.rowCount(); ++row)
        ASSERT_EQ(model.idAt(row), fresh.idAt(row)) << row;
}

TEST_F(ClipStripModelTest, ReloadKeepsTheRowsAlreadyLoaded)
{
    fillMixed(200);
    ClipStripModel model(*store, clock);
    model.fetchMore({});
    model.fetchMore({});
    ASSERT_EQ(model.rowCount(), 180);
    const auto fresh = clip("text", "nuevo", clock.now() + 1s);
    ASSERT_TRUE(store->insert(fresh));
    model.reload();
    EXPECT_EQ(model.rowCount(), 180);
    const auto firstUnpinned = static_cast<int>(store->fetchPinned().size());
    EXPECT_EQ(model.idAt(firstUnpinned).toString().toStdString(), fresh.id.toString());
    EXPECT_TRUE(model.canFetchMore({}));
    EXPECT_EQ(allIds(model).size(), 201u);
}

TEST_F(ClipStripModelTest, RolesOfEachKind)
{
    const auto now = clock.now();
    auto text = clip("text", std::string(1000, 'a'), now - 5min);
    text.sourceAppName = "Terminal";
    text.sourceAppBundleID = "org.gnome.Terminal";
    text.byteSize = 1000;
    auto code = clip("code", "int x;", now - 10s);
    code.batchID = Uuid::random();
    auto link = clip("link", "https://example.org/a", now - 3h);
    auto yellow = clip("color", "rgb(255, 255, 0)", now - 2 * 24h);
    auto blue = clip("color", "#00f", now - 20 * 24h);
    auto notAColour = clip("color", "azulito", now - 400 * 24h);
    auto file = clip("file", "/home/ana/Documentos/informe final.pdf", now);
    file.byteSize = 2'345'678;
    auto image = clip("image", std::nullopt, now - 61s, true);
    image.imageFileName = "0B9E4D6A-1111-4222-8333-444455556666.png";
    image.byteSize = 1'250'000'000;
    auto unknown = clip("gif", "raro", now - 90 * 24h);
    for (const auto& c : {text, code, link, yellow, blue, notAColour, file, image, unknown})
        ASSERT_TRUE(store->insert(c));

    ClipStripModel model(*store, clock);
    auto rowOf = [&](const ClipItem& c) {
        for (int r = 0; r < model.rowCount(); ++r)
            if (model.idAt(r).toString().toStdString() == c.id.toString())
                return r;
        ADD_FAILURE() << "no row for " << c.id.toString();
        return 0;
    };
    using R = ClipStripModel;
    const int t = rowOf(text);
    EXPECT_EQ(role(model, t, R::KindRole).toString(), "text");
    EXPECT_EQ(role(model, t, R::TextRole).toString().size(), R::kPreviewLength);
    EXPECT_FALSE(role(model, t, R::IsCodeRole).toBool());
    EXPECT_EQ(role(model, t, R::SourceAppNameRole).toString(), "Terminal");
    EXPECT_EQ(role(model, t, R::SourceAppBundleIdRole).toString(), "org.gnome.Terminal");
    EXPECT_EQ(role(model, t, R::AgeRole).toString(), "hace 5 min");
    EXPECT_EQ(role(model, t, R::ByteSizeTextRole).toString(), "1 KB");
    EXPECT_FALSE(role(model, t, R::HasImageRole).toBool());
    EXPECT_EQ(role(model, t, R::ThumbnailUrlRole).toString(), "");

    const int c = rowOf(code);
    EXPECT_TRUE(role(model, c, R::IsCodeRole).toBool());
    EXPECT_TRUE(role(model, c, R::InBatchRole).toBool());
    EXPECT_EQ(role(model, c, R::AgeRole).toString(), "hace 10 s");

    EXPECT_EQ(role(model, rowOf(link), R::UrlRole).toString(), "https://example.org/a");
    EXPECT_EQ(role(model, rowOf(link), R::AgeRole).toString(), "hace 3 h");
    EXPECT_EQ(role(model, t, R::UrlRole).toString(), "");

    const int y = rowOf(yellow);
    EXPECT_EQ(role(model, y, R::ColorHexRole).toString(), "#FFFF00");
    EXPECT_TRUE(role(model, y, R::ColorIsLightRole).toBool());
    EXPECT_EQ(role(model, y, R::ColorRole).value<QColor>(), QColor(255, 255, 0));
    EXPECT_EQ(role(model, y, R::AgeRole).toString(), "hace 2 días");
    const int b = rowOf(blue);
    EXPECT_EQ(role(model, b, R::ColorHexRole).toString(), "#0000FF");
    EXPECT_FALSE(role(model, b, R::ColorIsLightRole).toBool());
    EXPECT_EQ(role(model, b, R::AgeRole).toString(), "hace 2 sem.");
    const int n = rowOf(notAColour);
    EXPECT_EQ(role(model, n, R::ColorHexRole).toString(), "azulito");
    EXPECT_EQ(role(model, n, R::ColorRole).value<QColor>().name(), QColor::fromRgbF(0.5, 0.5, 0.5).name());
    EXPECT_FALSE(role(model, n, R::ColorIsLightRole).toBool());
    EXPECT_EQ(role(model, n, R::AgeRole).toString(), "hace 1 año");

    const int f = rowOf(file);
    EXPECT_EQ(role(model, f, R::FileNameRole).toString(), "informe final.pdf");
    EXPECT_EQ(role(model, f, R::ByteSizeTextRole).toString(), "2,3 MB");
    EXPECT_EQ(role(model, f, R::AgeRole).toString(), "ahora");

    const int i = rowOf(image);
    EXPECT_EQ(i, 0); // pinned
    EXPECT_TRUE(role(model, i, R::PinnedRole).toBool());
    EXPECT_TRUE(role(model, i, R::HasImageRole).toBool());
    EXPECT_EQ(role(model, i, R::ThumbnailUrlRole).toString(),
              QStringLiteral("image://brisa-thumbs/") + QString::fromStdString(image.id.toString()));
    EXPECT_EQ(role(model, i, R::ByteSizeTextRole).toString(), "1,25 GB");
    EXPECT_EQ(role(model, i, R::AgeRole).toString(), "hace 1 min");
    EXPECT_EQ(role(model, i, R::TextRole).toString(), "");

    const int u = rowOf(unknown);
    EXPECT_EQ(role(model, u, R::KindRole).toString(), "text");
    EXPECT_EQ(role(model, u, R::AgeRole).toString(), "hace 3 meses");
}

TEST_F(ClipStripModelTest, PreviewNeverSplitsACharacter)
{
    std::string text(ClipStripModel::kPreviewLength - 1, 'a');
    text += "😀😀";
    ASSERT_TRUE(store->insert(clip("text", text, clock.now())));
    ClipStripModel model(*store, clock);
    const auto preview = role(model, 0, ClipStripModel::TextRole).toString();
    // The limit counts characters as a reader sees them: the first emoji is kept whole.
    EXPECT_EQ(preview, QString::fromStdString(std::string(ClipStripModel::kPreviewLength - 1, 'a') + "😀"));
    EXPECT_FALSE(preview.back().isHighSurrogate());
}

struct ByteCase {
    std::int64_t bytes;
    const char* text;
};

TEST(ClipStripModelFormat, ByteSizes)
{
    for (const auto& [bytes, text] : std::initializer_list<ByteCase>{{-5, "0 bytes"},
                                                                     {0, "0 bytes"},
                                                                     {1, "1 byte"},
                                                                     {999, "999 bytes"},
                                                                     {1000, "1 KB"},
                                                                     {1499, "1 KB"},
                                                                     {999'499, "999 KB"},
                                                                     {999'500, "1 MB"},
                                                                     {12'345'678, "12,3 MB"},
                                                                     {999'960'000, "1 GB"},
                                                                     {1'500'000'000, "1,5 GB"},
                                                                     {1'234'000'000, "1,23 GB"},
                                                                     {5'000'000'000, "5 GB"}})
        EXPECT_EQ(ClipStripModel::byteSizeText(bytes), QString::fromUtf8(text)) << bytes;
}

TEST(ClipStripModelFormat, FileNames)
{
    EXPECT_EQ(ClipStripModel::fileNameOf("/home/ana/a.txt"), "a.txt");
    EXPECT_EQ(ClipStripModel::fileNameOf("/home/ana/carpeta/"), "carpeta");
    EXPECT_EQ(ClipStripModel::fileNameOf("suelto.txt"), "suelto.txt");
    EXPECT_EQ(ClipStripModel::fileNameOf("/"), "/");
    EXPECT_EQ(ClipStripModel::fileNameOf(""), "");
}

TEST(ClipStripModelFormat, AgeOfAClipFromTheFutureIsNow)
{
    const auto now = fromUnixSeconds(1'780'000'000.0);
    EXPECT_EQ(ClipStripModel::ageText(now + 1h, now), "ahora");
    EXPECT_EQ(ClipStripModel::ageText(now - 24h, now), "hace 1 día");
    EXPECT_EQ(ClipStripModel::ageText(now - 45 * 24h, now), "hace 1 mes");
    EXPECT_EQ(ClipStripModel::ageText(now - 800 * 24h, now), "hace 2 años");
}

TEST(ClipStripModelFormat, Lightness)
{
    EXPECT_TRUE(ClipStripModel::isLight(1, 1, 0));  // 0.886
    EXPECT_FALSE(ClipStripModel::isLight(0, 0, 1)); // 0.114
    EXPECT_FALSE(ClipStripModel::isLight(0.6, 0.6, 0.6));
}

// ---- thumbnails ----

class ThumbnailImageProviderTest : public ClipStripModelTest {
protected:
    QImage request(const QString& id, QSize size = {})
    {
        std::unique_ptr<QQuickImageResponse> response(provider.requestImageResponse(id, size));
        QSignalSpy finished(response.get(), &QQuickImageResponse::finished);
        EXPECT_TRUE(finished.wait(5000));
        std::unique_ptr<QQuickTextureFactory> factory(response->textureFactory());
        return factory ? factory->image() : QImage();
    }
    QImage request(const ClipItem& clip, QSize size = {}) { return request(QString::fromStdString(clip.id.toString()), size); }

    ThumbnailImageProvider provider{home.path() / "Brisa" / "Brisa.store"};
};

TEST_F(ThumbnailImageProviderTest, DecodesTheStoredThumbnailOffTheMainThreadScaledDownToTheRequestedSize)
{
    auto image = makeClipItem({.type = ClipType::Image, .thumbnailData = test::solidPng({320, 200}, Qt::red)}, clock);
    ASSERT_TRUE(store->insert(image));
    const QImage got = request(image);
    EXPECT_EQ(got.size(), QSize(320, 200));
    EXPECT_EQ(got.pixelColor(10, 10), QColor(Qt::red));
    EXPECT_EQ(request(image, {160, 160}).size(), QSize(160, 100));
    EXPECT_EQ(request(image, {1000, 1000}).size(), QSize(320, 200));
}

TEST_F(ThumbnailImageProviderTest, GarbageMissingOrBadIdsGiveAnEmptyImage)
{
    auto garbage = makeClipItem({.type = ClipType::Image, .thumbnailData = Bytes{0x89, 'P', 'N', 'G', 1, 2, 3}}, clock);
    auto none = makeClipItem({.type = ClipType::Screenshot}, clock);
    ASSERT_TRUE(store->insert(garbage));
    ASSERT_TRUE(store->insert(none));
    EXPECT_TRUE(request(garbage).isNull());
    EXPECT_TRUE(request(none).isNull());
    EXPECT_TRUE(request(QString::fromStdString(Uuid::random().toString())).isNull());
    EXPECT_TRUE(request(QStringLiteral("../../etc/passwd")).isNull());
    EXPECT_TRUE(request(QString()).isNull());
}

TEST_F(ThumbnailImageProviderTest, WithoutAThumbnailTheImageFileShowsScaledDown)
{
    const auto name = store->newImageFileName();
    ASSERT_TRUE(store->writeImage(name, test::solidPng({1600, 1000}, Qt::magenta)));
    auto noThumb = makeClipItem({.type = ClipType::Screenshot, .imageFileName = name}, clock);
    auto broken = makeClipItem({.type = ClipType::Image, .imageFileName = name, .thumbnailData = Bytes{1, 2, 3}}, clock);
    auto escaping = makeClipItem({.type = ClipType::Image, .imageFileName = "../Brisa.store"}, clock);
    ASSERT_TRUE(store->insert(noThumb));
    ASSERT_TRUE(store->insert(broken));
    ASSERT_TRUE(store->insert(escaping));

    const QImage got = request(noThumb, {424, 276});
    EXPECT_EQ(got.size(), QSize(424, 265));
    EXPECT_EQ(got.pixelColor(10, 10), QColor(Qt::magenta));
    EXPECT_EQ(request(broken).size(), QSize(320, 200));
    EXPECT_TRUE(request(escaping).isNull());
}

TEST_F(ThumbnailImageProviderTest, DecodeRefusesHugeImages)
{
    EXPECT_TRUE(ThumbnailImageProvider::decode(test::solidPng({5000, 2}, Qt::green), {}).isNull());
    EXPECT_TRUE(ThumbnailImageProvider::decode(std::nullopt, {}).isNull());
    EXPECT_TRUE(ThumbnailImageProvider::decode(Bytes{}, {}).isNull());
}

} // namespace
