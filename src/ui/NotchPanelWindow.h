// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/notch/ScreenGeometry.h"
#include "platform/PanelWindow.h"
#include "platform/PanelWindowHints.h"
#include "platform/Screens.h"

#include <QObject>
#include <QUrl>
#include <QRect>
#include <QVariantMap>

#include <memory>
#include <optional>
#include <vector>

class QQmlEngine;
class QQuickView;
class QQuickWindow;

namespace brisa {

class PanelTrace;
class PanelWindowHints;

/// The drop-down panel's window: frameless, above everything, on every desktop, out of the
/// taskbar, transparent around the panel's outline. It carries out the window operations the panel
/// controller decides on; frames come in Brisa's bottom-left coordinates. A view whose root has
/// `blurArea` (a rect, in window points) and `blurRadius` (its bottom corners) gets what lies behind
/// that area blurred where the compositor can. Without a compositor the window is cut to the
/// outlines its root lists in `visibleOutline` (see outlinesFromVariant), so the desktop, not
/// black, shows around them; a root without that property keeps its whole rectangle.
class NotchPanelWindow final : public QObject, public PanelWindow {
    Q_OBJECT
public:
    /// view: the QML file of the window's content; properties are set on its root before it loads.
    /// hints may be null (no window system extras: the window is then not click-through). screens
    /// places frames on the desktop and must outlive the window.
    NotchPanelWindow(QQmlEngine& engine, QUrl view, QVariantMap properties, PanelWindowHints* hints,
                     const Screens& screens, QObject* parent = nullptr);
    ~NotchPanelWindow() override;

    /// Creates the window at frame, ignoring the mouse and not keyable, and shows it. False when
    /// the view cannot be loaded (logged); every other call then does nothing.
    bool create(const Rect& frame) override;
    void setFrame(const Rect& frame) override;
    void setIgnoresMouse(bool ignores) override;
    /// While the window takes the pointer, only this part of it does (window coordinates, from its
    /// top-left corner); the rest lets clicks through. Unset: the whole window.
    void setInputRect(std::optional<QRect> rect);
    void orderFront() override;
    void setKeyable(bool keyable) override;
    void makeKeyAndFront() override;
    std::optional<WindowId> windowId() const override;
    bool brisaHasFocus() const override;
    bool pointerOverOtherBrisaWindow() const override;

    QQuickWindow* window() const;
    bool ignoresMouse() const { return ignoresMouse_; }

private:
    void applyFlags();
    /// Sends the window manager hints and the click-through state when they are due.
    void applyPendingHints();
    /// Tells the window system which part of the window takes the pointer now.
    void applyInputArea();
    /// Asks for blur behind the root's blurArea when it has changed (or always, with force).
    void applyBlur(bool force);
    Q_SLOT void onBlurAreaChanged() { applyBlur(false); }
    /// Cuts the window to the root's visibleOutline without a compositor, and gives it back its
    /// whole rectangle with one; when that has changed (or always, with force).
    void applyVisibleRegion(bool force);
    /// A changed outline is applied once a frame drawn with it is on screen: cut earlier, a growing
    /// outline would uncover pixels not drawn yet, which show black without a compositor.
    Q_SLOT void onOutlineChanged();

    QQmlEngine& engine_;
    QUrl viewUrl_;
    QVariantMap properties_;
    PanelWindowHints* hints_;
    const Screens& screens_;
    QQuickView* view_ = nullptr;
    bool ignoresMouse_ = true;
    bool keyable_ = false;
    bool hintsPending_ = false;
    std::optional<QRect> inputRect_;
    std::vector<WindowRect> blurRegion_; ///< as last sent
    std::optional<std::vector<WindowRect>> visibleRegion_; ///< as last sent
    bool outlinePending_ = false;
    PanelTrace* trace_ = nullptr; ///< only with BRISA_TRACE_PANEL=1
};

} // namespace brisa
