// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/store/Storage.h"

#include <filesystem>
#include <functional>

namespace brisa {

/// Reads every record's searched fields through a read-only connection of its own, so that a
/// worker thread can fill a search column while Storage keeps the store's main connection on its
/// thread (the store is in WAL mode: the read sees one consistent state and never waits for the
/// writer). One reader per thread.
class SearchRowReader {
public:
    explicit SearchRowReader(std::filesystem::path storeFile);

    /// Hands every record's searched fields to f, in no particular order; false (and a log line)
    /// when the store cannot be read.
    bool forEach(const std::function<void(const Storage::SearchRow&)>& f) const;

private:
    std::filesystem::path storeFile_;
};

} // namespace brisa
