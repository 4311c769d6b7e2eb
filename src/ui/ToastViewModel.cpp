// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ToastViewModel.h"

#include "ui/ClipMimeData.h"

#include "core/toast/ToastController.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>

#include <iterator>
#include <variant>

namespace brisa {
namespace {

QString qs(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Drawn at three times the point size so the thumbnail stays sharp on dense screens.
constexpr int kThumbScale = 3;
constexpr int kThumbWidth = 72 * kThumbScale;
constexpr int kThumbHeight = 58 * kThumbScale;
constexpr qreal kThumbRadius = 10 * kThumbScale;
// Thumbnails are small; anything larger than this is not one and is not worth decoding.
constexpr int kMaxThumbSide = 8192;

} // namespace

ToastViewModel::ToastViewModel(ToastController& controller, Scheduler& scheduler, std::filesystem::path imagesDir,
                               const ImageLibrary* images, QObject* parent)
    : QObject(parent)
    , controller_(controller)
    , scheduler_(scheduler)
    , imagesDir_(std::move(imagesDir))
    , images_(images)
{
    controller_.onChanged([this, alive = std::weak_ptr<char>(alive_)](ToastController::Change change) {
        if (!alive.lock())
            return;
        switch (change) {
        case ToastController::Change::Current:
            onCurrentChanged();
            break;
        case ToastController::Change::ShowID:
            onShown();
            break;
        case ToastController::Change::HasNotch:
            Q_EMIT hasNotchChanged();
            break;
        case ToastController::Change::Paused:
            Q_EMIT isPausedChanged();
            updateFraction();
            break;
        case ToastController::Change::CloseAt:
            updateFraction();
            break;
        }
    });
    if (controller_.current()) {
        active_ = true;
        setFrozen(controller_.current());
    }
    updateFraction();
}

ToastViewModel::~ToastViewModel()
{
    if (removeWork_)
        scheduler_.cancel(*removeWork_);
}

QString ToastViewModel::title() const
{
    return frozen_ ? qs(frozen_->title()) : QString();
}

QString ToastViewModel::subtitle() const
{
    const auto s = frozen_ ? frozen_->subtitle() : std::nullopt;
    return s ? qs(*s) : QString();
}

QString ToastViewModel::symbol() const
{
    return frozen_ ? qs(frozen_->symbol()) : QString();
}

QString ToastViewModel::kind() const
{
    if (!frozen_)
        return {};
    static constexpr const char* names[] = {"text", "code", "link", "image", "screenshot", "color", "file", "notice"};
    static_assert(std::size(names) == std::variant_size_v<ToastData::Kind>);
    return QString::fromLatin1(names[frozen_->kind.index()]);
}

int ToastViewModel::showID() const
{
    return static_cast<int>(controller_.showID());
}

bool ToastViewModel::isPaused() const
{
    return controller_.isPaused();
}

bool ToastViewModel::hasNotch() const
{
    return controller_.hasNotch();
}

void ToastViewModel::updateFraction()
{
    const double f = controller_.dismissFraction(scheduler_.now());
    if (f == fraction_)
        return;
    fraction_ = f;
    Q_EMIT fractionChanged();
}

void ToastViewModel::pointerEntered()
{
    controller_.pauseAutoDismiss();
}

void ToastViewModel::pointerLeft()
{
    controller_.resume();
}

void ToastViewModel::dragStarted()
{
    setDragging(true);
}

void ToastViewModel::startDrag()
{
    if (!draggable_)
        return;
    dragStarted();
    const ClipDragPayload payload = *frozen_->drag; // the toast may change while the drag runs
    execClipDrag(payload, imagesDir_, images_, this);
}

void ToastViewModel::onCurrentChanged()
{
    const bool active = controller_.current().has_value();
    if (active == active_)
        return;
    active_ = active;
    Q_EMIT activeChanged();
    if (active)
        return;
    Q_EMIT concealed();
    if (removeWork_)
        scheduler_.cancel(*removeWork_);
    removeWork_ = scheduler_.runAfter(kRemoveDelay, [this, alive = std::weak_ptr<char>(alive_)] {
        if (!alive.lock())
            return;
        removeWork_.reset();
        // A toast shown meanwhile keeps its pill.
        if (!controller_.current())
            setFrozen(std::nullopt);
    });
}

void ToastViewModel::onShown()
{
    if (removeWork_) {
        scheduler_.cancel(*removeWork_);
        removeWork_.reset();
    }
    setDragging(false);
    setFrozen(controller_.current());
    Q_EMIT showIDChanged();
    updateFraction();
    Q_EMIT revealed();
}

void ToastViewModel::setFrozen(std::optional<ToastData> data)
{
    frozen_ = std::move(data);
    const Bytes* thumb = frozen_ ? frozen_->thumbnail() : nullptr;
    thumbnail_ = thumb ? thumbnailUrl(*thumb) : QUrl();
    draggable_ = frozen_ && frozen_->drag && !clipMimeTexts(*frozen_->drag, imagesDir_).isEmpty();
    Q_EMIT dataChanged();
    Q_EMIT draggingChanged(); // collapsed depends on the thumbnail
}

void ToastViewModel::setDragging(bool dragging)
{
    if (dragging_ == dragging)
        return;
    dragging_ = dragging;
    Q_EMIT draggingChanged();
}

QUrl ToastViewModel::thumbnailUrl(const Bytes& bytes)
{
    QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kMaxThumbSide || size.height() > kMaxThumbSide))
        return {};
    const QImage image = reader.read();
    if (image.isNull())
        return {};

    // Fill the frame, cropping what overflows, centred.
    const QSize target(kThumbWidth, kThumbHeight);
    const QImage scaled = image.scaled(target, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    const QRect source((scaled.width() - target.width()) / 2, (scaled.height() - target.height()) / 2,
                       target.width(), target.height());

    QImage out(target, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    {
        QPainter p(&out);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(target)), kThumbRadius, kThumbRadius);
        p.setClipPath(clip);
        p.drawImage(QPoint(0, 0), scaled, source);
    }
    QByteArray png;
    QBuffer pngBuffer(&png);
    pngBuffer.open(QIODevice::WriteOnly);
    if (!out.save(&pngBuffer, "PNG"))
        return {};
    return QUrl(QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64()));
}

} // namespace brisa
