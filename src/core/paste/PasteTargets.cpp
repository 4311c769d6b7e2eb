// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/paste/PasteTargets.h"

namespace brisa {

std::optional<Bytes> latin1(std::string_view utf8)
{
    Bytes out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out.push_back(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()
                   && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
            // Two-byte sequences led by C2 or C3 are exactly the code points 0x80 to 0xFF.
            out.push_back(static_cast<std::uint8_t>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F)));
        } else {
            return std::nullopt;
        }
    }
    return out;
}

PasteTargets textTargets(std::string_view text)
{
    const Bytes bytes = toBytes(text);
    PasteTargets targets{{"text/plain;charset=utf-8", bytes}, {"UTF8_STRING", bytes}, {"text/plain", bytes}};
    // Older programs ask only for STRING, which is Latin-1: offered when the text fits in it.
    if (auto narrow = latin1(text))
        targets.emplace_back("STRING", std::move(*narrow));
    return targets;
}

std::string fileUri(std::string_view path)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                          c == '.' || c == '_' || c == '~' || c == '/';
        if (keep) {
            uri += ch;
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 0x0F];
        }
    }
    return uri;
}

PasteTargets fileTargets(std::string_view path)
{
    const std::string uri = fileUri(path);
    PasteTargets targets{{"text/uri-list", toBytes(uri + "\r\n")},
                         {"x-special/gnome-copied-files", toBytes("copy\n" + uri)}};
    // Programs that take only text (terminals, plain editors) get the path.
    for (auto& target : textTargets(path))
        targets.push_back(std::move(target));
    return targets;
}

} // namespace brisa
