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

/// The colours of one theme: every view's (read in QML as `Theme.colors(name)`) and the widget
/// menus' (menuPalette), so that each colour is written once.
class ThemeColors : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Given by Theme.colors()")
    Q_PROPERTY(bool light MEMBER light CONSTANT)
    /// Text and symbols on the panel's ground.
    Q_PROPERTY(QColor ink MEMBER ink CONSTANT)
    Q_PROPERTY(QColor panelFill MEMBER panelFill CONSTANT)
    Q_PROPERTY(QColor panelStroke MEMBER panelStroke CONSTANT)
    /// The closed panel's capsule: over a compositor, and drawn opaque without one.
    Q_PROPERTY(QColor handle MEMBER handle CONSTANT)
    Q_PROPERTY(QColor handleOpaque MEMBER handleOpaque CONSTANT)
    /// The ground of the panel's round buttons.
    Q_PROPERTY(QColor buttonFill MEMBER buttonFill CONSTANT)
    Q_PROPERTY(QColor chipFill MEMBER chipFill CONSTANT)
    Q_PROPERTY(QColor chipActiveFill MEMBER chipActiveFill CONSTANT)
    Q_PROPERTY(QColor chipActiveInk MEMBER chipActiveInk CONSTANT)
    /// The count's ground on an inactive and on the active chip.
    Q_PROPERTY(QColor chipBadge MEMBER chipBadge CONSTANT)
    Q_PROPERTY(QColor chipActiveBadge MEMBER chipActiveBadge CONSTANT)
    Q_PROPERTY(QColor tipFill MEMBER tipFill CONSTANT)
    Q_PROPERTY(QColor tipBorder MEMBER tipBorder CONSTANT)
    Q_PROPERTY(QColor cardFill MEMBER cardFill CONSTANT)
    Q_PROPERTY(QColor cardBorder MEMBER cardBorder CONSTANT)
    Q_PROPERTY(QColor cardSelectedBorder MEMBER cardSelectedBorder CONSTANT)
    /// The faint ground under a text or code preview.
    Q_PROPERTY(QColor previewFill MEMBER previewFill CONSTANT)
    /// A link preview's gradient, top to bottom.
    Q_PROPERTY(QColor linkTop MEMBER linkTop CONSTANT)
    Q_PROPERTY(QColor linkBottom MEMBER linkBottom CONSTANT)
    /// An image card's hover actions.
    Q_PROPERTY(QColor actionFill MEMBER actionFill CONSTANT)
    Q_PROPERTY(QColor actionHoveredFill MEMBER actionHoveredFill CONSTANT)
    Q_PROPERTY(QColor actionBorder MEMBER actionBorder CONSTANT)
    Q_PROPERTY(QColor toastFill MEMBER toastFill CONSTANT)
    Q_PROPERTY(QColor toastStroke MEMBER toastStroke CONSTANT)
    /// The toast's tile for the kind's symbol when there is no thumbnail.
    Q_PROPERTY(QColor toastTile MEMBER toastTile CONSTANT)
    /// How strongly the toast's second line is drawn.
    Q_PROPERTY(double subtitleOpacity MEMBER subtitleOpacity CONSTANT)

public:
    using QObject::QObject;

    bool light = false;
    QColor ink, panelFill, panelStroke, handle, handleOpaque, buttonFill;
    QColor chipFill, chipActiveFill, chipActiveInk, chipBadge, chipActiveBadge, tipFill, tipBorder;
    QColor cardFill, cardBorder, cardSelectedBorder, previewFill, linkTop, linkBottom;
    QColor actionFill, actionHoveredFill, actionBorder, toastFill, toastStroke, toastTile;
    double subtitleOpacity = 0.5;
    // The widget menus' colours (not read by the views).
    QColor menuWindow, menuText, menuDisabled, menuHighlight, menuHighlightedText, menuLight, menuDark;
};

/// The look shared by every view: the palette of each theme and the metrics written once (the
/// outline's flares and corners, the cards, the text sizes). `Theme.flare` in QML.
class Theme : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    /// The panel outline's concave top corners, and its rounded bottom ones.
    Q_PROPERTY(double flare MEMBER flare_ CONSTANT)
    Q_PROPERTY(double panelBottomRadius MEMBER panelBottomRadius_ CONSTANT)
    /// The same for the toast's pill.
    Q_PROPERTY(double toastFlare MEMBER toastFlare_ CONSTANT)
    Q_PROPERTY(double toastBottomRadius MEMBER toastBottomRadius_ CONSTANT)
    Q_PROPERTY(double cardWidth MEMBER cardWidth_ CONSTANT)
    Q_PROPERTY(double cardHeight MEMBER cardHeight_ CONSTANT)
    Q_PROPERTY(double cardSpacing MEMBER cardSpacing_ CONSTANT)
    Q_PROPERTY(double cardRadius MEMBER cardRadius_ CONSTANT)
    Q_PROPERTY(double previewRadius MEMBER previewRadius_ CONSTANT)
    /// Text sizes in pixels: footers and counts, help texts, body text, the toast's title.
    Q_PROPERTY(int smallText MEMBER smallText_ CONSTANT)
    Q_PROPERTY(int tipText MEMBER tipText_ CONSTANT)
    Q_PROPERTY(int bodyText MEMBER bodyText_ CONSTANT)
    Q_PROPERTY(int titleText MEMBER titleText_ CONSTANT)
    /// The application's font, for the dialogs' texts that are sized from it.
    Q_PROPERTY(QFont applicationFont READ applicationFont NOTIFY applicationFontChanged)

public:
    /// The one instance, shared by every engine.
    static Theme& instance();
    static Theme* create(QQmlEngine*, QJSEngine*);

    /// The colours of a theme.
    static const ThemeColors& colors(AppTheme theme);
    /// The colours of a theme by its setting's raw value ("dark", "light", "liquidGlass"); the
    /// dark theme's for anything else.
    Q_INVOKABLE brisa::ThemeColors* colors(const QString& name) const;
    /// The URL of a symbol drawn in color: "image://symbol/<name>?color=<hex>"; under base
    /// instead of "image://symbol" for a provider that falls back to the symbol (an app's icon).
    Q_INVOKABLE static QString symbol(const QString& name, const QColor& color, const QString& base = {});
    static QFont applicationFont();

Q_SIGNALS:
    void applicationFontChanged();

private:
    Theme();

    double flare_ = 28;
    double panelBottomRadius_ = 42;
    double toastFlare_ = 12;
    double toastBottomRadius_ = 28;
    double cardWidth_;
    double cardHeight_ = 138;
    double cardSpacing_;
    double cardRadius_ = 22;
    double previewRadius_ = 14;
    int smallText_ = 10;
    int tipText_ = 11;
    int bodyText_ = 12;
    int titleText_ = 13;
};

} // namespace brisa
