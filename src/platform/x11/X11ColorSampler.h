// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ColorSampler.h"

#include <QImage>
#include <QRasterWindow>

#include <memory>

namespace brisa {

class X11Display;

/// The screen's pixels as X holds them (XGetImage of the root window: with a compositor, what is
/// on screen), shown full screen under a crosshair with a loupe of the pixels around the pointer
/// and their hex value. A click samples, Escape or the right button cancels.
class X11ColorSampler final : public ColorSampler {
public:
    /// nullptr when there is no X display.
    static std::unique_ptr<X11ColorSampler> create();
    ~X11ColorSampler() override;

    void pick(Done done) override;

    /// The sampling window while it is open (for tests), else null.
    QWindow* window() const;

    /// The root window's pixels, or a null image when X refused them.
    QImage grabRoot();

private:
    explicit X11ColorSampler(std::unique_ptr<X11Display> display);
    class Overlay;

    std::unique_ptr<X11Display> display_;
    std::unique_ptr<Overlay> overlay_;
};

} // namespace brisa
