// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <functional>
#include <set>
#include <string>

namespace brisa {

/// Tells when entries appear in, or leave, one folder (not its subfolders).
class DirectoryWatcher {
public:
    /// Runs on the main thread after entries were created, moved in, closed after writing,
    /// deleted or moved out; one call may stand for several entries. removed names the entries
    /// that were deleted or moved out since the previous call (they may be back already).
    using Changed = std::function<void(const std::set<std::string>& removed)>;

    virtual ~DirectoryWatcher() = default;

    /// Starts watching folder, replacing any previous folder; false when it cannot be watched
    /// (missing, not a folder, no permission, no watch left), with the reason in lastError().
    virtual bool watch(const std::filesystem::path& folder, Changed changed) = 0;

    /// Why the last watch() failed; empty after a success.
    virtual std::string lastError() const = 0;
};

} // namespace brisa
