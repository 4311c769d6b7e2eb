// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/model/ClipType.h"

namespace brisa {
namespace {

struct Row {
    std::string_view raw, label, symbol;
};

constexpr std::array<Row, 7> rows{{
    {"text", "Texto", "text.alignleft"},
    {"code", "Código", "chevron.left.forwardslash.chevron.right"},
    {"link", "Enlace", "link"},
    {"image", "Imagen", "photo"},
    {"file", "Archivo", "doc"},
    {"color", "Color", "paintpalette"},
    {"screenshot", "Captura", "camera.viewfinder"},
}};

const Row& row(ClipType t) { return rows[static_cast<std::size_t>(t)]; }

} // namespace

std::string_view rawValue(ClipType type) { return row(type).raw; }
std::string_view label(ClipType type) { return row(type).label; }
std::string_view symbolName(ClipType type) { return row(type).symbol; }

std::optional<ClipType> clipTypeFromRaw(std::string_view raw)
{
    for (auto t : allClipTypes)
        if (row(t).raw == raw)
            return t;
    return std::nullopt;
}

ClipType clipTypeOrText(std::string_view raw) { return clipTypeFromRaw(raw).value_or(ClipType::Text); }

} // namespace brisa
