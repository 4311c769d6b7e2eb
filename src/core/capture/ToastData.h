// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipDragPayload.h"
#include "core/support/Bytes.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace brisa {

/// What a capture toast shows: the kind of clip with its payload, where it came from, and what
/// dragging the toast delivers; or a notice from Brisa itself, which is no clip. Compared field by field.
struct ToastData {
    struct Text {
        std::optional<std::string> preview{};
        bool operator==(const Text&) const = default;
    };
    struct Code {
        std::optional<std::string> preview{};
        bool operator==(const Code&) const = default;
    };
    struct Link {
        std::string url{};
        bool operator==(const Link&) const = default;
    };
    struct Image {
        std::optional<Bytes> thumbnail{};
        bool operator==(const Image&) const = default;
    };
    struct Screenshot {
        std::optional<Bytes> thumbnail{};
        bool operator==(const Screenshot&) const = default;
    };
    struct Color {
        std::string hex{};
        bool operator==(const Color&) const = default;
    };
    struct File {
        std::optional<std::string> name{};
        bool operator==(const File&) const = default;
    };
    /// Something Brisa tells the user once, in the toast's place; nothing to drag.
    struct Notice {
        std::string title{};
        std::string text{};
        bool operator==(const Notice&) const = default;
    };
    /// The cases in their display order.
    using Kind = std::variant<Text, Code, Link, Image, Screenshot, Color, File, Notice>;

    Kind kind = Text{};
    std::optional<std::string> sourceApp{};
    std::optional<ClipDragPayload> drag{};

    /// "Texto copiado", "Código copiado", ..., or the notice's own title.
    std::string_view title() const;
    /// The symbol shown when there is no thumbnail.
    std::string_view symbol() const;
    /// The second line: the preview (none when empty), the URL, the source app (images), the hex
    /// text, the file name or the notice's text.
    std::optional<std::string> subtitle() const;
    /// The thumbnail of an image or screenshot toast; nullptr for other kinds or when there is none.
    const Bytes* thumbnail() const;

    bool operator==(const ToastData&) const = default;
};

} // namespace brisa
