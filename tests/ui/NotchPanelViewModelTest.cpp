// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/NotchPanelViewModel.h"
#include "UiFixtures.h"

#include "core/capture/ImageThumbnailer.h"
#include "core/clips/ClipLibrary.h"
#include "core/share/ShareContent.h"
#include "core/support/AtomicFile.h"
#include "fakes/FakePanelWindow.h"
#include "fakes/FakeShareTargets.h"
#include "fakes/QtApp.h"
#include "fakes/TestImages.h"
#include "LaterMenu.h"
#include "QmlScene.h"
#include "platform/ColorSampler.h"
#include "ui/ClipStripModel.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QQuickItem>
#include <QQuickView>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QSignalSpy>

#include <QtQml/qqmlextensionplugin.h>

#include <gtest/gtest.h>

#include <memory>

// The strip's scene uses the module's types (import Brisa.Ui), as in the app.
Q_IMPORT_QML_PLUGIN(Brisa_UiPlugin)

using namespace brisa;

namespace {

class NotchPanelViewModelTest : public test::PanelTest {
protected:
    void SetUp() override
    {
        test::qtApp(); // the card menu is a widget menu
        PanelTest::SetUp();
        ASSERT_TRUE(store->insert(makeClipItem({.textContent = "texto <b>no</b> & más", .byteSize = 21}, clock)));
        panel->reload();
    }

    /// Entry titles, a separator as "—".
    static QStringList titles(const QMenu& menu)
    {
        QStringList out;
        for (auto* a : menu.actions())
            out << (a->isSeparator() ? QStringLiteral("—") : a->text());
        return out;
    }
    static QAction* item(const QMenu& menu, const QString& title)
    {
        for (auto* a : menu.actions())
            if (a->text() == title)
                return a;
        return nullptr;
    }
    /// Stores an image clip of type with a 200 × 100 picture and shows it first; returns its file name.
    std::string addImage(ClipType type)
    {
        const auto png = test::gradientImage(200, 100);
        const auto name = store->newImageFileName();
        EXPECT_TRUE(store->writeImage(name, png));
        EXPECT_TRUE(store->insert(makeClipItem(
            {.type = type, .imageFileName = name, .byteSize = static_cast<std::int64_t>(png.size())}, clock)));
        panel->reload();
        return name;
    }
    /// The panel installed on one screen, opened once and closed, its rows read.
    void openAndClose(test::FakePanelWindow& window)
    {
        screens.setScreens({{"DP-1", {0, 0, 1920, 1080}, {0, 0, 1920, 1056}, true}});
        ASSERT_TRUE(notch->install(window));
        open();
        ASSERT_TRUE(notch->expanded());
        notch->collapse();
    }
    /// Opens the panel; it opens a turn later.
    void open()
    {
        notch->expand();
        clock.advance(std::chrono::milliseconds(0));
    }
    /// Another program adds a clip meanwhile.
    void addFromOutside()
    {
        auto other = Storage::open(home.path(), clock);
        ASSERT_NE(other.storage, nullptr);
        ASSERT_TRUE(other.storage->insert(makeClipItem({.textContent = "de fuera", .byteSize = 8}, clock)));
    }
};

} // namespace

