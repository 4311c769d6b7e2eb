// SPDX-License-Identifier: GPL-3.0-or-later
// The outline of the panel and the toast is filled as the theme says with a compositor, and opaque
// without one, where whatever is not opaque would show black.
#include "ui/Compositing.h"
#include "GuiApp.h"
#include "QmlScene.h"

#include "fakes/TempDir.h"

#include <QCoreApplication>
#include <QImage>
#include <QQuickView>

#include <gtest/gtest.h>

using namespace brisa;

namespace {

constexpr const char* kScene = R"(
import QtQuick
import Brisa.Ui

Rectangle {
    width: 200
    height: 100
    color: "black"
    NotchPanelShape {
        anchors.fill: parent
        topRadius: 12
        bottomRadius: 28
        fillColor: Qt.rgba(1, 1, 1, 0.5)
    }
}
)";

struct Case {
    bool active;
    int red; ///< of white at half strength over black, or at full strength
};

class CompositingTest : public ::testing::TestWithParam<Case> {};

} // namespace

TEST_P(CompositingTest, TheOutlineIsFilledTranslucentWithACompositorAndOpaqueWithout)
{
    test::guiApp();
    test::TempDir dir;
    Compositing::instance().setActive(GetParam().active);
    QQuickView view;
    ASSERT_TRUE(test::showScene(view, dir.path(), kScene, {}));
    QImage image;
    for (int i = 0; i < 3; ++i) { // let the scene pick up the changes
        QCoreApplication::processEvents();
        image = view.grabWindow();
    }
    Compositing::instance().setActive(true);
    ASSERT_FALSE(image.isNull());
    EXPECT_NEAR(qRed(image.pixel(100, 50)), GetParam().red, 2) << "inside the outline";
    EXPECT_EQ(qRed(image.pixel(2, 90)), 0) << "outside it, beside the bottom corner";
}

INSTANTIATE_TEST_SUITE_P(Compositor, CompositingTest,
                         ::testing::Values(Case{true, 128}, Case{false, 255}),
                         [](const auto& info) { return info.param.active ? "Running" : "Absent"; });
