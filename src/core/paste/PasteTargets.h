// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Bytes.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brisa {

/// Targets of one clipboard write, in the order they are offered.
using PasteTargets = std::vector<std::pair<std::string, Bytes>>;

/// Plain text as X11 programs ask for it: "text/plain;charset=utf-8", "UTF8_STRING", "text/plain", and
/// "STRING" (Latin-1) when every character has a Latin-1 code.
PasteTargets textTargets(std::string_view text);

/// A file for file managers and editors alike: "text/uri-list" (one URI, CRLF-terminated),
/// "x-special/gnome-copied-files" ("copy", a line feed, the URI), then the path as textTargets.
PasteTargets fileTargets(std::string_view path);

/// The UTF-8 text in Latin-1; nullopt when a character has no Latin-1 code or the UTF-8 is broken.
std::optional<Bytes> latin1(std::string_view utf8);

/// "file://" followed by the path with every byte outside the unreserved set and '/' percent-encoded,
/// so spaces, '%', '#', line breaks and non-ASCII names survive the URI list.
std::string fileUri(std::string_view path);

} // namespace brisa
