// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppIconImageProvider.h"
#include "ui/ClipStripModel.h"
#include "GuiApp.h"
#include "QmlScene.h"

#include "UiFixtures.h"

#include "fakes/TestImages.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QIcon>
#include <QImage>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace brisa;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr QColor kIconColour{0xf0, 0x8a, 0x24};

// A strip of cards laid out as the panel does, over the model's rows.
constexpr const char* kScene = R"(
import QtQuick
import Brisa.Ui

Rectangle {
    id: root
    required property ClipStripModel strip
    property string theme: "dark"
    property int activations: 0
    property int drags: 0
    property string imageAction: ""
    property int shares: 0
    width: 3 * 212 + 4 * 16
    height: 138 + 40
    color: theme === "light" ? "#f4f4f4" : "black"
    function card(i) { return list.itemAtIndex(i) }
    ListView {
        id: list
        anchors.fill: parent
        anchors.margins: 16
        anchors.topMargin: 24
        orientation: ListView.Horizontal
        spacing: 16
        interactive: false
        model: root.strip
        delegate: ClipCard {
            width: 212
            height: 138
            theme: root.theme
            onActivated: root.activations++
            onDragRequested: root.drags++
            onImageActionRequested: (action) => root.imageAction = action
            onShareRequested: root.shares++
        }
    }
}
)";

class ClipCardTest : public test::StoreTest {
protected:
    void SetUp() override
    {
        test::guiApp();
        StoreTest::SetUp();

        // One installed application with an icon file, so that no icon theme of the machine matters.
        test::writeFile(home / "apps/org.brisa.Notas.desktop",
                        "[Desktop Entry]\nType=Application\nName=Notas\nName[es]=Editor de notas\nIcon=brisa-notas\n");
        fs::create_directories(home / "pixmaps");
        QImage icon(48, 48, QImage::Format_ARGB32);
        icon.fill(kIconColour);
        ASSERT_TRUE(icon.save(QString::fromStdString((home / "pixmaps/brisa-notas.png").string())));

        const auto now = clock.now();
        ClipItem note = makeClipItem({.textContent = "Recordar: reunión con el equipo el jueves a las 10:00.",
                                      .sourceAppBundleID = "org.brisa.Notas",
                                      .sourceAppName = "Editor de notas",
                                      .byteSize = 58},
                                     clock);
        note.createdAt = now - 5min;
        ClipItem code = makeClipItem({.type = ClipType::Code,
                                      .textContent = "for (auto& clip : history)\n    show(clip);",
                                      .sourceAppBundleID = "Unknown-app",
                                      .sourceAppName = "Desconocida",
                                      .byteSize = 41,
                                      .batchID = Uuid::random()},
                                     clock);
        code.createdAt = now - 2h;
        code.isPinned = true;
        ClipItem link = makeClipItem({.type = ClipType::Link, .textContent = "https://example.org/blog", .byteSize = 24},
                                     clock);
        link.createdAt = now - 1min;
        for (const auto& c : {note, code, link})
            ASSERT_TRUE(store->insert(c));
        model = std::make_unique<ClipStripModel>(*store, clock);
    }

    /// Shows the strip in theme; rows: the pinned code clip, the link, the note.
    void show(const char* theme)
    {
        view = std::make_unique<QQuickView>();
        view->engine()->addImageProvider(
            QString::fromLatin1(AppIconImageProvider::kProviderId),
            new AppIconImageProvider(std::vector<fs::path>{home / "apps"}, std::vector<fs::path>{home / "pixmaps"}));
        ASSERT_TRUE(test::showScene(*view, home.path(), kScene,
                                    {{"strip", QVariant::fromValue<QObject*>(model.get())},
                                     {"theme", QString::fromLatin1(theme)}}));
        ASSERT_TRUE(QTest::qWaitFor([&] { return card(2) != nullptr; }));
    }

    QQuickItem* card(int row)
    {
        QVariant item;
        QMetaObject::invokeMethod(view->rootObject(), "card", Q_RETURN_ARG(QVariant, item), Q_ARG(QVariant, row));
        return item.value<QQuickItem*>();
    }
    QQuickItem* part(int row, const char* name) { return card(row)->findChild<QQuickItem*>(QLatin1String(name)); }
    QPoint centreOf(QQuickItem* item)
    {
        return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
    }
    QImage grab()
    {
        QImage image;
        for (int i = 0; i < 3; ++i) { // let the scene pick up the changes
            QCoreApplication::processEvents();
            image = view->grabWindow();
        }
        return image;
    }

    std::unique_ptr<ClipStripModel> model;
    std::unique_ptr<QQuickView> view;
};

} // namespace

