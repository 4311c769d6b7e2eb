// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ClipMimeData.h"

#include "core/image/ImageFileFormat.h"
#include "core/image/ImageLibrary.h"

#include <QDrag>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QUrl>

namespace brisa {

namespace {

// Fills in everything but the decoded image.
void addUrlsAndText(QMimeData& data, const ClipDragPayload& payload, const std::filesystem::path& imagesDir)
{
    switch (payload.kind) {
    case ClipDragPayload::Kind::ImageFile: {
        const std::filesystem::path name(payload.value);
        // Only a plain file name: anything else could point outside the store.
        if (imagesDir.empty() || payload.value.empty() || name.has_parent_path() || name == "." || name == ".." ||
            payload.value.find('\0') != std::string::npos)
            return;
        const auto path = QString::fromStdString((imagesDir / name).string());
        if (!QFileInfo(path).isReadable())
            return; // a clip whose image is gone hands over nothing rather than a dead link
        data.setUrls({QUrl::fromLocalFile(path)});
        break;
    }
    case ClipDragPayload::Kind::FilePath: {
        if (!std::filesystem::path(payload.value).is_absolute())
            return; // a relative path would be resolved against whatever the receiver's folder is
        const auto path = QString::fromStdString(payload.value);
        if (!QFileInfo(path).isReadable())
            return;
        data.setUrls({QUrl::fromLocalFile(path)});
        data.setText(path);
        break;
    }
    case ClipDragPayload::Kind::Text:
        data.setText(QString::fromStdString(payload.value));
        break;
    }
}

} // namespace

std::unique_ptr<QMimeData> clipMimeData(const ClipDragPayload& payload, const std::filesystem::path& imagesDir,
                                        const ImageLibrary* images)
{
    auto data = std::make_unique<QMimeData>();
    addUrlsAndText(*data, payload, imagesDir);
    if (payload.kind == ClipDragPayload::Kind::ImageFile && data->hasUrls()) {
        const QString path = data->urls().front().toLocalFile();
        QImage image(path);
        const std::string mime(imageMimeTypeForFile(payload.value));
        if (QFile file(path); mime != "image/png" && file.open(QIODevice::ReadOnly)) {
            // A compressed or converted clip goes as its own format too; Qt reads no HEIC, so
            // the image itself (offered as PNG) is decoded by the image library then, straight to pixels.
            const QByteArray raw = file.readAll();
            data->setData(QString::fromStdString(mime), raw);
            if (image.isNull() && images)
                if (const auto rgba = images->decodeRgba(Bytes(raw.begin(), raw.end())))
                    image = QImage(rgba->pixels.data(), rgba->width, rgba->height, rgba->width * 4,
                                   QImage::Format_RGBA8888)
                                .copy();
        }
        if (!image.isNull())
            data->setImageData(image);
    }
    return data;
}

QVariantMap clipMimeTexts(const ClipDragPayload& payload, const std::filesystem::path& imagesDir)
{
    QMimeData data;
    addUrlsAndText(data, payload, imagesDir);
    QVariantMap texts;
    if (data.hasUrls()) {
        QStringList lines;
        for (const QUrl& url : data.urls())
            lines << url.toString(QUrl::FullyEncoded);
        texts.insert(QStringLiteral("text/uri-list"), lines.join(QStringLiteral("\r\n")));
    }
    // Asked by format: QMimeData offers URLs as text too, and an image file is no text.
    if (data.hasFormat(QStringLiteral("text/plain")))
        texts.insert(QStringLiteral("text/plain"), data.text());
    return texts;
}

QImage clipDragPreview(const ClipDragPayload& payload, const QMimeData& data)
{
    if (payload.kind != ClipDragPayload::Kind::ImageFile)
        return {};
    const auto image = qvariant_cast<QImage>(data.imageData());
    if (image.isNull()) {
        QImage blank(1, 1, QImage::Format_ARGB32_Premultiplied);
        blank.fill(Qt::transparent);
        return blank;
    }
    return image.scaled(kDragPreviewSide, kDragPreviewSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

void execClipDrag(const ClipDragPayload& payload, const std::filesystem::path& imagesDir, const ImageLibrary* images,
                  QObject* source)
{
    auto* drag = new QDrag(source); // owned by source; Qt deletes it once the drag is over
    auto data = clipMimeData(payload, imagesDir, images);
    if (const QImage preview = clipDragPreview(payload, *data); !preview.isNull()) {
        drag->setPixmap(QPixmap::fromImage(preview));
        drag->setHotSpot({preview.width() / 2, preview.height() / 2});
    }
    drag->setMimeData(data.release());
    drag->exec(Qt::CopyAction);
}

} // namespace brisa
