// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/settings/SettingsEnums.h"

#include <QColor>
#include <QFont>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

namespace brisa {

/// The colours of one theme, written once for the views and the widget menus.
struct ThemePalette {
    bool light = false;
    QColor ink, panelFill, panelStroke, handle, handleOpaque, buttonFill;
    QColor chipFill, chipActiveFill, chipActiveInk, chipBadge, chipActiveBadge, tipFill, tipBorder;
    QColor cardFill, cardBorder, cardSelectedBorder, previewFill, linkTop, linkBottom;
    QColor actionFill, actionHoveredFill, actionBorder, toastFill, toastStroke, toastTile;
    double subtitleOpacity = 0.5;
    // The widget menus' colours (not read by the views).
    QColor menuWindow, menuText, menuDisabled, menuHighlight, menuHighlightedText, menuLight, menuDark;
};

/// The colours of one theme as the views read them (`Theme.colors(name)` in QML), read-only.
class ThemeColors : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Given by Theme.colors()")
    Q_PROPERTY(bool light READ light CONSTANT)
    /// Text and symbols on the panel's ground.
    Q_PROPERTY(QColor ink READ ink CONSTANT)
    Q_PROPERTY(QColor panelFill READ panelFill CONSTANT)
    Q_PROPERTY(QColor panelStroke READ panelStroke CONSTANT)
    /// The closed panel's capsule: over a compositor, and drawn opaque without one.
    Q_PROPERTY(QColor handle READ handle CONSTANT)
    Q_PROPERTY(QColor handleOpaque READ handleOpaque CONSTANT)
    /// The ground of the panel's round buttons.
    Q_PROPERTY(QColor buttonFill READ buttonFill CONSTANT)
    Q_PROPERTY(QColor chipFill READ chipFill CONSTANT)
    Q_PROPERTY(QColor chipActiveFill READ chipActiveFill CONSTANT)
    Q_PROPERTY(QColor chipActiveInk READ chipActiveInk CONSTANT)
    /// The count's ground on an inactive and on the active chip.
    Q_PROPERTY(QColor chipBadge READ chipBadge CONSTANT)
    Q_PROPERTY(QColor chipActiveBadge READ chipActiveBadge CONSTANT)
    Q_PROPERTY(QColor tipFill READ tipFill CONSTANT)
    Q_PROPERTY(QColor tipBorder READ tipBorder CONSTANT)
    Q_PROPERTY(QColor cardFill READ cardFill CONSTANT)
    Q_PROPERTY(QColor cardBorder READ cardBorder CONSTANT)
    Q_PROPERTY(QColor cardSelectedBorder READ cardSelectedBorder CONSTANT)
    /// The faint ground under a text or code preview.
    Q_PROPERTY(QColor previewFill READ previewFill CONSTANT)
    /// A link preview's gradient, top to bottom.
    Q_PROPERTY(QColor linkTop READ linkTop CONSTANT)
    Q_PROPERTY(QColor linkBottom READ linkBottom CONSTANT)
    /// An image card's hover actions.
    Q_PROPERTY(QColor actionFill READ actionFill CONSTANT)
    Q_PROPERTY(QColor actionHoveredFill READ actionHoveredFill CONSTANT)
    Q_PROPERTY(QColor actionBorder READ actionBorder CONSTANT)
    Q_PROPERTY(QColor toastFill READ toastFill CONSTANT)
    Q_PROPERTY(QColor toastStroke READ toastStroke CONSTANT)
    /// The toast's tile for the kind's symbol when there is no thumbnail.
    Q_PROPERTY(QColor toastTile READ toastTile CONSTANT)
    /// How strongly the toast's second line is drawn.
    Q_PROPERTY(double subtitleOpacity READ subtitleOpacity CONSTANT)

public:
    explicit ThemeColors(const ThemePalette& palette, QObject* parent = nullptr)
        : QObject(parent), palette_(palette) {}
    const ThemePalette& palette() const { return palette_; }

