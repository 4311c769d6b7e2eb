// SPDX-License-Identifier: GPL-3.0-or-later
// The open panel's layout over a stand-in for its view model: the empty state and the buttons.
#include "GuiApp.h"
#include "QmlScene.h"

#include "fakes/TempDir.h"

#include <QCoreApplication>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>

#include <gtest/gtest.h>

using namespace brisa;

namespace {

constexpr const char* kScene = R"(
import QtQuick
import Brisa.Ui

Rectangle {
    id: root
    required property string theme
    property alias panel: panel
    width: 848
    height: 252
    color: "#336699"
    QtObject {
        id: panel
        property string theme: root.theme
        property bool listHasFocus: false
        signal listFocusChanged()
        property bool activeHasNotch: false
        property var tabTitles: ["Historial", "Prompts", "Colores", "Recursos"]
        property int countsVersion: 0
        property int selectedTab: 0
        property bool onlyFavorites: false
        property bool canPickColor: false
        property int stripCount: 0
        property QtObject strip: null
        property real stripLeadingInset: 18
        property int selectedIndex: 0
        property int scrollReset: 0
        property int centreScrollMs: 0
        property int wheelScrollMs: 0
        property int picks: 0
        function countFor(tab, version) { return tab === 0 ? 12 : 0 }
        function handleKey(key) { return false }
        function selectTab(i) {}
        function toggleFavorites() { onlyFavorites = !onlyFavorites }
        function close() {}
        function pickColor() { picks++ }
        function centredOffset(i, w) { return 0 }
        function wheelTarget(o, x, y, w) { return 0 }
    }
    NotchExpanded {
        anchors.fill: parent
        panel: panel
    }
}
)";

class NotchExpandedTest : public ::testing::Test {
protected:
    void show(const char* theme)
    {
        test::guiApp();
        view = std::make_unique<QQuickView>();
        ASSERT_TRUE(test::showScene(*view, home.path(), kScene, {{"theme", QString::fromLatin1(theme)}}));
    }
    QObject* panel() { return view->rootObject()->property("panel").value<QObject*>(); }
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

    test::TempDir home;
    std::unique_ptr<QQuickView> view;
};

} // namespace

TEST_F(NotchExpandedTest, AnEmptyStripSaysWhetherTheHistoryOrTheFavouritesAreEmpty)
{
    show("dark");
    QQuickItem* empty = part("emptyText");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->property("text").toString(), QStringLiteral("Nada todavía. Copia algo."));
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, centreOf(part("toggleFavoritesButton")));
    EXPECT_TRUE(panel()->property("onlyFavorites").toBool());
    EXPECT_EQ(empty->property("text").toString(), QStringLiteral("Aún no hay favoritos."));
}

// The colour sampler's button is greyed, but its help text is as readable as any other.
TEST_F(NotchExpandedTest, AGreyedButtonsHelpTextIsDrawnAtFullStrength)
{
    for (const char* theme : {"dark", "light"}) {
        show(theme);
        QQuickItem* button = part("pickColorButton");
        QQuickItem* tip = part("pickColorTip");
        ASSERT_NE(tip, nullptr);
        QTest::mouseMove(view.get(), QPoint(1, 1));
        QTest::mouseMove(view.get(), centreOf(button));
        ASSERT_TRUE(QTest::qWaitFor([&] { return tip->isVisible(); }, 1500)) << theme;
        QTest::mouseClick(view.get(), Qt::LeftButton, {}, centreOf(button));
        EXPECT_EQ(panel()->property("picks").toInt(), 0) << "a greyed button does nothing";
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
        EXPECT_LT(darkest, 60) << theme;
        EXPECT_GT(lightest, 200) << theme;
    }
}
