// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ModalLoops.h"

#include "fakes/QtApp.h"

#include <QCoreApplication>
#include <QObject>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace brisa;

TEST(ModalLoopsTest, ARereadAskedForDuringLoopsRunsOnceAfterTheOutermost)
{
    test::qtApp();
    QObject owner;
    int rereads = 0;
    ModalLoops loops(&owner, [&rereads] { ++rereads; });
    struct Case {
        const char* name;
        std::function<void()> inside; ///< what runs inside the outer loop
        int after;                    ///< rereads once it is over
    };
    const Case cases[] = {
        {"nothing changed", [] {}, 0},
        {"two changes", [&] { loops.rereadWhenFree(); loops.rereadWhenFree(); }, 1},
        {"a change in a nested loop", [&] { loops.run([&] { loops.rereadWhenFree(); }); }, 1},
        {"a delete reported under a menu", [&] { EXPECT_TRUE(loops.running()); loops.rereadWhenFree(); }, 1},
    };
    for (const auto& c : cases) {
        rereads = 0;
        loops.run([&] {
            c.inside();
            EXPECT_EQ(rereads, 0) << c.name << ": the rows stay put";
        });
        EXPECT_EQ(rereads, c.after) << c.name;
        EXPECT_FALSE(loops.running()) << c.name;
    }
    rereads = 0;
    loops.rereadWhenFree();
    EXPECT_EQ(rereads, 1) << "at once with no loop running";
}

TEST(ModalLoopsTest, ALoopAskedForLaterRunsOnceTheCallerReturnedAndNotAfterItsOwnerWent)
{
    test::qtApp();
    int ran = 0;
    auto owner = std::make_unique<QObject>();
    auto loops = std::make_unique<ModalLoops>(owner.get(), [] {});
    loops->runLater([&ran] { ++ran; });
    EXPECT_EQ(ran, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 1);
    loops->runLater([&ran] { ++ran; });
    owner.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 1);
}
