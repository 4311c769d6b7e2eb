// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipItem.h"
#include "core/support/Bytes.h"
#include "core/support/Clock.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace brisa {

class Storage;

/// The history as text, one clip per line of JSON: the record's fields under their column names
/// (times in Unix seconds, the thumbnail as base64 in "thumbnailData"), and an image clip's PNG
/// either inline as base64 ("imageData") or as a file named by "imageFile", a path relative to
/// the folder of the export file.
struct ClipLine {
    ClipItem item;
    std::optional<Bytes> imageData;
    std::optional<std::string> imageFile;
};

std::string base64Encode(std::span<const std::uint8_t> bytes);
/// Standard alphabet with padding, in its one canonical form; anything else (line breaks, stray
/// bits in the last digit) is refused (nullopt).
std::optional<Bytes> base64Decode(std::string_view text);

/// One line of JSON, without its line break. Text that is not UTF-8 has its bad bytes replaced.
std::string formatClipLine(const ClipLine& line);
/// The clip of one line, or a message (in Spanish) saying what is wrong with it. A line without
/// "id" gets a fresh one; "typeRaw" and "createdAt" are required; every other field may be left out.
std::variant<ClipLine, std::string> parseClipLine(std::string_view text);

/// Which clips an export writes and how.
struct ExportOptions {
    std::optional<TimePoint> since{};  ///< only clips created at or after this
    std::vector<std::string> kinds{};  ///< only these raw kinds; empty = all
    /// When set, images are copied into this folder and lines name them relative to imagesBase
    /// (the export file's folder); otherwise they go inline as base64.
    std::optional<std::filesystem::path> imagesDir{};
    std::filesystem::path imagesBase{};
};

struct ExportReport {
    std::size_t clips = 0;
    std::size_t images = 0;
    std::size_t missingImages = 0; ///< image clips whose file was gone: exported without it
    std::optional<std::string> error; ///< the output could not be written
};

/// Writes the store's clips, oldest first, as lines to out.
ExportReport exportClipLines(Storage& storage, std::ostream& out, const ExportOptions& options);

struct ImportProgress {
    std::size_t lines = 0;
    std::size_t imported = 0;
    std::size_t duplicates = 0;
    std::size_t refused = 0;
};

struct ImportOptions {
    /// Where "imageFile" paths are looked up (the export file's folder).
    std::filesystem::path imagesBase{};
    /// Clips stored per transaction: the larger, the fewer times each index page of a large
    /// store is written again (random ids and hashes touch most of them in every batch), and the
    /// longer other writers wait for the store (about a second at 50,000). A batch also ends at
    /// batchBytes of clip data (images, mostly), and whenever the input keeps the import waiting
    /// (more than a tenth of a second).
    std::size_t batchSize = 50000;
    std::size_t batchBytes = 64u << 20;
    /// Every 10,000 lines read, and once at the end, on the calling thread.
    std::function<void(const ImportProgress&)> onProgress{};
    /// Asked between lines, on the calling thread; true stops the import after storing what was read.
    std::function<bool()> stopRequested{};
};

struct ImportReport : ImportProgress {
    std::vector<std::string> problems; ///< "línea N: ..." for refused lines (the first 20)
    std::size_t missingImages = 0;     ///< image clips stored without their image
    bool stopped = false;              ///< stopRequested said so
    bool storeFailed = false;          ///< a batch could not be stored (nothing of it was kept)
};

/// Reads lines from in and stores their clips in batches, the storing on a thread of its own
/// that has the Storage to itself until the import returns (the store's change signal fires there). A clip whose id or content hash the
/// store already has is skipped; a line that does not parse is refused and reported. Each batch
/// is one transaction, its images written before its records, so a stop at any point leaves
/// whole clips only (an image without a record is removed at a later start).
ImportReport importClipLines(Storage& storage, std::istream& in, const ImportOptions& options);

} // namespace brisa
