// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/LauncherViewModel.h"

#include <QObject>
#include <QString>

class QQmlEngine;
class QQuickView;

namespace brisa {

class ApplicationPickerModel;
class LauncherStore;
class NotchController;
class Screens;

/// "Añadir apps al lanzador": a window with the application picker over the open panel. Each
/// application chosen becomes a tile (while there is room); the panel stays open and focused
/// while the window is up, and lets go of the keyboard when it closes.
class LauncherPickerWindow final : public QObject, public LauncherAppPicker {
    Q_OBJECT
public:
    static constexpr int kWidth = 460;
    static constexpr int kHeight = 340;

    /// Everything given must outlive the window.
    LauncherPickerWindow(QQmlEngine& engine, LauncherStore& store, NotchController& notch, const Screens& screens,
                         QObject* parent = nullptr);
    ~LauncherPickerWindow() override;

    /// Shows the window centred on the panel's screen (made on first use).
    void open() override;
    bool isOpen() const;

private Q_SLOTS:
    void chosenEntry(const QString& file);
    void done();

private:
    QQmlEngine& engine_;
    LauncherStore& store_;
    NotchController& notch_;
    const Screens& screens_;
    ApplicationPickerModel* applications_ = nullptr;
    QQuickView* view_ = nullptr;
    bool open_ = false;
};

} // namespace brisa