TEST_F(NotchPanelViewModelTest, SendingOffersTheTargetsOfTheSessionAndSaveAsAlways)
{
    const auto name = addImage(ClipType::Image);
    ASSERT_TRUE(store->insert(makeClipItem({.type = ClipType::File, .textContent = ""}, clock)));
    panel->reload(); // rows: the file clip without a path, the image, the text

    // Without any target, only "Guardar como…"; with nothing to send, "Enviar…" is greyed.
    EXPECT_EQ(titles(*item(*panel->cardMenu(2), "Enviar…")->menu()), QStringList{"Guardar como…"});
    const auto fileMenu = panel->cardMenu(0);
    QAction* greyed = item(*fileMenu, "Enviar…");
    ASSERT_NE(greyed, nullptr);
    EXPECT_FALSE(greyed->isEnabled());
    EXPECT_EQ(greyed->menu(), nullptr);
    EXPECT_EQ(panel->shareMenu(0), nullptr);
    EXPECT_EQ(panel->cardMenu(5), nullptr);

    test::FakeShareTargets targets;
    targets.offer = {{{"p1", "Pixel & co"}}, true, true, true};
    panel->shareTargets = &targets;
    const struct {
        int row;
        QStringList titles;
        ShareContent sent; ///< by the first entry
    } cases[] = {
        {1, {"Pixel && co", "Correo electrónico…", "Bluetooth…", "Abrir con…", "—", "Guardar como…"},
         {ShareContent::Kind::Image, (store->imagesDir() / name).string(), name}},
        {2, {"Pixel && co", "Correo electrónico…", "Bluetooth…", "—", "Guardar como…"},
         {ShareContent::Kind::Text, "texto <b>no</b> & más", textFileName("texto <b>no</b> & más")}},
    };
    for (const auto& c : cases) {
        auto menu = panel->cardMenu(c.row);
        QMenu* send = item(*menu, "Enviar…")->menu();
        ASSERT_NE(send, nullptr);
        EXPECT_EQ(titles(*send), c.titles);
        EXPECT_EQ(titles(*panel->shareMenu(c.row)), c.titles); // the card's share button
        targets.sent.clear();
        send->actions()[0]->trigger();
        ASSERT_EQ(targets.sent.size(), 1u);
        EXPECT_EQ(targets.sent[0].first, (ShareTarget{ShareTargetKind::Device, "Pixel & co", "p1"}));
        auto content = targets.sent[0].second;
        content.clipId.clear();
        EXPECT_EQ(content, c.sent);
    }

    // A target that fails leaves one log line and nothing else.
    test::LogCapture log;
    targets.answer = "no contesta";
    item(*panel->shareMenu(2), "Bluetooth…")->trigger();
    EXPECT_TRUE(log.contains("Enviar a Bluetooth…: no contesta"));
    EXPECT_EQ(store->count(), 3);
}

TEST_F(NotchPanelViewModelTest, SaveAsWritesWhereTheDialogSaysAndNothingWhenCancelled)
{
    QStringList proposed;
    QString answer = QString::fromStdString((home / "guardado.txt").string());
    panel->savePrompt = [&](const QString& suggested) {
        proposed << suggested;
        return answer;
    };
    item(*panel->shareMenu(0), "Guardar como…")->trigger();
    EXPECT_EQ(proposed, QStringList{QString::fromStdString(textFileName("texto <b>no</b> & más"))});
    EXPECT_EQ(readWholeFile(home / "guardado.txt"), "texto <b>no</b> & más");

    answer.clear(); // "Cancelar"
    std::filesystem::remove(home / "guardado.txt");
    item(*panel->shareMenu(0), "Guardar como…")->trigger();
    EXPECT_FALSE(std::filesystem::exists(home / "guardado.txt"));
}

TEST_F(NotchPanelViewModelTest, TheCardMenuSetsChangesAndRemovesAReminder)
{
    using namespace std::chrono_literals;
    std::vector<std::pair<TimePoint, TimePoint>> asked;
    std::optional<TimePoint> answer = clock.now() + 2h;
    panel->reminderPrompt = [&](TimePoint initial, TimePoint minimum) {
        asked.emplace_back(initial, minimum);
        return answer;
    };
    auto menu = panel->cardMenu(0);
    ASSERT_EQ(item(*menu, QStringLiteral("Quitar recordatorio")), nullptr);
    QAction* set = item(*menu, QStringLiteral("Poner recordatorio…"));
    ASSERT_NE(set, nullptr);
    ASSERT_TRUE(set->isEnabled());
    set->trigger();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], std::make_pair(clock.now() + 1h, clock.now())); // an hour ahead, not before now
    EXPECT_EQ(store->fetchAll().front().reminderDate, clock.now() + 2h);

    clock.advance(3h); // the reminder is past now: still proposed as it is
    answer.reset();    // "Cancelar"
    menu = panel->cardMenu(0);
    item(*menu, QStringLiteral("Cambiar recordatorio…"))->trigger();
    EXPECT_EQ(asked.back(), std::make_pair(clock.now() - 1h, clock.now()));
    EXPECT_EQ(store->fetchAll().front().reminderDate, clock.now() - 1h);

    item(*menu, QStringLiteral("Quitar recordatorio"))->trigger();
    EXPECT_EQ(store->fetchAll().front().reminderDate, std::nullopt);
}

