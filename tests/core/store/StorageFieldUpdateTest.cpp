// SPDX-License-Identifier: GPL-3.0-or-later
// Field-wise updates leave alone what another path changed since the caller read the record.
#include "StoreTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

using namespace brisa;
using namespace brisa::test;
using namespace std::chrono_literals;

namespace {

class StorageFieldUpdateTest : public StoreTest {};

/// The fields the updates touch or must keep (ClipItem compares by id alone).
auto fields(const ClipItem& c)
{
    return std::make_tuple(c.textContent, c.byteSize, c.isPinned, c.spaceID, c.ocrText,
                           std::chrono::round<std::chrono::milliseconds>(c.createdAt), c.thumbnailData);
}

} // namespace

TEST_F(StorageFieldUpdateTest, EachUpdateWritesItsOwnFieldOnly)
{
    const Uuid space = Uuid::random();
    const TimePoint later = clock.now() + 1h;
    struct Case {
        const char* name;
        std::function<bool(Storage&, const Uuid&)> update;
        std::function<void(ClipItem&)> expected;
    };
    const std::vector<Case> cases{
        {"pin", [](Storage& s, const Uuid& id) { return s.setPinned(id, true); },
         [](ClipItem& c) { c.isPinned = true; }},
        {"space", [&](Storage& s, const Uuid& id) { return s.setSpace(id, space); },
         [&](ClipItem& c) { c.spaceID = space; }},
        {"recognised text", [](Storage& s, const Uuid& id) { return s.setOcrText(id, std::string("Factura")); },
         [](ClipItem& c) { c.ocrText = "Factura"; }},
        {"time", [&](Storage& s, const Uuid& id) { return s.setCreatedAt(id, later); },
         [&](ClipItem& c) { c.createdAt = later; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto store = openStore();
        auto item = textClip(c.name, clock.now());
        item.thumbnailData = Bytes{1, 2, 3};
        ASSERT_TRUE(store->insert(item));

        // What another path changes between the read and the update, through a second connection.
        RawDb other(storeFile());
        ASSERT_EQ(other.exec("UPDATE ClipItem SET textContent = 'cambiado', byteSize = 99"), 0);
        item.textContent = "cambiado";
        item.byteSize = 99;

        int changes = 0;
        store->onChanged([&] { ++changes; });
        ASSERT_TRUE(c.update(*store, item.id));
        c.expected(item);
        auto stored = store->fetch(item.id);
        ASSERT_TRUE(stored);
        EXPECT_EQ(fields(*stored), fields(item));
        EXPECT_EQ(changes, 1);
        EXPECT_FALSE(c.update(*store, Uuid::random())); // no such clip
        EXPECT_TRUE(store->deleteClip(item));
    }
}
