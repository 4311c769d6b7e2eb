// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ClipStripModel.h"
#include "GuiApp.h"
#include "QmlScene.h"

#include "core/store/Storage.h"
#include "fakes/LogCapture.h"
#include "fakes/TempDir.h"
#include "fakes/VirtualScheduler.h"

#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <optional>
#include <string>

using namespace brisa;
using namespace std::chrono_literals;

namespace {

// The strip over a real model, with a stand-in for the panel's view model.
constexpr const char* kScene = R"(
import QtQuick
import Brisa.Ui

Item {
    id: root
    required property QtObject model
    width: 700
    height: 170
    property alias strip: strip
    QtObject {
        id: panel
        property QtObject strip: root.model
        property real stripLeadingInset: 18
        property int selectedIndex: 0
        property int scrollReset: 0
        property string theme: "dark"
        property int centreScrollMs: 0
        property int wheelScrollMs: 0
        function centredOffset(index, width) { return Math.max(0, 18 + 228 * index + 106 - width / 2) }
        function wheelTarget(origin, x, y, width) { return Math.max(0, origin - 22 * (Math.abs(x) > Math.abs(y) ? x : y)) }
        function clickCard(i) {}
        function openCardMenu(i) {}
        function startDrag(i) {}
    }
    CardStrip {
        id: strip
        anchors.fill: parent
        panel: panel
    }
    function resetScroll() { panel.scrollReset++ }
    function select(i) { panel.selectedIndex = i }
}
)";

class CardStripTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::guiApp();
        auto opened = Storage::open(home.path(), clock);
        ASSERT_NE(opened.storage, nullptr) << opened.error;
        store = std::move(opened.storage);
        for (int i = 0; i < 40; ++i) {
            ClipItem item = makeClipItem({.textContent = "clip " + std::to_string(i), .byteSize = 6}, clock);
            item.createdAt = clock.now() - std::chrono::minutes(40 - i);
            ASSERT_TRUE(store->insert(item));
        }
        model = std::make_unique<ClipStripModel>(*store, clock);
        view = std::make_unique<QQuickView>();
        ASSERT_TRUE(test::showScene(*view, home.path(), kScene,
                                    {{"model", QVariant::fromValue<QObject*>(model.get())}}));
    }

    QQuickItem* strip() { return view->rootObject()->property("strip").value<QQuickItem*>(); }
    /// Where card row is drawn, in the strip's own coordinates; nullopt when it has no item.
    std::optional<double> cardX(int row)
    {
        QQuickItem* item = nullptr;
        QMetaObject::invokeMethod(strip(), "itemAtIndex", Q_RETURN_ARG(QQuickItem*, item), Q_ARG(int, row));
        if (!item)
            return std::nullopt;
        return item->mapToItem(strip(), QPointF(0, 0)).x();
    }
    void settle()
    {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

    test::TempDir home;
    test::VirtualScheduler clock;
    test::LogCapture log;
    std::unique_ptr<Storage> store;
    std::unique_ptr<ClipStripModel> model;
    std::unique_ptr<QQuickView> view;
};

} // namespace

TEST_F(CardStripTest, AfterCardsArriveAboveTheScrolledStripAResetStillShowsTheFirstCard)
{
    QMetaObject::invokeMethod(view->rootObject(), "select", Q_ARG(QVariant, 30));
    settle();
    ASSERT_GT(strip()->property("contentX").toDouble(), 3000);

    // Two new clips arrive at the front while the strip is far along; then a new opening resets it.
    for (int i = 0; i < 2; ++i) {
        ClipItem item = makeClipItem({.textContent = "nuevo " + std::to_string(i), .byteSize = 7}, clock);
        item.createdAt = clock.now() + std::chrono::seconds(i + 1);
        ASSERT_TRUE(store->insert(item));
    }
    model->reload();
    settle();
    QMetaObject::invokeMethod(view->rootObject(), "select", Q_ARG(QVariant, 0));
    QMetaObject::invokeMethod(view->rootObject(), "resetScroll");
    settle();

    const auto x = cardX(0);
    ASSERT_TRUE(x);
    EXPECT_NEAR(*x, 18, 1) << "the first card sits at the leading inset";

    // Centring the third card puts it in the middle.
    QMetaObject::invokeMethod(view->rootObject(), "select", Q_ARG(QVariant, 2));
    settle();
    const auto third = cardX(2);
    ASSERT_TRUE(third);
    EXPECT_NEAR(*third + 106, 350, 1);
}
