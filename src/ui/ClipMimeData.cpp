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
        if (imagesDir.empty() || payload.value.empty() || name.has_parent_path() || name == "." || name == ".." ||
            payload.value.find('\0') != std::string::npos)
            return data;
        const auto path = QString::fromStdString((imagesDir / name).string());
        data->setUrls({QUrl::fromLocalFile(path)});
        if (QImage image(path); !image.isNull())
            data->setImageData(image);
        break;
    }
    case ClipDragPayload::Kind::FilePath: {
        if (!std::filesystem::path(payload.value).is_absolute())
            return data; // a relative path would be resolved against whatever the receiver's folder is
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

QVariantMap clipMimeTexts(const ClipDragPayload& payload, const std::filesystem::path& imagesDir)
{
    const auto data = clipMimeData(payload, imagesDir);
    QVariantMap texts;
    if (data->hasUrls()) {
        QStringList lines;
        for (const QUrl& url : data->urls())
            lines << url.toString(QUrl::FullyEncoded);
        texts.insert(QStringLiteral("text/uri-list"), lines.join(QStringLiteral("\r\n")));
    }
    // Asked by format: QMimeData offers URLs as text too, and an image file is no text.
    if (data->hasFormat(QStringLiteral("text/plain")))
        texts.insert(QStringLiteral("text/plain"), data->text());
    return texts;
}

} // namespace brisa
