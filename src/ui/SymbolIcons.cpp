// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SymbolIcons.h"

#include "core/support/Log.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <array>
#include <mutex>
#include <set>
#include <string>

namespace brisa::SymbolIcons {

namespace {

using enum Source;

// Sorted by name only for reading; lookups are linear over a few dozen rows.
constexpr std::array kTable{
    Entry{"app.dashed", Brisa, "symbol-app-dashed.svg"},
    // Not a symbol: a full-colour icon, for an application whose own icon is not installed.
    Entry{"app.generic", Brisa, "app-generic.svg"},
    Entry{"arrow.down.right.and.arrow.up.left", Adwaita, "actions/view-restore"},
    Entry{"arrow.triangle.2.circlepath", Adwaita, "status/media-playlist-repeat"},
    Entry{"backward.end.fill", Adwaita, "actions/media-skip-backward"},
    Entry{"bell.fill", Adwaita, "legacy/preferences-system-notifications"},
    Entry{"camera.viewfinder", Adwaita, "legacy/applets-screenshooter"},
    Entry{"checkmark.circle.fill", Brisa, "symbol-check-circle.svg"},
    Entry{"chevron.left.forwardslash.chevron.right", Brisa, "symbol-code.svg"},
    Entry{"circle", Brisa, "symbol-circle.svg"},
    Entry{"clock", Adwaita, "actions/document-open-recent"},
    Entry{"doc", Adwaita, "mimetypes/text-x-generic"},
    Entry{"doc.on.clipboard", Adwaita, "actions/edit-paste"},
    Entry{"eyedropper", Adwaita, "actions/color-select"},
    Entry{"folder", Adwaita, "places/folder"},
    Entry{"folder.badge.gearshape", Brisa, "symbol-folder-gear.svg"},
    Entry{"forward.end.fill", Adwaita, "actions/media-skip-forward"},
    Entry{"gearshape", Adwaita, "emblems/emblem-system"},
    Entry{"hand.raised", Adwaita, "legacy/preferences-system-privacy"},
    Entry{"link", Brisa, "symbol-link.svg"},
    Entry{"list.bullet", Adwaita, "actions/view-list-bullet"},
    Entry{"magnifyingglass", Adwaita, "actions/system-search"},
    Entry{"music.note", Adwaita, "emblems/emblem-music"},
    Entry{"paintpalette", Adwaita, "categories/applications-graphics"},
    Entry{"paperplane.fill", Brisa, "symbol-paperplane.svg"},
    Entry{"pause.fill", Adwaita, "actions/media-playback-pause"},
    Entry{"photo", Adwaita, "mimetypes/image-x-generic"},
    Entry{"pin.fill", Adwaita, "actions/view-pin"},
    Entry{"play.fill", Adwaita, "actions/media-playback-start"},
    Entry{"plus", Adwaita, "actions/list-add"},
    Entry{"rectangle.compress.vertical", Brisa, "symbol-compress-vertical.svg"},
    Entry{"rectangle.split.3x1", Brisa, "symbol-columns.svg"},
    Entry{"sparkles", Brisa, "symbol-sparkles.svg"},
    Entry{"square.grid.2x2", Adwaita, "actions/view-grid"},
    Entry{"square.stack.3d.up.fill", Brisa, "symbol-stack.svg"},
    Entry{"star", Brisa, "symbol-star.svg"},
    Entry{"star.fill", Adwaita, "status/starred"},
    Entry{"text.alignleft", Adwaita, "actions/format-justify-left"},
    Entry{"text.bubble", Brisa, "symbol-text-bubble.svg"},
    Entry{"text.insert", Adwaita, "actions/insert-text"},
    Entry{"trash", Adwaita, "places/user-trash"},
    Entry{"tray", Brisa, "symbol-tray.svg"},
    Entry{"wand.and.stars", Brisa, "symbol-wand-stars.svg"},
    Entry{"xmark", Adwaita, "ui/window-close"},
};

constexpr int kDefaultSide = 16;
constexpr int kMaxSide = 1024;
constexpr std::size_t kMaxLoggedNameLength = 80;

QString ownIcon(std::string_view file)
{
    return QStringLiteral(":/qt/qml/Brisa/Ui/icons/") + QString::fromUtf8(file.data(), qsizetype(file.size()));
}

QString adwaitaIcon(std::string_view file)
{
    // Looked up through the XDG data folders, so a theme installed under a prefix is found too.
    const QString relative = QStringLiteral("icons/Adwaita/scalable/") +
                             QString::fromUtf8(file.data(), qsizetype(file.size())) +
                             QStringLiteral("-symbolic.svg");
    return QStandardPaths::locate(QStandardPaths::GenericDataLocation, relative);
}

// Names come from views and settings; keep what reaches the log short and printable.
std::string printable(std::string_view name)
{
    std::string out;
    for (char c : name.substr(0, kMaxLoggedNameLength))
        out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
    if (name.size() > kMaxLoggedNameLength)
        out += "…";
    return out;
}

// Each unknown or missing name is logged the first time only: views redraw often.
void logOnce(std::string_view name, bool known)
{
    static std::mutex mutex;
    static std::set<std::string, std::less<>> logged;
    std::lock_guard lock(mutex);
    if (logged.size() > 256 || !logged.emplace(name).second)
        return;
    if (known)
        logf(LogCategory::Ui, "Falta el archivo del símbolo {}; se dibuja el genérico", printable(name));
    else
        logf(LogCategory::Ui, "Símbolo desconocido: {}; se dibuja el genérico", printable(name));
}

QSize sanitized(QSize size)
{
    int w = size.width() > 0 ? size.width() : 0;
    int h = size.height() > 0 ? size.height() : 0;
    if (w == 0 && h == 0)
        w = h = kDefaultSide;
    else if (w == 0)
        w = h;
    else if (h == 0)
        h = w;
    return {std::min(w, kMaxSide), std::min(h, kMaxSide)};
}

// Draws the SVG at path fitted into size, centred, keeping its proportions.
QImage rasterize(const QString& path, QSize size)
{
    QImageReader reader(path, "svg");
    const QSize natural = reader.size().isValid() ? reader.size() : size;
    const QSize fitted = natural.scaled(size, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    reader.setScaledSize(fitted);
    QImage drawn = reader.read();
    if (drawn.isNull())
        return {};
    QImage out(size, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.drawImage((size.width() - fitted.width()) / 2, (size.height() - fitted.height()) / 2, drawn);
    p.end();
    return out;
}

} // namespace

std::span<const Entry> table() { return kTable; }

const Entry* find(std::string_view name)
{
    const auto it = std::find_if(kTable.begin(), kTable.end(), [&](const Entry& e) { return e.name == name; });
    return it == kTable.end() ? nullptr : &*it;
}

QString filePath(std::string_view name)
{
    const Entry* e = find(name);
    if (!e)
        return {};
    if (e->source == Source::Brisa) {
        const QString path = ownIcon(e->file);
        return QFile::exists(path) ? path : QString();
    }
    return adwaitaIcon(e->file);
}

QString fallbackPath() { return ownIcon("symbol-fallback.svg"); }

QImage recolored(const QImage& image, const QColor& color)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (!color.isValid() || out.isNull())
        return out;
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(out.rect(), color);
    p.end();
    return out;
}

QImage render(std::string_view name, QSize size, const QColor& color)
{
    const QSize side = sanitized(size);
    QString path = filePath(name);
    QImage image = path.isEmpty() ? QImage() : rasterize(path, side);
    if (image.isNull()) {
        logOnce(name, find(name) != nullptr);
        image = rasterize(fallbackPath(), side);
    }
    if (image.isNull()) {
        // Even without the SVG plugin the view gets a visible mark, never an empty square.
        image = QImage(side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal s = std::min(side.width(), side.height());
        p.setPen(QPen(Qt::black, std::max<qreal>(1, s / 10)));
        p.drawEllipse(QRectF(0, 0, s * 0.75, s * 0.75).translated(side.width() / 2.0 - s * 0.375,
                                                                  side.height() / 2.0 - s * 0.375));
    }
    return recolored(image, color);
}

Request parseRequest(const QString& id)
{
    // "#" would start a URL fragment, so a colour may arrive as "%23ffffff", "#ffffff" or "ffffff".
    const qsizetype q = id.indexOf(QLatin1Char('?'));
    Request r;
    r.name = QUrl::fromPercentEncoding(id.left(q < 0 ? id.size() : q).toUtf8()).toStdString();
    if (q < 0)
        return r;
    const QString query = id.mid(q + 1);
    for (const QString& pair : query.split(QLatin1Char('&'))) {
        if (!pair.startsWith(QLatin1String("color=")))
            continue;
        QString value = QUrl::fromPercentEncoding(pair.mid(6).toUtf8()).trimmed();
        if (!value.startsWith(QLatin1Char('#')))
            value.prepend(QLatin1Char('#'));
        r.color = QColor::fromString(value);
    }
    return r;
}

} // namespace brisa::SymbolIcons
