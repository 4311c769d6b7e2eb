// SPDX-License-Identifier: GPL-3.0-or-later
// Pasted and converted pictures come from any application, and plain PNGs skip libpng: whatever
// the bytes, the check and the decoder answer without a crash, a decoded picture has the size its
// header says, and writing it back gives the same pixels.
#include "core/image/PngWriter.h"
#include "core/support/Log.h"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    brisa::setLogSink([](std::string_view) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace brisa;
    constexpr std::uint64_t kMaxPixels = 1u << 20;
    const std::span<const std::uint8_t> bytes(data, size);
    const bool plain = isPlainCompletePng(bytes, kMaxPixels);
    const auto decoded = decodePlainPng(bytes, kMaxPixels);
    if (!decoded)
        return 0;
    if (!plain || (decoded->bands != 3 && decoded->bands != 4) || decoded->width <= 0 || decoded->height <= 0
        || decoded->pixels.size()
               != static_cast<std::size_t>(decoded->width) * decoded->height * decoded->bands)
        __builtin_trap();
    const auto written = writePng({decoded->pixels.data(), decoded->width, decoded->height, decoded->bands, {}}, 2);
    if (!written)
        __builtin_trap();
    const auto again = decodePlainPng(*written, kMaxPixels);
    if (!again || again->pixels != decoded->pixels)
        __builtin_trap();
    return 0;
}
