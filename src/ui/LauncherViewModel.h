// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/sidepanels/SidePanelController.h"

#include <QObject>
#include <QRect>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <memory>

class QMenu;

namespace brisa {

class AppLauncher;
class AppSettings;
class LauncherStore;
class NotchController;

/// Opens the window that adds applications to the launcher.
class LauncherAppPicker {
public:
    virtual void open() = 0;

protected:
    ~LauncherAppPicker() = default;
};

/// The launcher grid as it draws: one tile per entry of the store, the add tile while there is
/// room, the grid's size, and whether it is out (the panel is open).
class LauncherViewModel : public QObject, public SidePanelContent {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the application around its LauncherStore")
    Q_PROPERTY(bool shown READ shown NOTIFY shownChanged)
    /// One map per entry: name, icon (an image source, empty for none), symbol, tint (a colour).
    Q_PROPERTY(QVariantList tiles READ tiles NOTIFY tilesChanged)
    Q_PROPERTY(bool addTile READ addTile NOTIFY tilesChanged)
    Q_PROPERTY(int columns READ columns NOTIFY tilesChanged)
    Q_PROPERTY(int rows READ rows NOTIFY tilesChanged)
    Q_PROPERTY(double visibleWidth READ visibleWidth NOTIFY tilesChanged)
    Q_PROPERTY(double visibleHeight READ visibleHeight NOTIFY tilesChanged)
    /// Whether "Añadir app…" can open the application picker.
    Q_PROPERTY(bool canAddApps READ canAddApps NOTIFY canAddAppsChanged)

public:
    /// Everything given must outlive the model.
    LauncherViewModel(LauncherStore& store, AppLauncher& launcher, NotchController& notch, const AppSettings& settings,
                      QObject* parent = nullptr);
    ~LauncherViewModel() override;

    bool shown() const;
    QVariantList tiles() const { return tiles_; }
    bool addTile() const;
    int columns() const;
    int rows() const;
    double visibleWidth() const;
    double visibleHeight() const;
    bool canAddApps() const { return picker_ != nullptr; }

    /// The picker "Añadir app…" opens (it keeps the panel open while it is up), which must outlive
    /// the model; null: the item stays greyed.
    void setAppPicker(LauncherAppPicker* picker);

    /// The grid beside the open panel, as large as its tiles need.
    Rect frameFor(const Rect& screen, Size expandedSize) const override;
    /// Where the grid takes clicks in its window: its whole visible area, transparent corners included.
    QRect inputRect() const;

    Q_INVOKABLE void launch(int index);
    Q_INVOKABLE void remove(int index);
    Q_INVOKABLE void addApps();
    /// A file dropped on the grid: a .desktop file (or an executable) becomes a tile. False when
    /// it was not taken.
    Q_INVOKABLE bool addFile(const QUrl& url);
    /// Runs a tile's menu at the pointer (index -1: the add tile's).
    Q_INVOKABLE void openTileMenu(int index);
    /// The menu openTileMenu runs.
    std::unique_ptr<QMenu> tileMenu(int index);

Q_SIGNALS:
    void shownChanged();
    void tilesChanged();
    void canAddAppsChanged();

private:
    void rebuild();

    LauncherStore& store_;
    AppLauncher& launcher_;
    NotchController& notch_;
    const AppSettings& settings_;
    LauncherAppPicker* picker_ = nullptr;
    QVariantList tiles_;
    /// Menus run their own event loop: the store may change meanwhile.
    bool menuOpen_ = false;
};

/// The image source of a tile's icon: for a file, the desktop entry's Icon, drawn as the generic
/// application icon when it is not installed (or names none, or the file is a program); else the
/// application named for its icon; empty when the tile names none.
QString launcherIconSource(const std::optional<std::string>& bundlePath, const std::optional<std::string>& appNameForIcon);

} // namespace brisa