TEST_F(ClipCardTest, TheFooterShowsTheSourceAppsIconElseTheKindsSymbol)
{
    show("dark");
    EXPECT_EQ(model->data(model->index(2), ClipStripModel::AppIconUrlRole).toString(),
              QStringLiteral("image://appicon/org.brisa.Notas"));
    EXPECT_EQ(model->data(model->index(1), ClipStripModel::AppIconUrlRole).toString(), QString());

    // The note's application has an icon; the code clip's is not installed; the link names none.
    EXPECT_TRUE(part(0, "batchIcon")->isVisible());
    EXPECT_FALSE(part(2, "batchIcon")->isVisible());

    const QImage image = grab();
    const auto pixels = [&](int row, auto test) {
        const QRectF r = part(row, "origin")->mapRectToScene(part(row, "origin")->boundingRect());
        const qreal ratio = image.devicePixelRatio();
        int n = 0;
        for (int y = int(r.top() * ratio); y < int(r.bottom() * ratio); ++y)
            for (int x = int(r.left() * ratio); x < int(r.right() * ratio); ++x)
                n += test(image.pixelColor(x, y));
        return n;
    };
    const auto orange = [](const QColor& c) {
        return std::abs(c.red() - kIconColour.red()) + std::abs(c.green() - kIconColour.green()) +
                   std::abs(c.blue() - kIconColour.blue()) < 30;
    };
    const auto bright = [](const QColor& c) { return c.lightness() > 150; };
    EXPECT_GT(pixels(2, orange), 12 * 12 / 2) << "the application's icon";
    for (int row : {0, 1}) { // the kind's symbol, in the text's colour
        EXPECT_EQ(pixels(row, orange), 0) << row;
        EXPECT_GT(pixels(row, bright), 4) << row;
    }
}

TEST_F(ClipCardTest, HoveringTheFooterIconsShowsTheirHelpTextsAndClicksStillWork)
{
    show("dark");
    QQuickItem* appTip = part(2, "appTip");
    QQuickItem* batchTip = part(0, "batchTip");
    EXPECT_EQ(appTip->property("text").toString(), QStringLiteral("Editor de notas"));
    EXPECT_EQ(batchTip->property("text").toString(), QStringLiteral("Parte de un lote de Bulk Copy"));

    QElapsedTimer rest;
    rest.start();
    QTest::mouseMove(view.get(), centreOf(part(2, "origin")));
    EXPECT_FALSE(appTip->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return appTip->isVisible(); }, 1500));
    EXPECT_GE(rest.elapsed(), 500) << "not before a moment of rest";
    // Above the footer, inside the card.
    const QRectF tipRect = appTip->mapRectToItem(card(2), appTip->boundingRect());
    EXPECT_GE(tipRect.left(), 0);
    EXPECT_LE(tipRect.bottom(), part(2, "origin")->mapToItem(card(2), QPointF(0, 0)).y());

    QTest::mouseMove(view.get(), centreOf(card(2)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !appTip->isVisible(); }, 500));
    EXPECT_FALSE(appTip->property("hovered").toBool()) << "only over the icon: the tip will not come back";

    QTest::mouseMove(view.get(), centreOf(part(0, "batchIcon")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return batchTip->isVisible(); }, 1500));
    const QRectF batchRect = batchTip->mapRectToItem(card(0), batchTip->boundingRect());
    EXPECT_LE(batchRect.right(), card(0)->width());

    // The card's own mouse area still takes clicks and drags that start on an icon.
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, centreOf(part(0, "batchIcon")));
    EXPECT_EQ(view->rootObject()->property("activations").toInt(), 1);
    const QPoint from = centreOf(part(2, "origin"));
    QTest::mousePress(view.get(), Qt::LeftButton, {}, from);
    QTest::mouseMove(view.get(), from + QPoint(6, -6));
    QTest::mouseMove(view.get(), from + QPoint(20, -20));
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, from + QPoint(20, -20));
    EXPECT_EQ(view->rootObject()->property("drags").toInt(), 1);
    EXPECT_EQ(view->rootObject()->property("activations").toInt(), 1);
}

