// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Bytes.h"
#include "core/support/Uuid.h"

#include <filesystem>
#include <optional>

struct sqlite3;

namespace brisa {

/// Reads clip thumbnails through a read-only connection of its own, so that a worker thread can
/// load card images while Storage keeps the store's main connection on its thread (the store is
/// in WAL mode: readers never wait for the writer). One reader per thread.
class ThumbnailReader {
public:
    /// Nothing is opened until the first read.
    explicit ThumbnailReader(std::filesystem::path storeFile);
    ~ThumbnailReader();
    ThumbnailReader(const ThumbnailReader&) = delete;
    ThumbnailReader& operator=(const ThumbnailReader&) = delete;

    const std::filesystem::path& storeFile() const { return storeFile_; }

    /// The stored thumbnail of the clip; nullopt when the clip or its thumbnail is missing, or the
    /// store cannot be read (the next call tries to open it again).
    std::optional<Bytes> thumbnail(const Uuid& id);

private:
    bool ensureOpen();
    void close();

    std::filesystem::path storeFile_;
    sqlite3* db_ = nullptr;
};

} // namespace brisa
