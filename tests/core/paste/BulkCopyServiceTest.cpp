// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/ClipboardMonitor.h"
#include "core/image/ImageLibrary.h"
#include "core/paste/BulkCopyService.h"
#include "core/paste/SequentialPasteService.h"
#include "PasteTestSupport.h"
#include "fakes/FakeCaptureLinks.h"
#include "fakes/LogCapture.h"

#include <gmock/gmock.h>

using namespace brisa;
using namespace brisa::test;
using ::testing::ElementsAre;

namespace {

class BulkCopyServiceTest : public PasteFixture {
protected:
    BulkCopyServiceTest() { bulk.toasts = &toasts; }

    std::vector<std::string> texts(const std::vector<ClipItem>& clips)
    {
        std::vector<std::string> out;
        for (const auto& c : clips)
            out.push_back(c.textContent.value_or("<none>"));
        return out;
    }

    BulkCopyService bulk{*storage, *paster};
    FakeToasts toasts;
    LogCapture log;
};

TEST_F(BulkCopyServiceTest, ToggleOpensAFreshBatchEachTimeAndShowsItsToast)
{
    EXPECT_FALSE(bulk.isActive());
    EXPECT_EQ(bulk.activeBatch(), std::nullopt);

    bulk.toggle();
    ASSERT_TRUE(bulk.isActive());
    const auto first = bulk.currentBatchID();
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(bulk.activeBatch(), std::optional<std::optional<Uuid>>(first));

    bulk.toggle();
    EXPECT_FALSE(bulk.isActive());
    EXPECT_EQ(bulk.currentBatchID(), std::nullopt);
    EXPECT_EQ(bulk.activeBatch(), std::nullopt);

    bulk.toggle();
    ASSERT_TRUE(bulk.currentBatchID().has_value());
    EXPECT_NE(*bulk.currentBatchID(), *first);

    ToastData on;
    on.kind = ToastData::Notice{.title = "Bulk Copy activado — copia varias cosas"};
    ToastData off;
    off.kind = ToastData::Notice{.title = "Bulk Copy desactivado"};
    EXPECT_THAT(toasts.shown, ElementsAre(on, off, on));
    EXPECT_THAT(log.lines(), ElementsAre("[Brisa] Bulk Copy activado — copia varias cosas", "[Brisa] Bulk Copy desactivado",
                                         "[Brisa] Bulk Copy activado — copia varias cosas"));
}

TEST_F(BulkCopyServiceTest, ItemsAreTheBatchInCopyOrder)
{
    const Uuid batch = Uuid::random();
    addClip(ClipType::Text, "b", 20, batch);
    addClip(ClipType::Text, "fuera", 25);
    addClip(ClipType::Text, "c", 10, batch);
    addClip(ClipType::Text, "a", 30, batch);
    addClip(ClipType::Text, "otro lote", 15, Uuid::random());
    EXPECT_THAT(texts(bulk.items(batch)), ElementsAre("a", "b", "c"));
    EXPECT_TRUE(bulk.items(Uuid::random()).empty());
}

TEST_F(BulkCopyServiceTest, PasteGroupWritesOneBlockInCopyOrderThenPastes)
{
    const Uuid batch = Uuid::random();
    addClip(ClipType::Text, "a", 30, batch);
    addClip(ClipType::Text, "b", 20, batch);
    addClip(ClipType::Text, "c", 10, batch);
    bulk.pasteGroup(batch);
    EXPECT_EQ(clipboard.written(), textTargets("a\nb\nc"));
    scheduler.advance(PasteService::kPasteDelay);
    EXPECT_THAT(events, ElementsAre("ignore", "write", "collapse", "restore", "ctrl+v"));
}

TEST_F(BulkCopyServiceTest, PasteGroupSkipsClipsWithoutTextAndKeepsEmptyLines)
{
    const Uuid batch = Uuid::random();
    addClip(ClipType::File, "/home/ana/a.txt", 40, batch);
    addClip(ClipType::Image, std::nullopt, 30, batch);
    addClip(ClipType::Text, "", 20, batch);
    addClip(ClipType::Text, "fin", 10, batch);
    bulk.pasteGroup(batch);
    EXPECT_EQ(plainText(), "/home/ana/a.txt\n\nfin");
}

TEST_F(BulkCopyServiceTest, BatchOfImagesOnlyPastesNothing)
{
    const Uuid batch = Uuid::random();
    addClip(ClipType::Image, std::nullopt, 20, batch);
    addClip(ClipType::Screenshot, std::nullopt, 10, batch);
    bulk.pasteGroup(batch);
    bulk.pasteGroup(Uuid::random());
    scheduler.advance(Duration{500});
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(clipboard.writeCount(), 0u);
}

TEST_F(BulkCopyServiceTest, WithoutKeyAccessTheBlockStaysOnTheClipboard)
{
    access = KeyAccess::MissingXTest;
    const Uuid batch = Uuid::random();
    addClip(ClipType::Text, "x", 10, batch);
    bulk.pasteGroup(batch);
    EXPECT_EQ(plainText(), "x");
    EXPECT_EQ(events.back(), "alert");
}

// ---- With the clipboard monitor ----

class BulkCopyWithMonitorTest : public BulkCopyServiceTest {
protected:
    BulkCopyWithMonitorTest()
    {
        monitor = std::make_unique<ClipboardMonitor>(clipboard, nullptr, scheduler, *storage, images,
                                                     [](std::function<void()> job) {
                                                         job();
                                                         return true;
                                                     });
        monitor->batches = &bulk;
        // As the application binds it: the paste service's own writes are skipped once.
        forwardIgnore = monitor.get();
    }

