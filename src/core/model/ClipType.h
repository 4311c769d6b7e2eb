// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace brisa {

/// The kind of a clip; persisted by its raw string.
enum class ClipType { Text, Code, Link, Image, File, Color, Screenshot };

/// Every kind, in display order.
inline constexpr std::array<ClipType, 7> allClipTypes{ClipType::Text,  ClipType::Code,  ClipType::Link,
                                                      ClipType::Image, ClipType::File,  ClipType::Color,
                                                      ClipType::Screenshot};

/// "text", "code", ... : the persisted form.
std::string_view rawValue(ClipType type);
/// The kind whose raw value is exactly raw; nullopt for anything else.
std::optional<ClipType> clipTypeFromRaw(std::string_view raw);
/// The kind stored records use: unknown raw values read as text.
ClipType clipTypeOrText(std::string_view raw);
/// The Spanish label shown in filters and list rows ("Texto", "Código", ...).
std::string_view label(ClipType type);
/// The symbol name shown with the label.
std::string_view symbolName(ClipType type);

} // namespace brisa
