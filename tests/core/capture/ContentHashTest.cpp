// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/ContentHash.h"

#include <gtest/gtest.h>

using namespace brisa;

// Expected digests computed with sha256sum over the concatenated bytes.
TEST(ContentHash, IsSha256OfKindTextAndImageBytesInLowerCaseHex)
{
    EXPECT_EQ(contentHash({ClipType::Text, "hola", std::nullopt, 4}),
              "4c237167e278022de3a8558c157d71024b8281e73de226c7f4a00e7ba8d9cee3");
    EXPECT_EQ(contentHash({ClipType::Image, std::nullopt, Bytes{'A', 'B', 0x01}, 3}),
              "340c8b8c56e62fb99ca73ed7f413f692040249efe3bb03c416dded40b486e863");
}

TEST(ContentHash, SameTextAsAnotherKindIsAnotherHash)
{
    EXPECT_NE(contentHash({ClipType::Text, "x = 1", std::nullopt, 5}),
              contentHash({ClipType::Code, "x = 1", std::nullopt, 5}));
}
