// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/DesktopEntries.h"

#include <QHash>
#include <QIcon>
#include <QQuickImageProvider>
#include <QString>

#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

namespace brisa {

/// Serves "image://appicon/<app id, percent-encoded>[/<symbol>?color=<hex>]": the icon of the application a clip came
/// from (its id is the source window's WM_CLASS), drawn at the size the Image asks for. The id is
/// matched to an installed .desktop file, whose Icon is an absolute file, else a name looked up in
/// the icon theme and then in the pixmaps folders. Icons found are kept for the process's life; an
/// id without one gives the symbol named after it (as "image://symbol/" draws it), or a null image
/// when none is named, and is looked up again on the next request, since the icon may be
/// installed meanwhile.
///
/// Images load synchronously (no Image.asynchronous), on the GUI thread: theme lookups and
/// QIcon's pixmaps are not safe elsewhere. The state is still behind a mutex, so that a request
/// from the engine's loader thread would not corrupt the cache.
class AppIconImageProvider : public QQuickImageProvider {
public:
    /// The id under which engines register it.
    static constexpr const char* kProviderId = "appicon";
    /// The side drawn when the Image gives no sourceSize.
    static constexpr int kDefaultSide = 64;
    /// Larger requests are drawn at this side, rather than allocating what a stray size asks for.
    static constexpr int kMaxSide = 1024;

    /// applicationDirs: where the .desktop files are, indexed at the first request (nullopt: the XDG
    /// folders). pixmapDirs: where loose icon files are (nullopt: pixmapDirs()).
    explicit AppIconImageProvider(std::optional<std::vector<std::filesystem::path>> applicationDirs = std::nullopt,
                                  std::optional<std::vector<std::filesystem::path>> pixmapDirs = std::nullopt);

    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;

    /// The image source for an application id, without a fallback symbol; empty for no id.
    static QString urlFor(const QString& appId);
    /// The image source for an Icon value as a desktop entry writes it (a theme name or an
    /// absolute file), for entries that are not installed; empty for no value.
    static QString urlForIcon(const QString& icon);
    /// Each $XDG_DATA_DIRS entry's pixmaps folder (default /usr/local/share:/usr/share), then
    /// /usr/share/pixmaps when the list did not have it.
    static std::vector<std::filesystem::path> pixmapDirs();

private:
    /// The cached icon of appId, else a fresh lookup (cached when it finds one). Holds mutex_.
    QIcon iconFor(const QString& appId);
    /// The icon that an Icon value names, or a null icon.
    QIcon resolve(const std::string& icon) const;

    std::mutex mutex_;
    std::optional<std::vector<std::filesystem::path>> applicationDirs_;
    std::vector<std::filesystem::path> pixmapDirs_;
    std::optional<DesktopEntries> entries_;
    QHash<QString, QIcon> cache_;
};

} // namespace brisa
