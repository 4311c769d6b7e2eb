// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

namespace brisa {

/// How forEachChunk cuts n items: count consecutive chunks of size items (the last may be
/// shorter), one per core and at most 8, none under minChunk items; always at least one.
struct ChunkPlan {
    std::size_t count = 1;
    std::size_t size = 0;
};
ChunkPlan planChunks(std::size_t n, std::size_t minChunk);

/// Runs work(from, to) over [0, n) cut as planChunks says, the first chunk on the calling thread
/// and each other on a thread of its own, and returns once all are done. Below 2 × minChunk items
/// (or on one core) it is one call on the calling thread: there a thread costs more than it saves.
void forEachChunk(std::size_t n, std::size_t minChunk, const std::function<void(std::size_t from, std::size_t to)>& work);

/// forEachChunk for a scan that gives a list per chunk: the lists joined in order, as one scan of
/// [0, n) would give them.
template <class Scan>
auto joinChunks(std::size_t n, std::size_t minChunk, const Scan& scan) -> decltype(scan(std::size_t{}, std::size_t{}))
{
    using List = decltype(scan(std::size_t{}, std::size_t{}));
    const ChunkPlan plan = planChunks(n, minChunk);
    if (plan.count == 1)
        return scan(0, n);
    std::vector<List> parts(plan.count);
    forEachChunk(n, minChunk, [&](std::size_t from, std::size_t to) { parts[from / plan.size] = scan(from, to); });
    List out = std::move(parts[0]);
    for (std::size_t c = 1; c < parts.size(); ++c)
        out.insert(out.end(), parts[c].begin(), parts[c].end());
    return out;
}

} // namespace brisa
