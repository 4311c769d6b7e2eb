// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/share/ShareContent.h"

#include <filesystem>
#include <optional>
#include <string>

namespace brisa {

/// Where files made only to be sent are written: $XDG_RUNTIME_DIR/brisa-share, else
/// /tmp/brisa-share-UID. The runtime folder is emptied when the session ends.
std::filesystem::path shareScratchFolder();

/// Makes dir a folder only this user can enter: created with mode 0700 when missing; one that
/// exists must be a real folder (not a link) owned by this user, and is narrowed to 0700. The
/// error text, or nullopt.
std::optional<std::string> preparePrivateFolder(const std::filesystem::path& dir);

/// A text written to a file for a target that takes files only.
struct SharedTextFile {
    std::filesystem::path path{}; ///< empty on failure
    std::string error{};
};

/// Writes a text content as scratch/<clip id>/<its file name>, private (0600), replacing an
/// earlier copy of the same clip.
SharedTextFile writeTextForSharing(const ShareContent& content, const std::filesystem::path& scratch);

/// "Guardar como…": a copy of the image or file (a folder with what it holds) at destination, or
/// the text written there. Replaces what is there (the file dialog has asked). The error text, or
/// nullopt.
std::optional<std::string> saveSharedContent(const ShareContent& content, const std::filesystem::path& destination);

} // namespace brisa
