// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipDragPayload.h"

#include <QImage>
#include <QMimeData>
#include <QVariantMap>

#include <filesystem>
#include <memory>

class QObject;

namespace brisa {

class ImageLibrary;

/// What a clip dragged out of Brisa carries, so that a file manager gets a file, an image editor
/// an image and a text field text. A file that cannot be read, a name that would leave the images
/// folder, or a relative file path carries nothing. images decodes the pictures Qt cannot read
/// (HEIC); null: those go as their file and their own format only.
std::unique_ptr<QMimeData> clipMimeData(const ClipDragPayload& payload, const std::filesystem::path& imagesDir,
                                        const ImageLibrary* images);

/// The same as text formats only ("text/uri-list", "text/plain"), without reading the image:
/// cheap enough to ask whether a drag would carry anything.
QVariantMap clipMimeTexts(const ClipDragPayload& payload, const std::filesystem::path& imagesDir);

/// Largest side of the picture an image drag shows under the pointer, in points.
inline constexpr int kDragPreviewSide = 220;

/// The picture a drag of payload shows under the pointer: an image shows itself, fitted within
/// 220 × 220 (a transparent 1 × 1 picture when it cannot be read, so no empty frame follows the
/// pointer); null for other payloads, which keep the platform's own picture.
QImage clipDragPreview(const ClipDragPayload& payload, const QMimeData& data);

/// Drags payload out of Brisa, as a copy, from source; returns when it is dropped or given up.
void execClipDrag(const ClipDragPayload& payload, const std::filesystem::path& imagesDir, const ImageLibrary* images,
                  QObject* source);

} // namespace brisa
