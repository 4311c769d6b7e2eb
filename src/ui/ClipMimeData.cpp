// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ClipMimeData.h"

#include <QImage>
#include <QUrl>

namespace brisa {

std::unique_ptr<QMimeData> clipMimeData(const ClipDragPayload& payload, const std::filesystem::path& imagesDir)
{
    auto data = std::make_unique<QMimeData>();
    switch (payload.kind) {
    case ClipDragPayload::Kind::ImageFile: {
        const std::filesystem::path name(payload.value);
        // Only a plain file name: anything else could point outside the store.
        if (payload.value.empty() || name.has_parent_path() || name == "." || name == "..")
            return data;
        const auto path = QString::fromStdString((imagesDir / name).string());
        data->setUrls({QUrl::fromLocalFile(path)});
        if (QImage image(path); !image.isNull())
            data->setImageData(image);
        break;
    }
    case ClipDragPayload::Kind::FilePath: {
        const auto path = QString::fromStdString(payload.value);
        data->setUrls({QUrl::fromLocalFile(path)});
        data->setText(path);
        break;
    }
    case ClipDragPayload::Kind::Text:
        data->setText(QString::fromStdString(payload.value));
        break;
    }
    return data;
}

} // namespace brisa
