// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <thread>

using namespace brisa;
using namespace std::chrono_literals;

TEST(VirtualScheduler, RunsDelayedRepeatingAndPostedWorkInTimeOrder)
{
    test::VirtualScheduler s;
    std::vector<std::string> order;
    s.runAfter(250ms, [&] { order.push_back("once@250"); });
    auto rep = s.repeat(100ms, [&] { order.push_back("tick"); });
    auto cancelled = s.runAfter(50ms, [&] { order.push_back("never"); });
    s.cancel(cancelled);
    std::thread([&] { s.post([&] { order.push_back("posted"); }); }).join();

    s.advance(300ms);
    EXPECT_EQ(order, (std::vector<std::string>{"posted", "tick", "tick", "once@250", "tick"}));
    s.cancel(rep);
    s.advance(1s);
    EXPECT_EQ(order.size(), 5u);
}
