// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/ShortcutGrabs.h"

#include <QObject>

#include <memory>

class QQmlEngine;
class QQuickView;
class QQuickWindow;

namespace brisa {

class AppSettings;
class ApplicationPickerModel;
class DesktopEntries;
class FrontmostApplication;
class KeyboardShortcuts;
class SettingsViewModel;
class Storage;
class TextSnippetStore;

/// Owns the settings window "Brisa — Ajustes": made on the first show(), hidden by its close control
/// and shown again as it was (the half-typed snippet included) until Brisa quits.
class SettingsWindowController : public QObject {
    Q_OBJECT

public:
    /// What the window edits; everything must outlive the controller.
    struct Services {
        AppSettings& settings;
        TextSnippetStore& snippets;
        KeyboardShortcuts& shortcuts;
        /// Grabs a new combination for the panel's shortcut and lets them all go while the recorder
        /// records; null: stored only.
        ShortcutGrabs* grabs = nullptr;
        /// The applications with a window open now, for the picker; may be null.
        FrontmostApplication* windows = nullptr;
        /// Whose unpinned clips "Borrar historial…" counts and deletes; null: not offered.
        Storage* history = nullptr;
    };

    explicit SettingsWindowController(Services services, QObject* parent = nullptr);
    ~SettingsWindowController() override;

    /// Brings the window to the front with keyboard focus, making it first if there is none.
    void show();

    /// The window, or null before the first show().
    QQuickWindow* window() const;
    /// The view model, or null before the first show().
    SettingsViewModel* viewModel() const { return viewModel_; }

    static QString title();
    static constexpr int width = 480;
    static constexpr int height = 360;

private:
    bool createWindow();

    class StoredHistory;

    Services services_;
    std::unique_ptr<StoredHistory> history_;
    std::unique_ptr<DesktopEntries> entries_;
    std::unique_ptr<QQmlEngine> engine_;
    SettingsViewModel* viewModel_ = nullptr;
    ApplicationPickerModel* applications_ = nullptr;
    QQuickView* window_ = nullptr;
};

} // namespace brisa
