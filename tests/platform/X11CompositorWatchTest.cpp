// SPDX-License-Identifier: GPL-3.0-or-later
// The compositor watch on a real X server (run through tests/support/with-display.sh), with
// xcompmgr started and stopped beside it.
#include "platform/x11/X11CompositorWatch.h"
#include "fakes/QtCoreApp.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

using namespace brisa;

namespace {

struct X11CompositorWatchTest : ::testing::Test {
    QProcess compositor;

    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X display (run under tests/support/with-display.sh)";
        if (QStandardPaths::findExecutable(QStringLiteral("xcompmgr")).isEmpty())
            GTEST_SKIP() << "xcompmgr is not installed";
        test::ensureCoreApp();
    }
    void TearDown() override { stopCompositor(); }

    void startCompositor() { compositor.start(QStringLiteral("xcompmgr"), {}); }
    void stopCompositor()
    {
        if (compositor.state() == QProcess::NotRunning)
            return;
        compositor.terminate();
        compositor.waitForFinished(3000);
    }
};

} // namespace

TEST_F(X11CompositorWatchTest, FollowsACompositorThatStartsAndStopsAndSeesOneAlreadyRunning)
{
    auto watch = X11CompositorWatch::create();
    ASSERT_TRUE(watch);
    EXPECT_FALSE(watch->isActive());
    std::vector<bool> changes;
    watch->onChanged([&](bool active) { changes.push_back(active); });

    startCompositor();
    ASSERT_TRUE(test::waitUntil([&] { return watch->isActive(); })) << "xcompmgr took the selection";
    stopCompositor();
    ASSERT_TRUE(test::waitUntil([&] { return !watch->isActive(); })) << "xcompmgr's going away was seen";
    startCompositor();
    ASSERT_TRUE(test::waitUntil([&] { return watch->isActive(); }));
    EXPECT_EQ(changes, (std::vector<bool>{true, false, true}));

    // A watch made while a compositor runs is active at once.
    auto late = X11CompositorWatch::create();
    ASSERT_TRUE(late);
    EXPECT_TRUE(late->isActive());
}