    bool light() const { return palette_.light; }
    QColor ink() const { return palette_.ink; }
    QColor panelFill() const { return palette_.panelFill; }
    QColor panelStroke() const { return palette_.panelStroke; }
    QColor handle() const { return palette_.handle; }
    QColor handleOpaque() const { return palette_.handleOpaque; }
    QColor buttonFill() const { return palette_.buttonFill; }
    QColor chipFill() const { return palette_.chipFill; }
    QColor chipActiveFill() const { return palette_.chipActiveFill; }
    QColor chipActiveInk() const { return palette_.chipActiveInk; }
    QColor chipBadge() const { return palette_.chipBadge; }
    QColor chipActiveBadge() const { return palette_.chipActiveBadge; }
    QColor tipFill() const { return palette_.tipFill; }
    QColor tipBorder() const { return palette_.tipBorder; }
    QColor cardFill() const { return palette_.cardFill; }
    QColor cardBorder() const { return palette_.cardBorder; }
    QColor cardSelectedBorder() const { return palette_.cardSelectedBorder; }
    QColor previewFill() const { return palette_.previewFill; }
    QColor linkTop() const { return palette_.linkTop; }
    QColor linkBottom() const { return palette_.linkBottom; }
    QColor actionFill() const { return palette_.actionFill; }
    QColor actionHoveredFill() const { return palette_.actionHoveredFill; }
    QColor actionBorder() const { return palette_.actionBorder; }
    QColor toastFill() const { return palette_.toastFill; }
    QColor toastStroke() const { return palette_.toastStroke; }
    QColor toastTile() const { return palette_.toastTile; }
    double subtitleOpacity() const { return palette_.subtitleOpacity; }

private:
    const ThemePalette palette_;
};

/// The look shared by every view: the palette of each theme and the metrics written once (the
/// outline's flares and corners, the cards, the text sizes). `Theme.flare` in QML.
class Theme : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    /// The panel outline's concave top corners, and its rounded bottom ones.
    Q_PROPERTY(double flare READ flare CONSTANT)
    Q_PROPERTY(double panelBottomRadius READ panelBottomRadius CONSTANT)
    /// The same for the toast's pill.
    Q_PROPERTY(double toastFlare READ toastFlare CONSTANT)
    Q_PROPERTY(double toastBottomRadius READ toastBottomRadius CONSTANT)
    Q_PROPERTY(double cardWidth READ cardWidth CONSTANT)
    Q_PROPERTY(double cardHeight READ cardHeight CONSTANT)
    Q_PROPERTY(double cardSpacing READ cardSpacing CONSTANT)
    Q_PROPERTY(double cardRadius READ cardRadius CONSTANT)
    Q_PROPERTY(double previewRadius READ previewRadius CONSTANT)
    /// Text sizes in pixels: footers and counts, help texts, body text, the toast's title.
    Q_PROPERTY(int smallText READ smallText CONSTANT)
    Q_PROPERTY(int tipText READ tipText CONSTANT)
    Q_PROPERTY(int bodyText READ bodyText CONSTANT)
    Q_PROPERTY(int titleText READ titleText CONSTANT)
    /// The application's font, for the dialogs' texts that are sized from it.
    Q_PROPERTY(QFont applicationFont READ applicationFont NOTIFY applicationFontChanged)

public:
    /// The one instance, shared by every engine.
    static Theme& instance();
    static Theme* create(QQmlEngine*, QJSEngine*);

    /// The colours of a theme.
    static const ThemeColors& colors(AppTheme theme);
    static const ThemePalette& palette(AppTheme theme) { return colors(theme).palette(); }
    /// The colours of a theme by its setting's raw value ("dark", "light", "liquidGlass"); the
    /// dark theme's for anything else.
    Q_INVOKABLE brisa::ThemeColors* colors(const QString& name) const;
    /// The URL of a symbol drawn in color: "image://symbol/<name>?color=<hex>"; under base
    /// instead of "image://symbol" for a provider that falls back to the symbol (an app's icon).
    Q_INVOKABLE static QString symbol(const QString& name, const QColor& color, const QString& base = {});
    static QFont applicationFont();

    double flare() const { return 28; }
    double panelBottomRadius() const { return 42; }
    double toastFlare() const { return 12; }
    double toastBottomRadius() const { return 28; }
    double cardWidth() const;
    double cardHeight() const { return 138; }
    double cardSpacing() const;
    double cardRadius() const { return 22; }
    double previewRadius() const { return 14; }
    int smallText() const { return 10; }
    int tipText() const { return 11; }
    int bodyText() const { return 12; }
    int titleText() const { return 13; }

Q_SIGNALS:
    void applicationFontChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Theme() = default;
};

} // namespace brisa
