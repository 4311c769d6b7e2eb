// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AppCommands.h"
#include "core/settings/SettingsEnums.h"

#include <QObject>

#include <map>

class QAction;
class QMenu;

namespace brisa {

class AppSettings;

/// The tray icon's menu: built once; afterwards only the checkmarks change.
class TrayMenu final : public QObject {
    Q_OBJECT
public:
    /// settings and commands must outlive the menu. An item whose command is not available when the
    /// menu is built shows greyed.
    TrayMenu(AppSettings& settings, AppCommands& commands, QObject* parent = nullptr);
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
    QAction* addAction(const char* title, AppCommand command);
    void buildMenu();

    AppSettings& settings_;
    AppCommands& commands_;
    QMenu* menu_ = nullptr;
    QAction* pauseItem_ = nullptr;
    std::map<AppTheme, QAction*> themeMenuItems_;
    std::map<NotchActivation, QAction*> activationMenuItems_;
};

} // namespace brisa
