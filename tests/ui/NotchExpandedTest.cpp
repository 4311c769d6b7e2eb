// SPDX-License-Identifier: GPL-3.0-or-later
// The open panel's layout over its view model: the tab chips, the empty state and the buttons.
#include "GuiApp.h"
#include "QmlScene.h"
#include "UiFixtures.h"

#include "platform/ColorSampler.h"

#include <QCoreApplication>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace brisa;

namespace {

constexpr const char* kScene = R"(
import QtQuick
import Brisa.Ui

Rectangle {
    id: root
    required property NotchPanelViewModel panel
    width: 848
    height: 252
    color: "#336699"
    NotchExpanded {
        anchors.fill: parent
        panel: root.panel
    }
}
)";

class NotchExpandedTest : public test::PanelTest {
protected:
    void SetUp() override
    {
        test::guiApp();
        PanelTest::SetUp();
    }
    void show(AppTheme theme)
    {
        settings.setTheme(theme);
        view = std::make_unique<QQuickView>();
        ASSERT_TRUE(test::showScene(*view, home.path(), kScene, {{"panel", QVariant::fromValue<QObject*>(panel.get())}}));
    }
    // Repeater delegates have no QObject parent: walk the visual tree.
    static QQuickItem* find(QQuickItem* item, const QString& name)
    {
        if (item->objectName() == name)
            return item;
        for (QQuickItem* child : item->childItems())
            if (QQuickItem* found = find(child, name))
                return found;
        return nullptr;
    }
    QQuickItem* part(const char* name) { return find(view->rootObject(), QLatin1String(name)); }
    QPoint centreOf(QQuickItem* item) { return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint(); }

    std::unique_ptr<QQuickView> view;
};

} // namespace

TEST_F(NotchExpandedTest, AnEmptyStripSaysWhetherTheHistoryOrTheFavouritesAreEmpty)
{
    show(AppTheme::Dark);
    QQuickItem* empty = part("emptyText");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->property("text").toString(), QStringLiteral("Nada todavía. Copia algo."));
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, centreOf(part("toggleFavoritesButton")));
    EXPECT_TRUE(panel->onlyFavorites());
    EXPECT_EQ(empty->property("text").toString(), QStringLiteral("Aún no hay favoritos."));
}

// The colour sampler's button is greyed, but its help text is as readable as any other.
TEST_F(NotchExpandedTest, AGreyedButtonsHelpTextIsDrawnAtFullStrength)
{
    struct Sampler final : ColorSampler {
        int picks = 0;
        void pick(Done) override { ++picks; }
    } sampler;
    for (AppTheme theme : {AppTheme::Dark, AppTheme::Light}) {
        show(theme);
        panel->colorSampler = &sampler; // after the view has read that there is none
        QQuickItem* button = part("pickColorButton");
        QQuickItem* tip = part("pickColorTip");
        ASSERT_NE(tip, nullptr);
        QTest::mouseMove(view.get(), QPoint(1, 1));
        QTest::mouseMove(view.get(), centreOf(button));
        ASSERT_TRUE(QTest::qWaitFor([&] { return tip->isVisible(); }, 1500)) << rawValue(theme);
        QTest::mouseClick(view.get(), Qt::LeftButton, {}, centreOf(button));
        EXPECT_EQ(sampler.picks, 0) << "a greyed button does nothing";
        panel->colorSampler = nullptr;
        QImage image;
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            image = view->grabWindow();
        }
        // The tip's ground and its text: dark and white, or light and black, never faded.
        const QRect r = tip->mapRectToScene(tip->boundingRect()).toAlignedRect().adjusted(2, 2, -2, -2);
        int darkest = 255, lightest = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const int l = image.pixelColor(x, y).lightness();
                darkest = std::min(darkest, l);
                lightest = std::max(lightest, l);
            }
        EXPECT_LT(darkest, 60) << rawValue(theme);
        EXPECT_GT(lightest, 200) << rawValue(theme);
    }
}

// Each chip shows its own tab's title, symbol and count, and the counts follow the history.
TEST_F(NotchExpandedTest, TheTabChipsShowEachTabsSymbolAndCount)
{
    addText("uno", clock.now());
    ASSERT_TRUE(store->insert(makeClipItem({.type = ClipType::Color, .textContent = "#336699", .byteSize = 7}, clock)));
    panel->reload();
    show(AppTheme::Dark);
    const auto chips = [&] {
        std::map<QString, std::pair<QString, int>> out; // title: symbol, count
        std::function<void(QQuickItem*)> walk = [&](QQuickItem* item) {
            if (item->property("symbolName").isValid() && item->property("count").isValid())
                out[item->property("title").toString()] = {item->property("symbolName").toString(),
                                                           item->property("count").toInt()};
            for (QQuickItem* child : item->childItems())
                walk(child);
        };
        walk(view->rootObject());
        return out;
    };
    using Chip = std::pair<QString, int>;
    const std::map<QString, Chip> expected{{"History", Chip{"clock", 2}},
                                           {"Prompts", Chip{"text.bubble", 1}},
                                           {"Colors", Chip{"paintpalette", 1}},
                                           {"Assets", Chip{"square.grid.2x2", 0}}};
    EXPECT_EQ(chips(), expected);

    addText("dos", clock.now() + std::chrono::seconds(1));
    panel->reload();
    EXPECT_EQ(chips().at("History").second, 3);
}
