// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// What every clipboard backend does alike with the target (MIME type) names other programs offer.
namespace brisa {

/// Over this many offered targets the rest are ignored: no real owner offers that many.
inline constexpr std::size_t kMaxClipboardTargets = 1024;

/// A target name as it may appear in a log line (owners choose them, control characters included).
inline std::string printableTarget(std::string_view name)
{
    std::string out(name.substr(0, 200));
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return out;
}

} // namespace brisa