TEST_F(NotchPanelViewModelTest, TheEyedropperMakesAColourClipOrNothingWhenCancelled)
{
    struct FakeSampler final : ColorSampler {
        std::optional<Sample> next;
        void pick(Done done) override { done(next); }
    } sampler;
    EXPECT_FALSE(panel->canPickColor());
    panel->pickColor(); // no sampler: nothing happens
    panel->colorSampler = &sampler;
    EXPECT_TRUE(panel->canPickColor());
    panel->pickColor(); // cancelled
    EXPECT_EQ(store->count(), 1);
    sampler.next = ColorSampler::Sample{0x33 / 255.0, 0x66 / 255.0, 0x99 / 255.0, 1.0};
    panel->pickColor();
    panel->pickColor(); // the same colour twice: two clips
    const auto clips = store->fetchAll();
    ASSERT_EQ(clips.size(), 3u);
    EXPECT_EQ(clips[0].typeRaw, "color");
    EXPECT_EQ(clips[0].textContent, "#336699");
    EXPECT_EQ(clips[1].textContent, "#336699");
}

TEST_F(NotchPanelViewModelTest, TheCardMenuFollowsThePanelsThemeAndShowsCategoryNamesAsWritten)
{
    const struct {
        AppTheme theme;
        bool lightBackground;
    } cases[] = {{AppTheme::Dark, false}, {AppTheme::Light, true}, {AppTheme::LiquidGlass, false}};
    spaces.add("I+D & <b>Diseño</b>", "folder");
    for (const auto& c : cases) {
        settings.setTheme(c.theme);
        auto menu = panel->cardMenu(0);
        ASSERT_NE(menu, nullptr);
        QMenu* move = item(*menu, QStringLiteral("Mover a categoría"))->menu();
        ASSERT_EQ(move->actions().size(), 2);
        // A category's name as written: a lone '&' would underline the next letter and vanish.
        EXPECT_EQ(move->actions()[1]->text(), QStringLiteral("I+D && <b>Diseño</b>"));
        EXPECT_EQ(move->actions()[1]->iconText(), QStringLiteral("I+D & <b>Diseño</b>"));
        for (const QMenu* m : {menu.get(), move}) {
            const QPalette p = m->palette();
            EXPECT_EQ(p.color(QPalette::Window).lightness() > 128, c.lightBackground) << rawValue(c.theme);
            EXPECT_EQ(p.color(QPalette::Text).lightness() > 128, !c.lightBackground) << rawValue(c.theme);
        }
    }
}

