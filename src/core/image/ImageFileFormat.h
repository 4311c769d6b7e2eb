// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace brisa {

/// The formats an image clip can be converted to, in the order menus offer them.
enum class ImageFileFormat { Png, Jpeg, Tiff };

inline constexpr std::array<ImageFileFormat, 3> kImageFileFormats{ImageFileFormat::Png, ImageFileFormat::Jpeg,
                                                                  ImageFileFormat::Tiff};

/// "png", "jpeg", "tiff": the persisted and command-line name.
std::string_view rawValue(ImageFileFormat format);
/// "PNG", "JPEG", "TIFF": what menus show.
std::string_view label(ImageFileFormat format);
/// "png", "jpg", "tiff": the extension of the new clip's file.
std::string_view fileExtension(ImageFileFormat format);
/// The format whose raw value is raw; nullopt for anything else.
std::optional<ImageFileFormat> imageFileFormatFromRaw(std::string_view raw);

/// The MIME type of a stored image file, by its extension: "image/heic", "image/jpeg",
/// "image/tiff", else "image/png" (what every capture stores).
std::string_view imageMimeTypeForFile(std::string_view fileName);

} // namespace brisa
