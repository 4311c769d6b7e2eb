// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Bytes.h"
#include "core/support/Uuid.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace brisa {

class SqliteDatabase;

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

    /// What a card can show of an image clip.
    struct Picture {
        std::optional<Bytes> thumbnail;
        std::optional<std::string> imageFileName;
    };

    /// The clip's stored thumbnail and image file name; both nullopt when the clip is missing or
    /// the store cannot be read (the next call tries to open it again).
    Picture picture(const Uuid& id);
    /// picture(id).thumbnail.
    std::optional<Bytes> thumbnail(const Uuid& id) { return picture(id).thumbnail; }

private:
    bool ensureOpen();
    void close();

    std::filesystem::path storeFile_;
    std::unique_ptr<SqliteDatabase> db_;
};

} // namespace brisa
