// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/SampledColor.h"
#include "core/store/Storage.h"
#include "fakes/LogCapture.h"
#include "fakes/TempDir.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

using namespace brisa;

TEST(SampledColor, TextAndClipOfASampledColour)
{
    test::TempDir dir;
    test::LogCapture log;
    test::VirtualScheduler clock;
    auto storage = Storage::open(dir.path(), clock).storage;
    ASSERT_TRUE(storage);
    struct Case {
        double r, g, b, a;
        std::string text, hex;
    };
    const Case cases[] = {
        {1, 0, 0, 1, "rgba(255, 0, 0, 1.0)", "#FF0000"},
        {1, 0, 0, 0.5, "rgba(255, 0, 0, 0.5)", "#FF000080"},
        {0.2, 0.4, 0.6, 1, "rgba(51, 102, 153, 1.0)", "#336699"},
        {0.999, 0.5, 0.0039, 1, "rgba(254, 127, 0, 1.0)", "#FE7F00"}, // truncated, not rounded
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sampledColorText(c.r, c.g, c.b, c.a), c.text);
        EXPECT_EQ(saveSampledColor(*storage, clock, c.r, c.g, c.b, c.a), c.hex);
        const auto clip = storage->fetchAll().front();
        EXPECT_EQ(clip.typeRaw, "color");
        EXPECT_EQ(clip.textContent, c.hex);
        EXPECT_EQ(clip.byteSize, static_cast<std::int64_t>(c.hex.size()));
        EXPECT_FALSE(clip.contentHash || clip.sourceAppName || clip.sourceAppBundleID || clip.imageFileName ||
                     clip.thumbnailData || clip.batchID);
    }
    // No duplicate test: the same colour again is another clip.
    ASSERT_TRUE(saveSampledColor(*storage, clock, 0.2, 0.4, 0.6, 1));
    EXPECT_EQ(storage->count(), 5);
}
