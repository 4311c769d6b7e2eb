// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtImageCodec.h"

#include "core/support/Log.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <limits>

namespace brisa {
namespace {

// Enough for maxPixels at 8 bytes a pixel (16-bit RGBA), in the megabytes QImageReader counts.
constexpr int kAllocationLimitMb = static_cast<int>(QtImageCodec::maxPixels * 8 / (1024 * 1024)) + 1;

bool tooManyPixels(QSize size)
{
    return static_cast<std::int64_t>(size.width()) * size.height() > QtImageCodec::maxPixels;
}

} // namespace

std::optional<Bytes> QtImageCodec::toPng(const Bytes& encoded) const
{
    if (encoded.empty() || encoded.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return std::nullopt;
    QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char*>(encoded.data()),
                                               static_cast<qsizetype>(encoded.size()));
    QBuffer inputBuffer(&input);
    inputBuffer.open(QIODevice::ReadOnly);
    QImageReader reader(&inputBuffer);
    reader.setAllocationLimit(kAllocationLimitMb);

    // The header is enough to know the size for most formats; the rest are checked after decoding.
    const QSize declared = reader.size();
    if (declared.isValid() && tooManyPixels(declared)) {
        logf(LogCategory::Platform, "Imagen rechazada por tener demasiados píxeles ({}×{}, máximo {})",
             declared.width(), declared.height(),
             maxPixels);
        return std::nullopt;
    }
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return std::nullopt;
    if (tooManyPixels(image.size())) {
        logf(LogCategory::Platform, "Imagen rechazada por tener demasiados píxeles ({}×{}, máximo {})",
             image.width(), image.height(),
             maxPixels);
        return std::nullopt;
    }

    QByteArray output;
    QBuffer outputBuffer(&output);
    outputBuffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&outputBuffer, "png");
    if (!writer.write(image))
        return std::nullopt;
    return Bytes(output.begin(), output.end());
}

} // namespace brisa
