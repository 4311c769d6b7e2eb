// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/ClipRecorder.h"

#include "core/capture/ContentHash.h"
#include "core/store/Storage.h"
#include "core/support/Log.h"

namespace brisa {

PreparedClip prepareClip(DetectedClip detected, const MakeThumbnail& makeThumbnail)
{
    PreparedClip p;
    p.hash = contentHash(detected);
    if (detected.imageData)
        p.thumbnail = makeThumbnail(*detected.imageData);
    p.detected = std::move(detected);
    return p;
}

RecordOutcome recordClip(Storage& storage, const Clock& clock, PreparedClip prepared,
                         const std::optional<SourceApp>& source, std::optional<Uuid> batchID)
{
    RecordOutcome outcome;
    auto newest = storage.fetchAll({.limit = 1});
    if (!newest.empty() && newest.front().contentHash && !prepared.hash.empty()
        && *newest.front().contentHash == prepared.hash) {
        auto recent = std::move(newest.front());
        recent.createdAt = clock.now();
        storage.setCreatedAt(recent.id, recent.createdAt);
        return {RecordOutcome::Kind::RefreshedDuplicate, std::move(recent)};
    }

    std::optional<std::string> fileName;
    if (prepared.detected.imageData) {
        auto name = storage.newImageFileName();
        if (storage.writeImage(name, *prepared.detected.imageData))
            fileName = name;
        else
            logf("Error guardando imagen: no se pudo escribir {}", (storage.imagesDir() / name).string());
    }

    const auto& d = prepared.detected;
    auto item = makeClipItem(NewClip{.type = d.type,
                                     .textContent = d.textContent,
                                     .imageFileName = fileName,
                                     .thumbnailData = std::move(prepared.thumbnail),
                                     .sourceAppBundleID = source ? source->bundleID : std::nullopt,
                                     .sourceAppName = source ? source->name : std::nullopt,
                                     .contentHash = prepared.hash,
                                     .byteSize = d.byteSize,
                                     .batchID = batchID},
                             clock);
    if (!storage.insertCaptured(item)) {
        if (fileName)
            storage.deleteImage(*fileName);
        outcome.item = std::move(item);
        return outcome;
    }
    const std::string appName = source && source->name ? *source->name : "?";
    logf("Guardado {} de {} ({} b)", rawValue(d.type), appName, d.byteSize);
    return {RecordOutcome::Kind::Inserted, std::move(item)};
}

} // namespace brisa
