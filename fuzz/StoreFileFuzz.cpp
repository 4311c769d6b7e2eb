// SPDX-License-Identifier: GPL-3.0-or-later
// The store file as found on disk: any bytes at Brisa.store (and, split off by the first byte, at
// its journal) must open, or be set aside and replaced, and the store must then work, without a
// crash, a hang or a lost image of an earlier history.
#include "core/model/ClipItem.h"
#include "core/store/Storage.h"
#include "core/support/AtomicFile.h"
#include "core/support/Log.h"
#include "ScratchFolder.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const brisa::fuzz::ScratchFolder scratch("brisa-fuzz-store-");
    const auto& home = scratch.path();
    static brisa::SystemClock clock;
    brisa::setLogSink([](std::string_view) {});
    std::error_code ec;
    scratch.clear();
    const auto dir = home / "Brisa";
    fs::create_directories(dir / "images", ec);

    // First byte: how many of the following bytes (in 256ths) belong to the database, the rest to
    // its journal; an odd byte also leaves an image of an earlier history in the folder.
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t split = size == 0 ? 0 : (size - 1) * data[0] / 255;
    const auto body = bytes.substr(size == 0 ? 0 : 1);
    brisa::writeFileAtomically(dir / "Brisa.store", body.substr(0, split));
    if (split < body.size())
        brisa::writeFileAtomically(dir / "Brisa.store-wal", body.substr(split));
    const std::string image = "0B9E4D6A-1111-4222-8333-444455556666.png";
    const bool withImage = size > 0 && (data[0] & 1);
    if (withImage)
        brisa::writeFileAtomically(dir / "images" / image, "png");

    auto opened = brisa::Storage::open(home, clock);
    if (opened.storage) {
        auto& store = *opened.storage;
        (void)store.count();
        for (const auto& clip : store.fetchAll({.limit = 50, .withThumbnails = true}))
            store.setPinned(clip.id, !clip.isPinned);
        (void)store.fetchPanelPage(brisa::NotchTab::Prompts, false, 0, 20);
        (void)store.countForTab(brisa::NotchTab::Assets);
        store.insert(brisa::makeClipItem({.type = brisa::ClipType::Text, .textContent = "x", .byteSize = 1}, clock));
        store.checkpoint();
    }
    // An image of an earlier history is never deleted: it stays, or goes aside with its store.
    if (withImage && !fs::exists(dir / "images" / image)) {
        bool aside = false;
        for (const auto& entry : fs::directory_iterator(dir, ec))
            aside = aside || fs::exists(entry.path() / image);
        if (!aside)
            std::abort();
    }
    return 0;
}
