// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppIconImageProvider.h"

#include "core/support/XdgPaths.h"
#include "ui/SymbolIcons.h"

#include <QPixmap>
#include <QUrl>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <system_error>
#include <utility>

namespace brisa {

namespace {

namespace fs = std::filesystem;

// The loose icon formats the desktop entry specification allows next to theme names.
constexpr std::string_view kExtensions[] = {".png", ".svg", ".xpm"};

// An id that names an icon itself rather than an application: "icon:<Icon value>".
constexpr const char* kIconPrefix = "icon:";

QString qstr(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QIcon iconFromFile(const fs::path& file)
{
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        return {};
    QIcon icon;
    icon.addFile(QString::fromStdString(file.string()));
    return icon;
}

// The side to draw at: the requested size, one given side for both, else the default; bounded.
QSize targetSize(const QSize& requested)
{
    int w = requested.width() > 0 ? requested.width() : requested.height();
    int h = requested.height() > 0 ? requested.height() : requested.width();
    if (w <= 0 || h <= 0)
        w = h = AppIconImageProvider::kDefaultSide;
    return {std::min(w, AppIconImageProvider::kMaxSide), std::min(h, AppIconImageProvider::kMaxSide)};
}

QImage render(const QIcon& icon, const QSize& target)
{
    if (icon.isNull())
        return {};
    QImage image = icon.pixmap(target, 1.0).toImage();
    if (image.isNull())
        return {};
    image.setDevicePixelRatio(1.0);
    // Icons that only come small (an old 32-pixel xpm) are scaled up so every card looks alike.
    if (image.size() != target)
        image = image.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

} // namespace

AppIconImageProvider::AppIconImageProvider(std::optional<std::vector<fs::path>> applicationDirs,
                                           std::optional<std::vector<fs::path>> pixmapDirs)
    : QQuickImageProvider(QQuickImageProvider::Image)
    , applicationDirs_(std::move(applicationDirs))
    , pixmapDirs_(pixmapDirs ? std::move(*pixmapDirs) : AppIconImageProvider::pixmapDirs())
{
}

QImage AppIconImageProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize)
{
    // The engine hands the id over partly decoded; "%" itself always stays "%25", so decoding the
    // rest once more gives the id back.
    // "<app id>/<symbol request>": the part after the last '/' names the symbol drawn when the
    // application has no icon, so the view never asks for an image that is not there.
    const qsizetype slash = id.lastIndexOf(QLatin1Char('/'));
    const QString appId = QUrl::fromPercentEncoding((slash < 0 ? id : id.left(slash)).toUtf8());
    const QSize target = targetSize(requestedSize);
    QImage image;
    {
        std::lock_guard lock(mutex_);
        image = render(iconFor(appId), target);
        if (image.isNull()) // a cached file that has gone away: look again next time
            cache_.remove(appId);
    }
    if (image.isNull() && slash >= 0) {
        const auto fallback = SymbolIcons::parseRequest(id.mid(slash + 1));
        image = SymbolIcons::render(fallback.name, target, fallback.color);
    }
    if (size)
        *size = image.size();
    return image;
}

QString AppIconImageProvider::urlFor(const QString& appId)
{
    if (appId.isEmpty())
        return {};
    // '/' is encoded too: it separates the id from the fallback symbol.
    return QStringLiteral("image://") + QLatin1String(kProviderId) + QLatin1Char('/') +
           QString::fromLatin1(QUrl::toPercentEncoding(appId));
}

QString AppIconImageProvider::urlForIcon(const QString& icon)
{
    return icon.isEmpty() ? QString() : urlFor(QLatin1String(kIconPrefix) + icon);
}

std::vector<fs::path> AppIconImageProvider::pixmapDirs()
{
    std::vector<fs::path> dirs;
    for (const auto& dir : xdgDataDirs())
        dirs.push_back((dir / "pixmaps").lexically_normal());
    const fs::path system = "/usr/share/pixmaps";
    if (std::find(dirs.begin(), dirs.end(), system) == dirs.end())
        dirs.push_back(system);
    return dirs;
}

QIcon AppIconImageProvider::iconFor(const QString& appId)
{
    if (appId.isEmpty())
        return {};
    if (auto it = cache_.constFind(appId); it != cache_.constEnd())
        return *it;
    if (appId.startsWith(QLatin1String(kIconPrefix))) {
        QIcon icon = resolve(appId.mid(static_cast<qsizetype>(std::strlen(kIconPrefix))).toStdString());
        if (!icon.isNull())
            cache_.insert(appId, icon);
        return icon;
    }
    if (!entries_)
        entries_ = DesktopEntries::scan(applicationDirs_ ? *applicationDirs_ : DesktopEntries::applicationDirs());
    const DesktopEntries::Entry* entry = entries_->find(appId.toStdString());
    if (!entry)
        return {};
    QIcon icon = resolve(entry->icon);
    if (!icon.isNull())
        cache_.insert(appId, icon);
    return icon;
}

QIcon AppIconImageProvider::resolve(const std::string& icon) const
{
    if (icon.empty())
        return {};
    const fs::path path(icon);
    if (path.is_absolute())
        return iconFromFile(path);
    // A name, never a relative path: it must not reach outside the folders searched.
    if (icon.find('/') != std::string::npos || icon == "." || icon == "..")
        return {};
    const QString name = qstr(icon);
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    // Some entries name a loose file with its extension ("foo.png") although they should not.
    const bool hasExtension = std::any_of(std::begin(kExtensions), std::end(kExtensions),
                                          [&](std::string_view ext) { return icon.ends_with(ext); });
    for (const auto& dir : pixmapDirs_) {
        if (hasExtension) {
            if (QIcon found = iconFromFile(dir / icon); !found.isNull())
                return found;
            continue;
        }
        for (const auto ext : kExtensions)
            if (QIcon found = iconFromFile(dir / (icon + std::string(ext))); !found.isNull())
                return found;
    }
    return {};
}

} // namespace brisa
