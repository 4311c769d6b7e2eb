// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoreTestSupport.h"

#include "core/store/IdleCheckpoint.h"

#include <gtest/gtest.h>

using namespace brisa;
using namespace brisa::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

class IdleCheckpointTest : public StoreTest {
protected:
    void write(int rows)
    {
        for (int i = 0; i < rows; ++i)
            ASSERT_TRUE(store->insert(textClip(std::string(2000, char('a' + i % 26)), clock.now())));
    }
    /// True once the rows written so far are in the database file itself, not only in its journal.
    bool folded() const { return fs::file_size(storeFile()) > emptySize + 20 * 2000; }

    std::unique_ptr<Storage> store = openStore();
    std::uintmax_t emptySize = fs::file_size(storeFile());
};

} // namespace

TEST_F(IdleCheckpointTest, TheJournalIsFoldedInAFewSecondsAfterTheLastWrite)
{
    IdleCheckpoint checkpoint(*store, clock);
    write(20);
    clock.advance(2s);
    write(1); // the wait starts again
    clock.advance(2s);
    EXPECT_FALSE(folded());
    clock.advance(1s);
    EXPECT_TRUE(folded());
}

TEST_F(IdleCheckpointTest, FlushFoldsAtOnceAndNothingRunsAfterTheCheckpointIsGone)
{
    {
        IdleCheckpoint checkpoint(*store, clock);
        write(20);
        checkpoint.flush();
        EXPECT_TRUE(folded());
        write(1);
    }
    write(1); // the store outlives the checkpoint: its signal must not reach it
    clock.advance(1min);
}
