// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipDragPayload.h"

#include <QMimeData>
#include <QVariantMap>

#include <filesystem>
#include <memory>

namespace brisa {

/// What a clip dragged out of Brisa carries, so that a file manager gets a file, an image editor
/// an image and a text field text. An image whose file cannot be read still carries its file URL
/// (the receiver decides); a name that would leave the images folder, or a relative file path,
/// carries nothing.
std::unique_ptr<QMimeData> clipMimeData(const ClipDragPayload& payload, const std::filesystem::path& imagesDir);

/// The same as text formats only ("text/uri-list", "text/plain"), for a drag started from QML.
QVariantMap clipMimeTexts(const ClipDragPayload& payload, const std::filesystem::path& imagesDir);

} // namespace brisa
