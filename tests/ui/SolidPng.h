// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Bytes.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QSize>

namespace brisa::test {

/// A picture of one colour, encoded as PNG.
inline Bytes solidPng(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Bytes(data.begin(), data.end());
}

} // namespace brisa::test
