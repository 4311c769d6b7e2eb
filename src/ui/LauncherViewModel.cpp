// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LauncherViewModel.h"

#include "core/launcher/AppLauncher.h"
#include "core/launcher/DesktopExec.h"
#include "core/notch/NotchController.h"
#include "core/settings/AppSettings.h"
#include "core/sidepanels/SidePanelGeometry.h"
#include "core/stores/LauncherStore.h"
#include "ui/AppIconImageProvider.h"
#include "ui/MenuTheme.h"

#include <QColor>
#include <QRectF>
#include <QCursor>
#include <QFileInfo>
#include <QMenu>
#include <QVariantMap>

#include <filesystem>

namespace brisa {

QString launcherIconSource(const std::optional<std::string>& bundlePath, const std::optional<std::string>& appNameForIcon)
{
    // A program's file always has an icon, as in a file manager: without an icon theme (a bare
    // session) "web-browser" or "folder" is found nowhere, and the tile would be left blank.
    static const QString generic = QStringLiteral("app.generic");
    if (bundlePath) {
        std::string icon;
        if (std::filesystem::path(*bundlePath).extension() == ".desktop")
            if (const auto entry = readDesktopLaunchEntry(*bundlePath))
                icon = entry->icon;
        if (icon.empty())
            return QStringLiteral("image://symbol/") + generic;
        return AppIconImageProvider::urlForIcon(QString::fromStdString(icon)) + QLatin1Char('/') + generic;
    }
    if (appNameForIcon && !appNameForIcon->empty())
        return AppIconImageProvider::urlFor(QString::fromStdString(*appNameForIcon));
    return {};
}

LauncherViewModel::LauncherViewModel(LauncherStore& store, AppLauncher& launcher, NotchController& notch,
                                     const AppSettings& settings, QObject* parent)
    : QObject(parent)
    , store_(store)
    , launcher_(launcher)
    , notch_(notch)
    , settings_(settings)
{
    store_.onChanged([this] { rebuild(); });
    notch_.onChanged([this](NotchController::Flag flag) {
        if (flag == NotchController::Flag::Expanded)
            Q_EMIT shownChanged();
    });
    rebuild();
}

LauncherViewModel::~LauncherViewModel() = default;

bool LauncherViewModel::shown() const { return notch_.expanded(); }
bool LauncherViewModel::addTile() const { return store_.apps().size() < LauncherStore::maxTiles; }
int LauncherViewModel::columns() const { return SidePanelGeometry::launcherGrid(store_.tileCount()).columns; }
int LauncherViewModel::rows() const { return SidePanelGeometry::launcherGrid(store_.tileCount()).rows; }
double LauncherViewModel::visibleWidth() const { return SidePanelGeometry::launcherGrid(store_.tileCount()).visibleWidth; }
double LauncherViewModel::visibleHeight() const
{
    return SidePanelGeometry::launcherGrid(store_.tileCount()).visibleHeight;
}

void LauncherViewModel::setAppPicker(LauncherAppPicker* picker)
{
    picker_ = picker;
    Q_EMIT canAddAppsChanged();
}

Rect LauncherViewModel::frameFor(const Rect& screen, Size expandedSize) const
{
    return SidePanelGeometry::launcherFrame(screen, expandedSize, SidePanelGeometry::launcherGrid(store_.tileCount()));
}

QRect LauncherViewModel::inputRect() const
{
    const auto grid = SidePanelGeometry::launcherGrid(store_.tileCount());
    return QRectF(SidePanelGeometry::kHitInset, 0, grid.visibleWidth, grid.visibleHeight).toAlignedRect();
}

void LauncherViewModel::rebuild()
{
    QVariantList tiles;
    for (const auto& app : store_.apps()) {
        QVariantMap tile;
        tile.insert(QStringLiteral("name"), QString::fromStdString(app.name));
        tile.insert(QStringLiteral("icon"), launcherIconSource(app.bundlePath, app.appNameForIcon));
        tile.insert(QStringLiteral("symbol"), QString::fromStdString(app.symbol));
        // The system's blue and orange.
        tile.insert(QStringLiteral("tint"),
                    app.tint == TileTint::SystemOrange ? QColor(255, 149, 0) : QColor(0, 122, 255));
        tiles.push_back(tile);
    }
    tiles_ = tiles;
    Q_EMIT tilesChanged();
}

void LauncherViewModel::launch(int index)
{
    const auto& apps = store_.apps();
    if (index >= 0 && static_cast<std::size_t>(index) < apps.size())
        launcher_.launch(apps[static_cast<std::size_t>(index)]);
}

void LauncherViewModel::remove(int index)
{
    const auto& apps = store_.apps();
    if (index >= 0 && static_cast<std::size_t>(index) < apps.size())
        store_.remove(apps[static_cast<std::size_t>(index)]);
}

void LauncherViewModel::addApps()
{
    if (picker_)
        picker_->open();
}

bool LauncherViewModel::addFile(const QUrl& url)
{
    if (!url.isLocalFile())
        return false;
    const QFileInfo info(url.toLocalFile());
    const bool entry = info.suffix() == QLatin1String("desktop") && info.isFile();
    if (!entry && !(info.isFile() && info.isExecutable()))
        return false;
    const auto before = store_.apps().size();
    store_.add(info.absoluteFilePath().toStdString());
    return store_.apps().size() > before;
}

std::unique_ptr<QMenu> LauncherViewModel::tileMenu(int index)
{
    auto menu = std::make_unique<QMenu>();
    const auto& apps = store_.apps();
    if (index >= 0 && static_cast<std::size_t>(index) < apps.size()) {
        const auto app = apps[static_cast<std::size_t>(index)];
        menu->addAction(menuItemTitle(QStringLiteral("Quitar ") + QString::fromStdString(app.name)), this,
                        [this, app] { store_.remove(app); });
        menu->addSeparator();
    }
    QAction* add = menu->addAction(QStringLiteral("Añadir app…"), this, [this] { addApps(); });
    add->setEnabled(canAddApps());
    applyMenuTheme(*menu, settings_.theme());
    return menu;
}

void LauncherViewModel::openTileMenu(int index)
{
    if (menuOpen_)
        return;
    menuOpen_ = true;
    // Asked for by a tile's handler: run from there, the menu's nested loop would destroy the tile
    // removed with "Quitar" while its handler is still on the stack, which the QML engine aborts
    // on. Queued, the menu opens once the handler is over.
    QMetaObject::invokeMethod(
        this, [this, menu = std::shared_ptr<QMenu>(tileMenu(index))] {
            menu->exec(QCursor::pos());
            menuOpen_ = false;
        },
        Qt::QueuedConnection);
}

} // namespace brisa