    void tick()
    {
        monitor->poll();
        scheduler.runPosted();
        scheduler.advance(Duration{300});
    }

    void copy(const std::string& text)
    {
        clipboard.copyText(text);
        tick();
    }

    const ImageLibrary& images = linkedImageLibrary();
    std::unique_ptr<ClipboardMonitor> monitor;
};

TEST_F(BulkCopyWithMonitorTest, CopiesWhileOnShareOneBatchAndPasteBackInOrder)
{
    bulk.toggle();
    copy("a");
    copy("b");
    copy("c");
    bulk.toggle();
    copy("después");

    const auto clips = storage->fetchAll();
    ASSERT_EQ(clips.size(), 4u);
    EXPECT_EQ(clips[0].batchID, std::nullopt);
    ASSERT_TRUE(clips[1].batchID.has_value());
    EXPECT_EQ(clips[1].batchID, clips[2].batchID);
    EXPECT_EQ(clips[2].batchID, clips[3].batchID);

    bulk.pasteGroup(*clips[1].batchID);
    EXPECT_EQ(plainText(), "a\nb\nc");
    tick(); // the block written by the paste is not recorded as a copy
    EXPECT_EQ(storage->count(), 4);
    copy("externo");
    EXPECT_EQ(storage->count(), 5);
}

TEST_F(BulkCopyWithMonitorTest, ClearingForAMissingImageIsNotRecorded)
{
    copy("antes");
    ClipItem gone = makeClipItem({.type = ClipType::Image, .imageFileName = "borrada.png"}, scheduler);
    paster->writeToPasteboard(gone);
    tick();
    EXPECT_EQ(storage->count(), 1);
}

// ---- Sequential paste ----

using SequentialPasteServiceTest = PasteFixture;

TEST_F(SequentialPasteServiceTest, EmptyHistoryDoesNothing)
{
    SequentialPasteService seq(*storage, *paster);
    seq.pasteNext();
    seq.pasteBack();
    EXPECT_EQ(seq.cursor, -1);
    EXPECT_EQ(clipboard.writeCount(), 0u);
}

TEST_F(SequentialPasteServiceTest, ForwardThroughTheHistoryThenBack)
{
    addClip(ClipType::Text, "tercero", 30);
    addClip(ClipType::Text, "segundo", 20, Uuid::random());
    addClip(ClipType::Text, "primero", 10, std::nullopt, true);
    SequentialPasteService seq(*storage, *paster);

    const struct {
        bool forward;
        const char* pasted;
        int cursor;
    } steps[] = {
        {true, "primero", 0}, {true, "segundo", 1},  {true, "tercero", 2},
        {true, nullptr, 2},   {false, "segundo", 1}, {false, "primero", 0}, {false, "primero", 0},
    };
    for (const auto& s : steps) {
        const std::size_t writes = clipboard.writeCount();
        s.forward ? seq.pasteNext() : seq.pasteBack();
        if (s.pasted) {
            EXPECT_EQ(clipboard.writeCount(), writes + 1);
            EXPECT_EQ(plainText(), s.pasted);
        } else {
            EXPECT_EQ(clipboard.writeCount(), writes);
        }
        EXPECT_EQ(seq.cursor, s.cursor);
    }
    scheduler.advance(PasteService::kPasteDelay);
    EXPECT_EQ(chords(), 6u);
}

TEST_F(SequentialPasteServiceTest, BackBeforeAnyForwardOrAfterAResetPastesTheNewest)
{
    addClip(ClipType::Text, "viejo", 20);
    addClip(ClipType::Text, "nuevo", 10);
    SequentialPasteService seq(*storage, *paster);
    seq.pasteBack();
    EXPECT_EQ(plainText(), "nuevo");
    EXPECT_EQ(seq.cursor, 0);
    seq.pasteNext();
    EXPECT_EQ(plainText(), "viejo");
    seq.cursor = -1;
    seq.pasteNext();
    EXPECT_EQ(plainText(), "nuevo");
    seq.paste(-5);
    EXPECT_EQ(seq.cursor, 0);
}

} // namespace
