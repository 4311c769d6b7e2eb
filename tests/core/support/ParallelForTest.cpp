// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/ParallelFor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <numeric>
#include <thread>

using namespace brisa;

namespace {

TEST(ParallelForTest, ChunksCoverEveryItemOnceWithNoneUnderTheMinimum)
{
    const std::size_t cores = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
    struct Row {
        std::size_t n, minChunk;
    };
    for (const auto [n, minChunk] : {Row{0, 1024}, Row{1, 1024}, Row{2047, 1024}, Row{2048, 1024}, Row{5, 1},
                                     Row{9, 1}, Row{8191, 4096}, Row{8192, 4096}, Row{100'000, 4096}}) {
        SCOPED_TRACE(testing::Message() << n << " items, chunks of at least " << minChunk);
        std::mutex mutex;
        std::vector<std::pair<std::size_t, std::size_t>> chunks;
        std::vector<std::thread::id> threads;
        forEachChunk(n, minChunk, [&](std::size_t from, std::size_t to) {
            std::lock_guard lock(mutex);
            chunks.emplace_back(from, to);
            threads.push_back(std::this_thread::get_id());
        });
        std::sort(chunks.begin(), chunks.end());
        const auto plan = planChunks(n, minChunk);
        ASSERT_EQ(chunks.size(), plan.count);
        EXPECT_LE(plan.count, cores);
        std::size_t next = 0;
        for (const auto& [from, to] : chunks) {
            EXPECT_EQ(from, next);
            EXPECT_TRUE(plan.count == 1 || to - from >= minChunk) << from << ".." << to;
            EXPECT_TRUE(to > from || n == 0);
            next = to;
        }
        EXPECT_EQ(next, n);
        // Under two chunks' worth all of it runs on the calling thread.
        if (n < 2 * minChunk) {
            EXPECT_EQ(threads, std::vector{std::this_thread::get_id()});
        }
        // Lists made chunk by chunk come back joined in order.
        const auto joined = joinChunks(n, minChunk, [](std::size_t from, std::size_t to) {
            std::vector<std::size_t> part(to - from);
            std::iota(part.begin(), part.end(), from);
            return part;
        });
        std::vector<std::size_t> all(n);
        std::iota(all.begin(), all.end(), 0);
        EXPECT_EQ(joined, all);
    }
}

} // namespace
