// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/launcher/AppLauncher.h"
#include "core/notch/NotchController.h"
#include "core/nowplaying/NowPlayingService.h"
#include "core/settings/AppSettings.h"
#include "core/settings/UserDefaults.h"
#include "core/stores/LauncherStore.h"
#include "fakes/FakeMediaPlayers.h"
#include "fakes/FakePanelWindow.h"
#include "fakes/FakeScreens.h"
#include "fakes/QtApp.h"
#include "fakes/TempDir.h"
#include "fakes/VirtualScheduler.h"
#include "ui/AppIconImageProvider.h"
#include "ui/LauncherViewModel.h"
#include "ui/NowPlayingViewModel.h"
#include "ui/SymbolIcons.h"
#include "ui/SymbolImageProvider.h"
#include "LaterMenu.h"
#include "SolidPng.h"

#include <QIcon>
#include <QImage>
#include <QSignalSpy>
#include <QUrl>

#include <gtest/gtest.h>

#include <fstream>

using namespace brisa;
using namespace brisa::test;
using Status = PlayerReport::Status;

namespace {

class SidePanelViewModelsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qtApp();
        ASSERT_TRUE(notch.install(window));
    }
    void open()
    {
        notch.expand();
        scheduler.runPosted();
    }

    VirtualScheduler scheduler;
    UserDefaults defaults;
    AppSettings settings{defaults};
    FakeScreens screens{{{"DP-1", {0, 0, 1920, 1080}, {0, 0, 1920, 1056}, true}}};
    NotchController notch{{screens}, scheduler, settings};
    FakePanelWindow window;
    FakeMediaPlayers players;
};

struct NoSpawner final : ProcessSpawner {
    std::vector<Request> requests;
    void spawn(const Request& r, std::function<void(const std::string&)>) override { requests.push_back(r); }
};

} // namespace

TEST_F(SidePanelViewModelsTest, AHiddenCardPassesOnNoPositionTicks)
{
    players.players = {playerReport("mpv", Status::Playing, "A", "B", 0, 100'000'000)};
    NowPlayingService service(players, scheduler);
    NowPlayingViewModel model(service, notch);
    QSignalSpy positions(&model, &NowPlayingViewModel::positionChanged);
    QSignalSpy shown(&model, &NowPlayingViewModel::shownChanged);
    scheduler.advance(std::chrono::seconds(10)); // 20 ticks, 3 polls, panel closed
    EXPECT_EQ(positions.count(), 0);
    EXPECT_FALSE(model.shown());

    open();
    EXPECT_TRUE(model.shown());
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(positions.count(), 1); // brought up to date once
    EXPECT_GT(service.position(), 0);
    EXPECT_DOUBLE_EQ(model.fraction(), service.position() / 100);
    scheduler.advance(std::chrono::milliseconds(1000));
    EXPECT_EQ(positions.count(), 3);

    players.players.clear(); // the player quits: the card goes in
    players.announce();
    scheduler.advance(std::chrono::milliseconds(20));
    EXPECT_FALSE(model.shown());
    EXPECT_FALSE(model.hasMedia());
}

TEST_F(SidePanelViewModelsTest, TheCoverIsDecodedSmallAndAnUnreadableOneShowsNone)
{
    players.artwork["file:///big.png"] = solidPng({2000, 1000}, Qt::red);
    players.artwork["file:///junk.png"] = MediaPlayers::Bytes{'n', 'o', 'p', 'e'};
    players.players = {playerReport("mpv", Status::Playing, "A", "B", 0, 100'000'000, "file:///big.png")};
    NowPlayingService service(players, scheduler);
    NowPlayingViewModel model(service, notch);
    ASSERT_TRUE(model.artwork().startsWith(QStringLiteral("data:image/png;base64,")));
    const QImage shown = QImage::fromData(QByteArray::fromBase64(model.artwork().mid(22).toLatin1()));
    EXPECT_EQ(shown.size(), QSize(NowPlayingViewModel::kArtworkPixels, NowPlayingViewModel::kArtworkPixels / 2));

    players.players[0].title = "Otra";
    players.players[0].artUrl = "file:///junk.png";
    scheduler.advance(std::chrono::seconds(3));
    EXPECT_TRUE(model.artwork().isEmpty());
    EXPECT_TRUE(model.hasMedia());
}

