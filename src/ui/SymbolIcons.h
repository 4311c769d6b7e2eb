// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>
#include <span>
#include <string>
#include <string_view>

/// The symbols the views name ("star.fill", "tray", ...) and the SVG each one is drawn from:
/// a symbolic icon of the Adwaita theme where one fits, else one of Brisa's own.
namespace brisa::SymbolIcons {

/// Where a symbol's SVG comes from.
enum class Source { Adwaita, Brisa };

/// One row of the table. For Adwaita, file is "<context>/<icon>" under scalable/ without the
/// "-symbolic.svg" suffix; for Brisa, the file name among the module's icons.
struct Entry {
    std::string_view name;
    Source source = Source::Adwaita;
    std::string_view file;
};

/// Every symbol the views use, each once.
std::span<const Entry> table();

/// The row for a symbol name; none when the name is unknown.
const Entry* find(std::string_view name);

/// A path Qt can open for the symbol (a file of the icon theme or a resource of ours); empty when
/// the name is unknown or its theme file is not installed.
QString filePath(std::string_view name);

/// Our neutral glyph for names we cannot draw.
QString fallbackPath();

/// The symbol at size, painted in color (the SVG's own colours when color is invalid). An unknown
/// name, or one whose file is missing, draws the fallback glyph and is logged once per name.
/// An empty or absurd size gives 16 × 16 or is capped at 1024 points a side.
QImage render(std::string_view name, QSize size, const QColor& color);

/// Every opaque pixel of image takes color, keeping its coverage: the image follows the theme.
QImage recolored(const QImage& image, const QColor& color);

/// Parses "<name>?color=<hex>" as the image provider receives it. The colour may be written with
/// or without "#", or percent-encoded; an unparsable colour gives an invalid QColor.
struct Request {
    std::string name;
    QColor color;
};
Request parseRequest(const QString& id);

} // namespace brisa::SymbolIcons