TEST_F(ClipCardTest, ImageCardsShowTheirImageActionsWhileHovered)
{
    const auto png = test::gradientImage(120, 80);
    const auto name = store->newImageFileName();
    ASSERT_TRUE(store->writeImage(name, png));
    ASSERT_TRUE(store->insert(makeClipItem({.type = ClipType::Image, .imageFileName = name, .byteSize = 10}, clock)));
    model->reload(); // rows: the pinned code clip, the image, the link, the note
    show("dark");
    QQuickItem* actions = part(1, "imageActions");
    ASSERT_NE(actions, nullptr);
    EXPECT_FALSE(actions->isVisible());
    QTest::mouseMove(view.get(), centreOf(card(1)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return actions->isVisible(); }, 1000));
    QTest::mouseMove(view.get(), centreOf(card(0)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !actions->isVisible(); }, 1000));
    EXPECT_FALSE(part(0, "imageActions")->isVisible()) << "code cards have none";

    const std::pair<const char*, const char*> buttons[] = {{"imageAction-compress", "compress"},
                                                           {"imageAction-remove-background", "remove-background"},
                                                           {"imageAction-resize", "resize"},
                                                           {"imageAction-convert", "convert"}};
    for (auto [objectName, action] : buttons) {
        QTest::mouseMove(view.get(), centreOf(card(1)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return actions->isVisible(); }, 1000));
        QQuickItem* button = nullptr;
        for (QQuickItem* child : actions->childItems())
            if (child->objectName() == QLatin1String(objectName))
                button = child;
        ASSERT_NE(button, nullptr) << objectName;
        QTest::mouseMove(view.get(), centreOf(button));
        QTest::mouseClick(view.get(), Qt::LeftButton, {}, centreOf(button));
        EXPECT_EQ(view->rootObject()->property("imageAction").toString(), QLatin1String(action));
    }
    EXPECT_EQ(view->rootObject()->property("activations").toInt(), 0) << "a button click pastes nothing";
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, centreOf(card(1)) + QPoint(0, 30));
    EXPECT_EQ(view->rootObject()->property("activations").toInt(), 1);
}

TEST_F(ClipCardTest, EveryCardShowsItsShareButtonWhileHovered)
{
    show("dark");
    for (int row : {0, 2}) {
        QQuickItem* button = part(row, "shareAction");
        ASSERT_NE(button, nullptr);
        EXPECT_FALSE(button->isVisible());
        QTest::mouseMove(view.get(), centreOf(card(row)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return button->isVisible(); }, 1000));
        QTest::mouseMove(view.get(), centreOf(button));
        QTest::mouseClick(view.get(), Qt::LeftButton, {}, centreOf(button));
    }
    EXPECT_EQ(view->rootObject()->property("shares").toInt(), 2);
    EXPECT_EQ(view->rootObject()->property("activations").toInt(), 0) << "the button pastes nothing";
}

// Markup in a clip is text like any other: every text a card draws from it (preview, address,
// file name, the application's name in its help text) shows the characters as written.
TEST_F(ClipCardTest, MarkupInAClipIsDrawnAsWritten)
{
    const struct {
        ClipType type;
        const char* content;
        const char* shown;
    } cases[] = {
        {ClipType::Text, "texto <b>no</b>", "texto <b>no</b>"},
        {ClipType::Code, "<h1>Hola</h1>", "<h1>Hola</h1>"},
        {ClipType::Link, "https://example.org/?q=<b>x</b>", "https://example.org/?q=<b>x</b>"},
        {ClipType::File, "/tmp/<b>informe.pdf", "<b>informe.pdf"},
    };
    show("dark");
    int minutes = 0;
    for (const auto& c : cases) {
        ClipItem item = makeClipItem(
            {.type = c.type, .textContent = c.content, .sourceAppName = "<b>Notas</b> &amp; co", .byteSize = 9}, clock);
        item.createdAt = clock.now() + std::chrono::minutes(++minutes);
        item.isPinned = true; // first in the strip
        ASSERT_TRUE(store->insert(item));
        model->reload();
        const auto texts = [&] {
            std::vector<QQuickItem*> out;
            for (QQuickItem* text : card(0) ? card(0)->findChildren<QQuickItem*>() : QList<QQuickItem*>())
                if (qstrcmp(text->metaObject()->className(), "QQuickText") == 0 &&
                    text->property("text").toString().contains(QLatin1Char('<')))
                    out.push_back(text);
            return out;
        };
        ASSERT_TRUE(QTest::qWaitFor([&] {
            for (QQuickItem* text : texts())
                if (text->property("text").toString() == QString::fromUtf8(c.shown))
                    return true;
            return false;
        })) << c.content;
        QStringList drawn;
        for (QQuickItem* text : texts()) {
            const QString s = text->property("text").toString();
            // What shows: the kind's texts and the help text (hidden until hovered).
            if (text->isVisible() || text->parentItem()->objectName() == QLatin1String("appTip"))
                drawn << s;
            // Obeyed markup would draw fewer characters (or larger ones): the width gives it away.
            const QFontMetricsF metrics(text->property("font").value<QFont>());
            EXPECT_NEAR(text->implicitWidth(), metrics.horizontalAdvance(s), 1.5) << s.toStdString();
        }
        QStringList expected{QString::fromUtf8(c.shown), QStringLiteral("<b>Notas</b> &amp; co")};
        drawn.sort();
        expected.sort();
        EXPECT_EQ(drawn, expected) << c.content;
    }
}
