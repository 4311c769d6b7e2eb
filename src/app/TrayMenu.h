// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/settings/SettingsEnums.h"

#include <QObject>

#include <functional>
#include <map>

class QAction;
class QMenu;

namespace brisa {

class AppSettings;

/// What the tray menu's items do. An unset entry shows its item greyed (its window is not there yet).
struct TrayActions {
    std::function<void()> openPanel{};
    std::function<void()> openLibrary{};
    std::function<void()> openQuickNote{};
    std::function<void()> toggleBulkCopy{};
    /// Pauses capture (true) or resumes it; the item is checkable.
    std::function<void(bool paused)> setCapturePaused{};
    std::function<void()> openSettings{};
    std::function<void()> quit{};
};

/// The tray icon's menu: built once; afterwards only the checkmarks change.
class TrayMenu final : public QObject {
    Q_OBJECT
public:
    TrayMenu(AppSettings& settings, TrayActions actions, QObject* parent = nullptr);
    ~TrayMenu() override;

    QMenu* menu() const { return menu_; }

    /// Sets the theme named by the item's data (a raw value) and moves the checkmark; other data is ignored.
    void changeTheme(QAction* sender);
    /// The same for the panel activation mode.
    void changeActivation(QAction* sender);

    /// Moves the "Pausar captura" checkmark, however the pause started or ended.
    void showCapturePaused(bool paused);
    QAction* pauseMenuItem() const { return pauseItem_; }

    const std::map<AppTheme, QAction*>& themeMenuItems() const { return themeMenuItems_; }
    const std::map<NotchActivation, QAction*>& activationMenuItems() const { return activationMenuItems_; }

private:
    QAction* addAction(QMenu* menu, const char* title, const std::function<void()>& fn);
    void buildMenu();

    AppSettings& settings_;
    TrayActions actions_;
    QMenu* menu_ = nullptr;
    QAction* pauseItem_ = nullptr;
    std::map<AppTheme, QAction*> themeMenuItems_;
    std::map<NotchActivation, QAction*> activationMenuItems_;
};

} // namespace brisa