TEST_F(NotchPanelViewModelTest, ImageCardsOfferTheImageOperationsInOrder)
{
    addImage(ClipType::Screenshot); // row 0: the screenshot, row 1: the text
    auto menu = panel->cardMenu(0);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(titles(*menu).mid(0, 8),
              (QStringList{"Pegar", "Copiar", "Enviar…", "—", "Quitar peso (comprimir)", "Quitar fondo (transparente)",
                           "Redimensionar", "Convertir formato"}));
    EXPECT_EQ(titles(*item(*menu, "Redimensionar")->menu()), (QStringList{"75%", "50%", "25%"}));
    EXPECT_EQ(titles(*item(*menu, "Convertir formato")->menu()), (QStringList{"PNG", "JPEG", "TIFF"}));
    EXPECT_EQ(titles(*panel->imageMenu(0, "resize")), (QStringList{"75%", "50%", "25%"}));
    EXPECT_EQ(titles(*panel->imageMenu(0, "convert")), (QStringList{"PNG", "JPEG", "TIFF"}));
    // The text card offers none of them.
    EXPECT_EQ(item(*panel->cardMenu(1), "Redimensionar"), nullptr);
    EXPECT_EQ(panel->imageMenu(1, "resize"), nullptr);

    // Redimensionar ▸ 50% adds a clip of half the size, which becomes the first card.
    item(*menu, "Redimensionar")->menu()->actions()[1]->trigger();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (images->runningCount() > 0 && std::chrono::steady_clock::now() < deadline)
        clock.runPosted();
    ASSERT_EQ(images->runningCount(), 0);
    panel->reload();
    ASSERT_EQ(panel->stripCount(), 3);
    auto first = store->fetch(*Uuid::parse(static_cast<ClipStripModel*>(panel->strip())->idAt(0).toString().toStdString()));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->sourceAppName, "Brisa");
    auto bytes = imageSourceBytes(*store, *first);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(ImageThumbnailer::imagePixelSize(*bytes), (std::pair{100, 50}));
}

// A card's menu is asked for by the card's own signal handler, and may remove that card. Its event
// loop runs once the handler is over: a delegate destroyed inside its own handler aborts the app.
TEST_F(NotchPanelViewModelTest, ACardsMenuRunsAfterTheCardsHandlerAndMayRemoveTheCard)
{
    for (int i = 0; i < 4; ++i)
        addText("nota " + std::to_string(i), clock.now());
    panel->reload();
    const int before = panel->strip()->rowCount();
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QQuickView view;
    ASSERT_TRUE(test::showScene(view, home.path(), "import Brisa.Ui\nCardStrip { width: 700; height: 170 }",
                                {{"panel", QVariant::fromValue<QObject*>(panel.get())}}));
    QQuickItem* firstCard = nullptr;
    QMetaObject::invokeMethod(view.rootObject(), "itemAtIndex", Q_RETURN_ARG(QQuickItem*, firstCard), Q_ARG(int, 0));
    ASSERT_NE(firstCard, nullptr);
    // The card's right click, as its mouse area signals it (a synthetic click would let events run).
    EXPECT_TRUE(test::menuRunsAfterTheCall([&] { QMetaObject::invokeMethod(firstCard, "menuRequested"); },
                                           QStringLiteral("Eliminar")));
    EXPECT_EQ(panel->strip()->rowCount(), before - 1);
}

// Run under tests/support/with-display.sh: an image card's menu with "Enviar…" open on an Xvfb
// screen, left as share-menu.png in $BRISA_SCREENSHOT_DIR for a person to look at.
TEST_F(NotchPanelViewModelTest, ShareMenuScreenshot)
{
    if (!std::getenv("BRISA_TEST_DISPLAY"))
        GTEST_SKIP() << "needs a display (tests/support/with-display.sh)";
    addImage(ClipType::Image);
    test::FakeShareTargets targets;
    targets.offer = {{{"p1", "Pixel 8"}, {"t1", "Tablet de Ana"}}, true, true, true};
    panel->shareTargets = &targets;

    const QRect area(0, 0, 470, 290);
    QWidget backdrop;
    backdrop.setStyleSheet("background: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 #5b7f95, stop:1 #1d2b34);");
    backdrop.setGeometry(area);
    backdrop.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&backdrop));
    auto menu = panel->cardMenu(0);
    menu->popup(QPoint(24, 24));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu.get()));
    QAction* send = item(*menu, "Enviar…");
    menu->setActiveAction(send);
    QTest::keyClick(menu.get(), Qt::Key_Right);
    QMenu* targetsMenu = send->menu();
    ASSERT_TRUE(QTest::qWaitFor([&] { return targetsMenu->isVisible(); }, 5000));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(targetsMenu));

    // The server paints on its own time: the picture is taken once two grabs agree.
    QImage shot;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QImage now = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
            return std::exchange(shot, now) == now && !now.isNull();
        },
        5000));
    const char* dir = std::getenv("BRISA_SCREENSHOT_DIR");
    const auto path = (dir && *dir ? std::filesystem::path(dir) : std::filesystem::temp_directory_path()) / "share-menu.png";
    EXPECT_TRUE(shot.save(QString::fromStdString(path.string())));
    menu->close();
}

