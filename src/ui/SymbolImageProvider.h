// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QQuickImageProvider>

namespace brisa {

/// Serves "image://symbol/<name>?color=<hex>": the symbol rendered at the size the Image asks
/// for (sourceSize) and painted in that colour, so icons follow the theme.
class SymbolImageProvider : public QQuickImageProvider {
public:
    /// The id under which engines register it.
    static constexpr const char* kProviderId = "symbol";

    SymbolImageProvider();
    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;
};

} // namespace brisa
