// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/ParallelFor.h"

#include <algorithm>
#include <thread>

namespace brisa {

ChunkPlan planChunks(std::size_t n, std::size_t minChunk)
{
    const std::size_t cores = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
    ChunkPlan plan;
    plan.count = std::clamp<std::size_t>(n / std::max<std::size_t>(minChunk, 1), 1, cores);
    plan.size = (n + plan.count - 1) / plan.count;
    if (plan.size)
        plan.count = (n + plan.size - 1) / plan.size; // no empty chunk at the end
    return plan;
}

void forEachChunk(std::size_t n, std::size_t minChunk, const std::function<void(std::size_t from, std::size_t to)>& work)
{
    const ChunkPlan plan = planChunks(n, minChunk);
    std::vector<std::jthread> workers;
    workers.reserve(plan.count - 1);
    for (std::size_t c = 1; c < plan.count; ++c)
        workers.emplace_back([&, c] { work(c * plan.size, std::min(n, (c + 1) * plan.size)); });
    work(0, std::min(n, plan.size));
}

} // namespace brisa
