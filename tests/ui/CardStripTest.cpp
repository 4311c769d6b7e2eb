// SPDX-License-Identifier: GPL-3.0-or-later
#include "GuiApp.h"
#include "QmlScene.h"
#include "UiFixtures.h"

#include "core/notch/StripScroll.h"

#include <QQuickItem>
#include <QQuickView>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <string>

using namespace brisa;
using namespace std::chrono_literals;

namespace {

// The strip in the panel's place, over the panel's view model.
constexpr const char* kScene = R"(
import QtQuick
import Brisa.Ui

CardStrip {
    width: 700
    height: 170
}
)";

class CardStripTest : public test::PanelTest {
protected:
    void SetUp() override
    {
        test::guiApp();
        PanelTest::SetUp();
        for (int i = 0; i < 40; ++i)
            addText("clip " + std::to_string(i), clock.now() - std::chrono::minutes(40 - i));
        panel->reload();
        view = std::make_unique<QQuickView>();
        ASSERT_TRUE(test::showScene(*view, home.path(), kScene, {{"panel", QVariant::fromValue<QObject*>(panel.get())}}));
    }

    QQuickItem* strip() { return view->rootObject(); }
    /// Where card row is drawn, in the strip's own coordinates; nullopt when it has no item.
    std::optional<double> cardX(int row)
    {
        QQuickItem* item = nullptr;
        QMetaObject::invokeMethod(strip(), "itemAtIndex", Q_RETURN_ARG(QQuickItem*, item), Q_ARG(int, row));
        if (!item)
            return std::nullopt;
        return item->mapToItem(strip(), QPointF(0, 0)).x();
    }
    /// Moves the selection with the arrow keys, as the panel's keyboard does.
    void select(int row)
    {
        while (panel->selectedIndex() < row)
            panel->handleKey(Qt::Key_Right);
        while (panel->selectedIndex() > row)
            panel->handleKey(Qt::Key_Left);
    }
    /// Whether card row has come to rest (the strip glides there) at x.
    bool cardSettlesAt(int row, double x)
    {
        return QTest::qWaitFor([&] {
            const auto at = cardX(row);
            return at && std::abs(*at - x) < 1;
        });
    }

    std::unique_ptr<QQuickView> view;
};

} // namespace

TEST_F(CardStripTest, AfterCardsArriveAboveTheScrolledStripTheFirstCardCanStillBeShown)
{
    const double inset = NotchPanelViewModel::stripLeadingInset();
    const double centred = 350 - StripScroll::kItemWidth / 2;
    select(30);
    ASSERT_TRUE(cardSettlesAt(30, centred));

    // Two new clips arrive at the front while the strip is far along; then the selection goes back.
    for (int i = 0; i < 2; ++i)
        addText("nuevo " + std::to_string(i), clock.now() + std::chrono::seconds(i + 1));
    panel->reload();
    select(0);
    EXPECT_TRUE(cardSettlesAt(0, inset)) << "the first card sits at the leading inset";

    // Centring the third card puts it in the middle.
    select(2);
    EXPECT_TRUE(cardSettlesAt(2, centred));
}
