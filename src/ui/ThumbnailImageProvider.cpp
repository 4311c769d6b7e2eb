// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ThumbnailImageProvider.h"

#include "core/store/ThumbnailReader.h"
#include "core/support/Uuid.h"

#include <QBuffer>
#include <QImageReader>
#include <QObject>
#include <QRunnable>
#include <QThreadPool>

#include <memory>
#include <utility>

namespace brisa {

namespace {

/// The work of one request, on a pool thread. It reports through a queued signal rather than by
/// touching the response, which the engine may have cancelled meanwhile.
class ThumbnailJob : public QObject, public QRunnable {
    Q_OBJECT
public:
    ThumbnailJob(std::filesystem::path storeFile, QString id, QSize requestedSize)
        : storeFile_(std::move(storeFile)), id_(std::move(id)), requestedSize_(requestedSize)
    {
    }

    void run() override { Q_EMIT done(ThumbnailImageProvider::load(storeFile_, id_, requestedSize_)); }

Q_SIGNALS:
    void done(const QImage& image);

private:
    std::filesystem::path storeFile_;
    QString id_;
    QSize requestedSize_;
};

class ThumbnailResponse : public QQuickImageResponse {
    Q_OBJECT
public:
    explicit ThumbnailResponse(ThumbnailJob* job)
    {
        connect(job, &ThumbnailJob::done, this, &ThumbnailResponse::handleDone, Qt::QueuedConnection);
    }

    QQuickTextureFactory* textureFactory() const override
    {
        return QQuickTextureFactory::textureFactoryForImage(image_);
    }

private:
    void handleDone(const QImage& image)
    {
        image_ = image;
        Q_EMIT finished();
    }

    QImage image_;
};

} // namespace

ThumbnailImageProvider::ThumbnailImageProvider(std::filesystem::path storeFile, QThreadPool* pool)
    : storeFile_(std::move(storeFile)), pool_(pool ? pool : QThreadPool::globalInstance())
{
}

QQuickImageResponse* ThumbnailImageProvider::requestImageResponse(const QString& id, const QSize& requestedSize)
{
    auto* job = new ThumbnailJob(storeFile_, id, requestedSize);
    job->setAutoDelete(true);
    auto* response = new ThumbnailResponse(job);
    pool_->start(job);
    return response;
}

QImage ThumbnailImageProvider::decode(const std::optional<Bytes>& bytes, const QSize& requestedSize)
{
    if (!bytes || bytes->empty())
        return {};
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes->data()),
                                              static_cast<qsizetype>(bytes->size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    // A header claiming a huge picture is refused before anything is allocated for it.
    if (size.isValid() && (size.width() > kMaxSide || size.height() > kMaxSide))
        return {};
    if (size.isValid() && requestedSize.isValid() && !requestedSize.isEmpty() &&
        (size.width() > requestedSize.width() || size.height() > requestedSize.height()))
        reader.setScaledSize(size.scaled(requestedSize, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull() || image.width() > kMaxSide || image.height() > kMaxSide)
        return {};
    return image;
}

QImage ThumbnailImageProvider::load(const std::filesystem::path& storeFile, const QString& id,
                                    const QSize& requestedSize)
{
    const auto uuid = Uuid::parse(id.toStdString());
    if (!uuid)
        return {};
    // One read-only connection per pool thread, kept for the thread's next requests.
    thread_local std::unique_ptr<ThumbnailReader> reader;
    if (!reader || reader->storeFile() != storeFile)
        reader = std::make_unique<ThumbnailReader>(storeFile);
    const auto picture = reader->picture(*uuid);
    QImage image = decode(picture.thumbnail, requestedSize);
    if (image.isNull() && picture.imageFileName) {
        const std::filesystem::path name(*picture.imageFileName);
        // Only a plain file name in the store's images folder.
        if (!name.empty() && !name.has_parent_path() && name != "." && name != "..")
            image = decodeFile(storeFile.parent_path() / "images" / name, requestedSize);
    }
    return image;
}

QImage ThumbnailImageProvider::decodeFile(const std::filesystem::path& path, const QSize& requestedSize)
{
    QImageReader reader(QString::fromStdString(path.string()));
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > kMaxFilePixels)
        return {};
    const QSize bound = requestedSize.isValid() && !requestedSize.isEmpty() ? requestedSize
                                                                            : QSize(kDefaultSide, kDefaultSide);
    if (size.width() > bound.width() || size.height() > bound.height())
        reader.setScaledSize(size.scaled(bound, Qt::KeepAspectRatio));
    return reader.read();
}

} // namespace brisa

#include "ThumbnailImageProvider.moc"
