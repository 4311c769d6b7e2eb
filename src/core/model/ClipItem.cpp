// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/model/ClipItem.h"

namespace brisa {

ClipItem makeClipItem(NewClip f, const Clock& clock)
{
    ClipItem item;
    item.id = Uuid::random();
    item.typeRaw = std::string(rawValue(f.type));
    item.textContent = std::move(f.textContent);
    item.imageFileName = std::move(f.imageFileName);
    item.thumbnailData = std::move(f.thumbnailData);
    item.sourceAppBundleID = std::move(f.sourceAppBundleID);
    item.sourceAppName = std::move(f.sourceAppName);
    item.createdAt = clock.now();
    item.contentHash = std::move(f.contentHash);
    item.byteSize = f.byteSize;
    item.batchID = f.batchID;
    return item;
}

} // namespace brisa
