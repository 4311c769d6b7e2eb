// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Bytes.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brisa {

/// Targets of one clipboard write, in the order they are offered.
using PasteTargets = std::vector<std::pair<std::string, Bytes>>;

/// Plain text as X11 programs ask for it: "text/plain;charset=utf-8", "UTF8_STRING", "text/plain".
PasteTargets textTargets(std::string_view text);

/// A file for file managers and editors alike: "text/uri-list" (one URI, CRLF-terminated),
/// "x-special/gnome-copied-files" ("copy", a line feed, the URI) and "text/plain" with the path.
PasteTargets fileTargets(std::string_view path);

/// "file://" followed by the path with every byte outside the unreserved set and '/' percent-encoded,
/// so spaces, '%', '#', line breaks and non-ASCII names survive the URI list.
std::string fileUri(std::string_view path);

} // namespace brisa
