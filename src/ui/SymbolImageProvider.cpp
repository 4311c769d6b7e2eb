// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SymbolImageProvider.h"

#include "ui/SymbolIcons.h"

namespace brisa {

SymbolImageProvider::SymbolImageProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

QImage SymbolImageProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize)
{
    const auto request = SymbolIcons::parseRequest(id);
    QImage image = SymbolIcons::render(request.name, requestedSize, request.color);
    if (size)
        *size = image.size();
    return image;
}

} // namespace brisa
