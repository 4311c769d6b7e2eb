// SPDX-License-Identifier: GPL-3.0-or-later
// libbrisa-image: the image libraries, for store commands run by `brisa` that meet an image.
#include "app/StoreImages.h"

extern "C" __attribute__((visibility("default"))) const brisa::StoreImages* brisa_store_images()
{
    return &brisa::linkedStoreImages();
}
