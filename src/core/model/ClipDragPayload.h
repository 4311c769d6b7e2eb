// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipItem.h"

#include <optional>
#include <string>

namespace brisa {

/// What dragging a card or a toast out of Brisa delivers.
struct ClipDragPayload {
    enum class Kind {
        ImageFile, ///< value: a file name inside the store's images folder
        FilePath,  ///< value: an absolute file path
        Text,      ///< value: plain text
    };

    Kind kind = Kind::Text;
    std::string value{};

    static ClipDragPayload imageFile(std::string name) { return {Kind::ImageFile, std::move(name)}; }
    static ClipDragPayload filePath(std::string path) { return {Kind::FilePath, std::move(path)}; }
    static ClipDragPayload text(std::string text) { return {Kind::Text, std::move(text)}; }

    /// By the clip's kind: image and screenshot give their image file (none without one), file gives
    /// its path (none when empty), every other kind its text (none without text).
    static std::optional<ClipDragPayload> from(const ClipItem& item);

    bool operator==(const ClipDragPayload&) const = default;
};

} // namespace brisa
