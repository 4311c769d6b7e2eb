// SPDX-License-Identifier: GPL-3.0-or-later
// Copied images come from any application: whatever the bytes, the thumbnailer answers without a
// crash, and a thumbnail it gives is a PNG of the size the rule computes from the source's header.
#include "core/capture/ImageThumbnailer.h"
#include "core/support/Log.h"

#include <vips/vips.h>

#include <cstdint>

namespace {

void quiet(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    using namespace brisa;
    if (!ImageThumbnailer::startImageLibrary())
        __builtin_trap();
    setLogSink([](std::string_view) {});
    // Decoders warn on every damaged file; the fuzzer's output should show findings only.
    g_log_set_handler("VIPS", static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE), quiet, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace brisa;
    const Bytes bytes(data, data + size);
    const double maxDimension = size > 0 && data[0] % 2 ? ImageThumbnailer::kToastMaxDimension
                                                         : ImageThumbnailer::kStoredMaxDimension;
    const auto thumb = ImageThumbnailer::thumbnailPNG(bytes, maxDimension);
    if (!thumb)
        return 0;
    const auto source = ImageThumbnailer::imagePixelSize(bytes);
    const auto made = ImageThumbnailer::imagePixelSize(*thumb);
    if (!source || !made)
        __builtin_trap();
    if (made != ImageThumbnailer::thumbnailSize(source->first, source->second, maxDimension))
        __builtin_trap();
    return 0;
}
