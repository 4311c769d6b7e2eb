// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11ColorSampler.h"

#include "core/support/Log.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

// Xlib's macros (Status, Bool) clash with Qt's headers: it comes after them.
#include "platform/x11/X11Display.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace brisa {

namespace {

constexpr int kLoupePixels = 11; // an odd count: the sampled pixel sits in the middle
constexpr int kLoupeZoom = 10;

QString hexOf(QRgb c) { return QStringLiteral("#%1").arg(c & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper(); }

} // namespace

/// The full-screen window the user samples from.
class X11ColorSampler::Overlay final : public QRasterWindow {
public:
    Overlay(QImage shot, Done done) : shot_(std::move(shot)), done_(std::move(done))
    {
        setFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::BypassWindowManagerHint);
        setCursor(Qt::CrossCursor);
        setGeometry(QRect(QPoint(0, 0), shot_.size()));
    }

    void finish(std::optional<Sample> sample)
    {
        if (!done_)
            return;
        auto done = std::move(done_);
        done_ = nullptr;
        hide();
        done(sample);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.drawImage(0, 0, shot_);
        if (!shot_.rect().contains(pointer_))
            return;
        // The loupe: the pixels around the pointer, enlarged, beside it (inside the screen).
        const int side = kLoupePixels * kLoupeZoom;
        QPoint at = pointer_ + QPoint(24, 24);
        if (at.x() + side > width())
            at.rx() = pointer_.x() - 24 - side;
        if (at.y() + side + 24 > height())
            at.ry() = pointer_.y() - 24 - side - 24;
        const QRect source(pointer_ - QPoint(kLoupePixels / 2, kLoupePixels / 2), QSize(kLoupePixels, kLoupePixels));
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.fillRect(QRect(at, QSize(side, side)), Qt::black);
        p.drawImage(QRect(at, QSize(side, side)), shot_.copy(source));
        p.setPen(QPen(Qt::white, 2));
        p.drawRect(QRect(at + QPoint(kLoupePixels / 2 * kLoupeZoom, kLoupePixels / 2 * kLoupeZoom),
                         QSize(kLoupeZoom, kLoupeZoom)));
        p.setPen(QPen(QColor(0, 0, 0, 160), 1));
        p.drawRect(QRect(at, QSize(side, side)));
        const QRect label(at + QPoint(0, side + 4), QSize(side, 20));
        p.fillRect(label, QColor(0, 0, 0, 200));
        p.setPen(Qt::white);
        p.drawText(label, Qt::AlignCenter, hexOf(shot_.pixel(pointer_)));
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        pointer_ = e->position().toPoint();
        update();
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        const QPoint at = e->position().toPoint();
        if (e->button() != Qt::LeftButton || !shot_.rect().contains(at)) {
            finish(std::nullopt);
            return;
        }
        // In double: a byte over 255 and back comes out as the same byte (float would not).
        const QRgb c = shot_.pixel(at);
        finish(Sample{qRed(c) / 255.0, qGreen(c) / 255.0, qBlue(c) / 255.0, 1.0});
    }
    void keyPressEvent(QKeyEvent* e) override
    {
        if (e->key() == Qt::Key_Escape)
            finish(std::nullopt);
    }

private:
    QImage shot_;
    Done done_;
    QPoint pointer_{-1, -1};
};

std::unique_ptr<X11ColorSampler> X11ColorSampler::create()
{
    auto display = X11Display::open("");
    if (!display)
        return nullptr;
    return std::unique_ptr<X11ColorSampler>(new X11ColorSampler(std::move(display)));
}

X11ColorSampler::X11ColorSampler(std::unique_ptr<X11Display> display) : display_(std::move(display)) {}

X11ColorSampler::~X11ColorSampler() = default;

QWindow* X11ColorSampler::window() const { return overlay_ && overlay_->isVisible() ? overlay_.get() : nullptr; }

QImage X11ColorSampler::grabRoot()
{
    Display* dpy = display_->get();
    const Window root = DefaultRootWindow(dpy);
    XWindowAttributes attrs{};
    if (!XGetWindowAttributes(dpy, root, &attrs))
        return {};
    XImage* image = XGetImage(dpy, root, 0, 0, static_cast<unsigned>(attrs.width), static_cast<unsigned>(attrs.height),
                              AllPlanes, ZPixmap);
    if (!image)
        return {};
    QImage out(attrs.width, attrs.height, QImage::Format_RGB32);
    const bool fast = image->bits_per_pixel == 32 && image->red_mask == 0xFF0000 && image->green_mask == 0xFF00 &&
                      image->blue_mask == 0xFF && image->byte_order == LSBFirst;
    for (int y = 0; y < attrs.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        if (fast) {
            const auto* src = reinterpret_cast<const std::uint32_t*>(image->data + y * image->bytes_per_line);
            for (int x = 0; x < attrs.width; ++x)
                line[x] = 0xFF000000u | (src[x] & 0xFFFFFFu);
            continue;
        }
        // Other visuals: slower, through the masks X gives.
        auto channel = [](unsigned long pixel, unsigned long mask) {
            if (!mask)
                return 0;
            int shift = 0;
            while (!((mask >> shift) & 1))
                ++shift;
            const unsigned long max = mask >> shift;
            return static_cast<int>(((pixel & mask) >> shift) * 255 / max);
        };
        for (int x = 0; x < attrs.width; ++x) {
            const unsigned long px = XGetPixel(image, x, y);
            line[x] = qRgb(channel(px, image->red_mask), channel(px, image->green_mask), channel(px, image->blue_mask));
        }
    }
    XDestroyImage(image);
    return out;
}

void X11ColorSampler::pick(Done done)
{
    if (overlay_ && overlay_->isVisible())
        overlay_->finish(std::nullopt); // one sampling at a time
    QImage shot = grabRoot();
    if (shot.isNull()) {
        logLine(LogCategory::X11, "No se pudo leer la pantalla para tomar un color");
        done(std::nullopt);
        return;
    }
    overlay_ = std::make_unique<Overlay>(std::move(shot), std::move(done));
    overlay_->show();
    overlay_->raise();
    overlay_->requestActivate();
    overlay_->setKeyboardGrabEnabled(true);
    overlay_->setMouseGrabEnabled(true);
}

} // namespace brisa
