// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Bytes.h"

namespace brisa::test {

/// A width × height RGB image with a gradient (so it compresses like a picture, not a flat
/// colour), encoded as PNG, or as JPEG when jpeg is true.
Bytes gradientImage(int width, int height, bool jpeg = false);

} // namespace brisa::test
