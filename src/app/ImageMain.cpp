// SPDX-License-Identifier: GPL-3.0-or-later
// libbrisa-image: the image libraries, loaded by the resident program and the store commands the
// first time they meet an image (ImageModule.cpp).
#include "app/ImageModule.h"
#include "core/support/Log.h"

#include <type_traits>

/// The images, with this library's log lines handed to log.
extern "C" __attribute__((visibility("default"))) const brisa::ImageLibrary*
brisa_image_library(void (*log)(const char* line, std::size_t size))
{
    if (log)
        brisa::setLogSink([log](std::string_view line) { log(line.data(), line.size()); });
    return &brisa::linkedImageLibrary();
}

static_assert(std::is_same_v<decltype(&brisa_image_library), brisa::ImageModuleEntry>,
              "the loader calls the entry point through ImageModuleEntry");
