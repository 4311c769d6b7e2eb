// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/image/ImageLibrary.h"

#include <cstddef>

namespace brisa {

/// The image libraries as libbrisa-image has them, loaded from beside the module this is linked
/// into on the first call that needs them: a program that never meets an image never maps them.
/// When the library cannot be loaded that is logged once and every answer is "no image".
const ImageLibrary& loadedImageLibrary();

/// libbrisa-image's entry point: the library, with its log lines handed to log (each module has a
/// log of its own; the caller's decides where they go).
using ImageModuleEntry = const ImageLibrary* (*)(void (*log)(const char* line, std::size_t size));
inline constexpr const char* kImageModuleEntry = "brisa_image_library";

} // namespace brisa