TEST_F(SidePanelViewModelsTest, LauncherTilesGridAndDroppedEntries)
{
    TempDir dir;
    std::ofstream(dir.path() / "tool.desktop") << "[Desktop Entry]\nType=Application\nName=Herramienta\nExec=tool\n"
                                                  "Icon=/nonexistent/tool.png\n";
    std::ofstream(dir.path() / "notes.txt") << "x";
    LauncherStore store(defaults);
    store.replaceSeed({});
    NoSpawner spawner;
    AppLauncher launcher(spawner);
    LauncherViewModel model(store, launcher, notch, settings);
    EXPECT_TRUE(model.tiles().isEmpty());
    EXPECT_TRUE(model.addTile());
    EXPECT_EQ(model.columns(), 1);
    EXPECT_FALSE(model.canAddApps());

    EXPECT_FALSE(model.addFile(QUrl::fromLocalFile(QString::fromStdString((dir.path() / "notes.txt").string()))));
    EXPECT_FALSE(model.addFile(QUrl(QStringLiteral("https://example.org/x.desktop"))));
    EXPECT_TRUE(model.addFile(QUrl::fromLocalFile(QString::fromStdString((dir.path() / "tool.desktop").string()))));
    ASSERT_EQ(model.tiles().size(), 1);
    const auto tile = model.tiles().front().toMap();
    EXPECT_EQ(tile.value(QStringLiteral("name")).toString(), QStringLiteral("Herramienta"));
    EXPECT_TRUE(tile.value(QStringLiteral("icon")).toString().startsWith(QStringLiteral("image://appicon/icon%3A")));
    EXPECT_EQ(model.columns(), 2);
    EXPECT_DOUBLE_EQ(model.visibleWidth(), 184);

    model.launch(0);
    ASSERT_EQ(spawner.requests.size(), 1u);
    EXPECT_EQ(spawner.requests[0].argv, std::vector<std::string>{"tool"});
    model.launch(5); // no such tile
    EXPECT_EQ(spawner.requests.size(), 1u);

    model.remove(0);
    EXPECT_TRUE(model.tiles().isEmpty());
    EXPECT_EQ(model.columns(), 1);
}

TEST_F(SidePanelViewModelsTest, ATileWhoseIconIsNotInstalledShowsTheGenericApplicationIcon)
{
    // No icon theme at all, as on a bare desktop.
    QIcon::setThemeSearchPaths({});
    QIcon::setFallbackSearchPaths({});
    QIcon::setThemeName(QStringLiteral("ninguno"));
    QIcon::setFallbackThemeName(QStringLiteral("ninguno"));
    TempDir dir;
    std::ofstream(dir.path() / "browser.desktop") << "[Desktop Entry]\nType=Application\nName=Web\nExec=web\nIcon=web-browser\n";
    std::ofstream(dir.path() / "files.desktop") << "[Desktop Entry]\nType=Application\nName=Archivos\nExec=f\nIcon=folder\n";
    std::ofstream(dir.path() / "bare.desktop") << "[Desktop Entry]\nType=Application\nName=Sin icono\nExec=b\n";
    AppIconImageProvider appIcons(std::vector<std::filesystem::path>{}, std::vector<std::filesystem::path>{});
    SymbolImageProvider symbols;
    const QImage generic = SymbolIcons::render("app.generic", {64, 64}, {});
    ASSERT_EQ(generic.pixelColor(32, 32).alpha(), 255); // a badge, not an empty square
    for (const char* file : {"browser.desktop", "files.desktop", "bare.desktop", "/usr/bin/env"}) {
        const std::string path = file[0] == '/' ? std::string(file) : (dir.path() / file).string();
        const QUrl source(launcherIconSource(path, std::nullopt));
        QQuickImageProvider& provider = source.host() == QLatin1String("appicon") ? static_cast<QQuickImageProvider&>(appIcons)
                                                                          : static_cast<QQuickImageProvider&>(symbols);
        const QImage drawn = provider.requestImage(source.toString().section(QLatin1Char('/'), 3), nullptr, {64, 64});
        EXPECT_EQ(drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied), generic) << file;
    }
    EXPECT_TRUE(launcherIconSource(std::nullopt, std::string("firefox")).startsWith(QStringLiteral("image://appicon/")));
    EXPECT_TRUE(launcherIconSource(std::nullopt, std::nullopt).isEmpty()); // the tile's own symbol shows
}

TEST_F(SidePanelViewModelsTest, TheTileMenuRunsAfterTheTilesHandlerAndMayRemoveTheTile)
{
    LauncherStore store(defaults);
    store.replaceSeed({});
    store.add("/usr/bin/env");
    NoSpawner spawner;
    AppLauncher launcher(spawner);
    LauncherViewModel model(store, launcher, notch, settings);
    EXPECT_TRUE(test::menuRunsAfterTheCall([&] { model.openTileMenu(0); }, QStringLiteral("Quitar env")));
    EXPECT_TRUE(model.tiles().isEmpty());
}
