// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace brisa {

/// Replaces path with contents so that a crash leaves either the old or the new file, never a mix:
/// writes a temporary file beside it with the given mode, fsyncs it, renames it over path and
/// fsyncs the folder. Creates missing parent folders with mode 0700. Returns an error text on failure.
std::optional<std::string> writeFileAtomically(const std::filesystem::path& path, std::string_view contents,
                                               unsigned mode = 0600);

/// The whole file, or nullopt when it cannot be read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

/// "20261207T053012Z": a time stamp that sorts and is safe in file names.
std::string fileTimeStamp(std::chrono::system_clock::time_point t);

} // namespace brisa