TEST_F(NotchPanelViewModelTest, TheTabsCountTheirClipsAndSayWhenTheCountsChange)
{
    PanelTabsModel& tabs = *panel->tabs();
    QAbstractItemModelTester tester(&tabs, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy changed(&tabs, &QAbstractItemModel::dataChanged);
    const auto count = [&](NotchTab tab) { return tabs.index(static_cast<int>(tab)).data(PanelTabsModel::CountRole); };
    ASSERT_EQ(tabs.rowCount(), 4);
    EXPECT_EQ(count(NotchTab::History), 1);
    EXPECT_EQ(count(NotchTab::Colors), 0);

    ASSERT_TRUE(store->insert(makeClipItem({.type = ClipType::Color, .textContent = "#336699", .byteSize = 7}, clock)));
    panel->reload();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][2].value<QList<int>>(), QList<int>{PanelTabsModel::CountRole});
    EXPECT_EQ(count(NotchTab::History), 2);
    EXPECT_EQ(count(NotchTab::Colors), 1);
    panel->reload();
    EXPECT_EQ(changed.count(), 1) << "nothing changed";
}

// A reminder's notification opens the panel on its clip, however far back in the history it is.
TEST_F(NotchPanelViewModelTest, ShowingAClipReadsThePagesBeforeIt)
{
    const auto oldest = store->fetchAll().front().id; // the one clip so far
    for (int i = 0; i < 2 * ClipStripModel::kPageSize + 5; ++i)
        ASSERT_NO_FATAL_FAILURE(addText("clip " + std::to_string(i), clock.now() + std::chrono::seconds(i + 1)));
    panel->showClip(Uuid::random());
    EXPECT_EQ(panel->stripCount(), ClipStripModel::kPageSize) << "a clip that is gone reads no pages";
    panel->showClip(oldest);
    ASSERT_GE(panel->selectedIndex(), 2 * ClipStripModel::kPageSize);
    const QModelIndex selected = panel->strip()->index(panel->selectedIndex());
    EXPECT_EQ(selected.data(ClipStripModel::IdRole).toString().toStdString(), oldest.toString());
}

// Opening reads the rows afresh only when the history changed since: rebuilding every card is most
// of the first frame's cost.
TEST_F(NotchPanelViewModelTest, OpeningAgainRebuildsTheCardsOnlyAfterAChange)
{
    test::FakePanelWindow window;
    QSignalSpy resets(panel->strip(), &QAbstractItemModel::modelReset);
    ASSERT_NO_FATAL_FAILURE(openAndClose(window));
    const auto afterFirst = resets.count();
    open();
    notch->collapse();
    EXPECT_EQ(resets.count(), afterFirst) << "nothing changed";

    ASSERT_NO_FATAL_FAILURE(addFromOutside());
    open();
    EXPECT_EQ(resets.count(), afterFirst + 1);
    EXPECT_EQ(panel->stripCount(), 2);
}

// The library window polls the same notices: whichever view notices another program's change
// first, the panel still reads it when it opens.
TEST_F(NotchPanelViewModelTest, AnotherViewSeeingAnOutsideChangeFirstDoesNotHideItFromThePanel)
{
    test::FakePanelWindow window;
    ASSERT_NO_FATAL_FAILURE(openAndClose(window));
    ASSERT_EQ(panel->stripCount(), 1);
    ASSERT_NO_FATAL_FAILURE(addFromOutside());
    ClipLibrary library(*store); // the library window, searching before the panel opens
    EXPECT_EQ(library.count({.search = "fuera"}), 1u);
    open();
    EXPECT_EQ(panel->stripCount(), 2);
}
