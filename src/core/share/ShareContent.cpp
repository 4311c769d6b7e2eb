// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/share/ShareContent.h"

#include "core/model/ClipDragPayload.h"
#include "core/support/Utf8.h"

namespace brisa {
namespace {

constexpr std::size_t kNameScalars = 40;

bool unfitForFileName(char32_t c)
{
    // Separators and the characters other systems refuse in names, for a file sent elsewhere.
    return c < 0x20 || c == 0x7f || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"'
        || c == '<' || c == '>' || c == '|' || (c >= 0x80 && c < 0xa0) || c == 0x2028 || c == 0x2029;
}

} // namespace

std::string textFileName(const std::string& text)
{
    const std::string_view all = trimWhitespace(text);
    const std::string_view line = all.substr(0, all.find('\n'));
    std::string name;
    std::size_t scalars = 0;
    for (std::size_t i = 0; i < line.size() && scalars < kNameScalars;) {
        const Utf8Scalar s = decodeUtf8At(line, i);
        if (s.valid && !unfitForFileName(s.value))
            name.append(line.substr(i, s.length));
        else
            name.push_back(' ');
        i += s.length;
        ++scalars;
    }
    // Leading dots would make a hidden file, or name the folder itself or its parent.
    std::string trimmed = name;
    for (std::string before; before != trimmed;) {
        before = trimmed;
        trimmed = std::string(trimWhitespace(trimmed));
        trimmed.erase(0, trimmed.find_first_not_of('.'));
    }
    if (trimmed.empty())
        trimmed = "Texto";
    return trimmed + ".txt";
}

std::optional<ShareContent> ShareContent::from(const ClipItem& item, const std::filesystem::path& imagesDir)
{
    // The same rules decide what dragging a card hands out.
    const auto payload = ClipDragPayload::from(item);
    if (!payload)
        return std::nullopt;
    ShareContent content;
    content.clipId = item.id.toString();
    switch (payload->kind) {
    case ClipDragPayload::Kind::ImageFile:
        content.kind = Kind::Image;
        content.value = (imagesDir / payload->value).string();
        content.fileName = payload->value;
        break;
    case ClipDragPayload::Kind::FilePath: {
        // A relative path would name whatever lies under Brisa's own working folder.
        if (!std::filesystem::path(payload->value).is_absolute())
            return std::nullopt;
        content.kind = Kind::File;
        content.value = payload->value;
        auto path = std::filesystem::path(payload->value).lexically_normal();
        if (path.filename().empty()) // a folder written with its trailing slash
            path = path.parent_path();
        const auto name = path.filename().string();
        content.fileName = name.empty() ? "Archivo" : name;
        break;
    }
    case ClipDragPayload::Kind::Text:
        content.kind = Kind::Text;
        content.value = payload->value;
        content.fileName = textFileName(payload->value);
        break;
    }
    return content;
}

} // namespace brisa
