// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Bytes.h"

#include <QImage>
#include <QQuickAsyncImageProvider>
#include <QSize>
#include <QString>

#include <filesystem>
#include <optional>

class QThreadPool;

namespace brisa {

/// "image://brisa-thumbs/<clip id>": a card's stored thumbnail, read and decoded on a worker
/// thread so that scrolling a long strip never waits for SQLite or an image decoder. A clip
/// without a usable thumbnail shows its image file, scaled down as it is read; when neither
/// decodes the image is empty (the card then shows its placeholder).
class ThumbnailImageProvider : public QQuickAsyncImageProvider {
public:
    /// The name the provider is registered under with QQmlEngine::addImageProvider.
    static constexpr const char* kName = "brisa-thumbs";
    /// Largest image a thumbnail may decode to; anything bigger is refused rather than allocated.
    static constexpr int kMaxSide = 4096;
    /// An image file larger than this many pixels is not read for a card.
    static constexpr qint64 kMaxFilePixels = 100'000'000;
    /// The longest side a card asks for when the view names no size.
    static constexpr int kDefaultSide = 320;

    /// Reads from storeFile (Brisa.store) on threads of pool (the global pool when null).
    explicit ThumbnailImageProvider(std::filesystem::path storeFile, QThreadPool* pool = nullptr);

    QQuickImageResponse* requestImageResponse(const QString& id, const QSize& requestedSize) override;

    /// The image in bytes, scaled down (never up) to fit requestedSize when it is valid; a null
    /// image when there are no bytes or they do not decode.
    static QImage decode(const std::optional<Bytes>& bytes, const QSize& requestedSize);
    /// The image file at path, scaled down to fit requestedSize (or kDefaultSide) as it is read;
    /// null when it is missing, too large or does not decode.
    static QImage decodeFile(const std::filesystem::path& path, const QSize& requestedSize);
    /// What a request for id yields: read through this thread's reader, then decoded. Thread-safe.
    static QImage load(const std::filesystem::path& storeFile, const QString& id, const QSize& requestedSize);

private:
    std::filesystem::path storeFile_;
    QThreadPool* pool_;
};

} // namespace brisa
