// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/store/StoreChanges.h"

#include "StoreTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace brisa;
using namespace brisa::test;
using namespace std::chrono_literals;

namespace {

class StoreChangesTest : public StoreTest {};

using Origin = StoreChanges::Origin;

} // namespace

TEST_F(StoreChangesTest, EverySubscriberHearsEveryChangeWhoeverPolls)
{
    auto store = openStore();
    auto& changes = store->changes();
    std::vector<Origin> panel, library;
    auto a = changes.subscribe([&](Origin o) { panel.push_back(o); });
    auto b = changes.subscribe([&](Origin o) { library.push_back(o); });
    EXPECT_FALSE(changes.poll());

    ASSERT_TRUE(store->insert(textClip("aquí", TimePoint(1h))));
    {
        RawDb raw(storeFile());
        ASSERT_EQ(raw.exec("UPDATE ClipItem SET isPinned = 1"), SQLITE_OK);
    }
    const auto before = changes.generation();
    EXPECT_TRUE(changes.poll()); // one holder notices ...
    EXPECT_FALSE(changes.poll()); // ... once
    EXPECT_EQ(changes.generation(), before + 1);
    const std::vector<Origin> expected{Origin::Here, Origin::Elsewhere};
    EXPECT_EQ(panel, expected); // ... and both hear it
    EXPECT_EQ(library, expected);
}

TEST_F(StoreChangesTest, EndedSubscriptionsHearNothingAndMayOutliveTheStore)
{
    auto store = openStore();
    int heard = 0;
    StoreChanges::Subscription second;
    auto first = store->changes().subscribe([&](Origin) {
        ++heard;
        second.reset(); // a listener may end another one while being told
    });
    second = store->changes().subscribe([&](Origin) { ++heard; });
    ASSERT_TRUE(store->insert(textClip("uno", TimePoint(1h))));
    EXPECT_EQ(heard, 1);
    first.reset();
    ASSERT_TRUE(store->insert(textClip("dos", TimePoint(2h))));
    EXPECT_EQ(heard, 1);

    auto late = store->changes().subscribe([&](Origin) { ++heard; });
    store.reset();
    late.reset(); // after the store is gone: nothing to do, nothing to crash
    EXPECT_EQ(heard, 1);
}
