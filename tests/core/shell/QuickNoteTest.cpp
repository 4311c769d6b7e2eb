// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/shell/QuickNote.h"
#include "core/store/Storage.h"
#include "fakes/LogCapture.h"
#include "fakes/TempDir.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

using namespace brisa;
using namespace std::chrono_literals;

namespace {

class QuickNoteTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::LogCapture log;
    test::VirtualScheduler clock;
    std::unique_ptr<Storage> storage = Storage::open(dir.path(), clock).storage;
};

} // namespace

TEST_F(QuickNoteTest, IsStoredAsAPlainTextClipWithItsUtf8Size)
{
    ASSERT_TRUE(storage);
    ASSERT_TRUE(saveQuickNote(*storage, clock, "ñ"));
    const auto all = storage->fetchAll();
    ASSERT_EQ(all.size(), 1u);
    const auto& clip = all.front();
    EXPECT_EQ(clip.typeRaw, "text");
    EXPECT_EQ(clip.textContent, "ñ");
    EXPECT_EQ(clip.byteSize, 2);
    EXPECT_EQ(clip.createdAt, clock.now());
    EXPECT_FALSE(clip.isPinned);
    EXPECT_FALSE(clip.imageFileName || clip.thumbnailData || clip.sourceAppBundleID || clip.sourceAppName ||
                 clip.spaceID || clip.contentHash || clip.ocrText || clip.batchID || clip.reminderDate);
}

TEST_F(QuickNoteTest, TheSameTextTwiceMakesTwoClips)
{
    ASSERT_TRUE(storage);
    EXPECT_TRUE(saveQuickNote(*storage, clock, "hola"));
    EXPECT_TRUE(saveQuickNote(*storage, clock, "hola"));
    EXPECT_EQ(storage->count(), 2);
}

TEST_F(QuickNoteTest, TheHistoryLimitIsEnforcedRightAfterTheNote)
{
    ASSERT_TRUE(storage);
    storage->setHistoryLimit(2);
    for (const char* text : {"uno", "dos", "tres"}) {
        clock.advance(1s);
        ASSERT_TRUE(saveQuickNote(*storage, clock, text));
    }
    const auto all = storage->fetchAll();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].textContent, "tres");
    EXPECT_EQ(all[1].textContent, "dos");
}
