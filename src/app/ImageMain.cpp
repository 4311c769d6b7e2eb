// SPDX-License-Identifier: GPL-3.0-or-later
// libbrisa-image: the image libraries, for store commands run by `brisa` that meet an image.
#include "app/StoreImages.h"
#include "core/support/Log.h"

#include <cstddef>

/// The images, with this library's log lines handed to log: the store commands show their log only
/// when something fails, and this library has a log of its own.
extern "C" __attribute__((visibility("default"))) const brisa::StoreImages*
brisa_store_images(void (*log)(const char* line, std::size_t size))
{
    if (log)
        brisa::setLogSink([log](std::string_view line) { log(line.data(), line.size()); });
    return &brisa::linkedStoreImages();
}
