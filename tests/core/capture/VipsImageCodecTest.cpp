// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/VipsImageCodec.h"
#include "fakes/TestImages.h"

#include <gtest/gtest.h>

using namespace brisa;

namespace {

bool isPng(const std::optional<Bytes>& bytes)
{
    static const Bytes signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return bytes && bytes->size() > signature.size() && std::equal(signature.begin(), signature.end(), bytes->begin());
}

} // namespace

// A JPEG cut short: the clipboard takes what decodes, the screenshot folder waits for the whole file.
TEST(VipsImageCodec, TruncatedImagesAreDecodedOrRefusedAsAsked)
{
    const Bytes whole = test::gradientImage(200, 150, true);
    const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(whole.size() * 2 / 3));
    struct Case {
        VipsImageCodec::Truncated truncated;
        const Bytes& input;
        bool converted;
    } cases[] = {
        {VipsImageCodec::Truncated::Decode, whole, true},
        {VipsImageCodec::Truncated::Refuse, whole, true},
        {VipsImageCodec::Truncated::Decode, cut, true},
        {VipsImageCodec::Truncated::Refuse, cut, false},
    };
    for (const auto& c : cases) {
        const auto png = VipsImageCodec(c.truncated).toPng(c.input);
        EXPECT_EQ(isPng(png), c.converted) << static_cast<int>(c.truncated) << " " << c.input.size();
    }
}
