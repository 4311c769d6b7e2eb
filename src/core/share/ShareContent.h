// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipItem.h"

#include <filesystem>
#include <optional>
#include <string>

namespace brisa {

/// What "Enviar…" hands over for a clip: an image's file, a file clip's path, or the text of the
/// other kinds (a link goes as text, not as an address to open).
struct ShareContent {
    enum class Kind {
        Image, ///< value: the absolute path of the image file in the store's images folder
        File,  ///< value: the absolute path a file clip names
        Text,  ///< value: the text itself
    };

    Kind kind = Kind::Text;
    std::string value{};
    /// A file name for the content when it has to become a file (Guardar como…, a text sent where
    /// only files go): the image's or file's own name, else one made from the text's first line.
    std::string fileName{};
    /// The clip's id in text form, which keeps the temporary files of different clips apart.
    std::string clipId{};

    bool isFile() const { return kind != Kind::Text; }

    /// Nothing to send: an image without its file name, a file clip without an absolute path, a
    /// text kind without text.
    static std::optional<ShareContent> from(const ClipItem& item, const std::filesystem::path& imagesDir);

    bool operator==(const ShareContent&) const = default;
};

/// A file name made from the first line of text: at most 40 characters, without path separators
/// or control characters, trimmed, ending in ".txt"; "Texto.txt" when nothing is left.
std::string textFileName(const std::string& text);

} // namespace brisa
