// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/paste/PasteTargets.h"

namespace brisa {

PasteTargets textTargets(std::string_view text)
{
    const Bytes bytes = toBytes(text);
    return {{"text/plain;charset=utf-8", bytes}, {"UTF8_STRING", bytes}, {"text/plain", bytes}};
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
    return {{"text/uri-list", toBytes(uri + "\r\n")},
            {"x-special/gnome-copied-files", toBytes("copy\n" + uri)},
            {"text/plain", toBytes(path)}};
}

} // namespace brisa
