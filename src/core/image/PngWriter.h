// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/image/ForegroundSegmenter.h"
#include "core/support/Bytes.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

namespace brisa {

/// 8-bit pixels in memory to be written as PNG: rows top to bottom without padding, 1 (grey),
/// 2 (grey and alpha), 3 (RGB) or 4 (RGBA) bands.
struct PngPixels {
    const std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int bands = 0;
    /// An ICC profile to embed; empty for none. A profile whose colour space does not match the
    /// bands (a CMYK profile left on pixels already turned into RGB) is left out.
    std::span<const std::uint8_t> iccProfile;
};

/// Given when the rows are still being written, top to bottom: waits until rows [0, end) are
/// there, false when they never will be.
using WaitForRows = std::function<bool(int end)>;

/// Writes a lossless, non-interlaced PNG quickly: every row gets the Sub filter, and the rows are
/// cut into strips deflated by ISA-L's fast deflate on up to `threads` threads and joined into the
/// one zlib stream the format wants. nullopt for a shape it cannot write, when deflate fails or when
/// rows waited for never come. threads == 0: one per core, at most 8. With waitForRows the strips
/// are deflated as their rows arrive, beside whatever writes them.
std::optional<Bytes> writePng(const PngPixels& image, unsigned threads = 0, const WaitForRows& waitForRows = {});

/// Whether bytes are a whole, sound 8-bit RGB or RGBA PNG that needs no decoding to be taken as it
/// is: every chunk's CRC right, the image data inflating to exactly its rows with valid filters,
/// not interlaced, no orientation (eXIf) to apply, at most maxPixels pixels.
bool isPlainCompletePng(std::span<const std::uint8_t> bytes, std::uint64_t maxPixels);

/// The pixels of such a PNG (3 or 4 bands) when it carries no ICC profile and no transparent colour
/// (tRNS) either; nullopt for any other, which a general decoder has to read. About twice as fast
/// as libpng on a 4K picture.
std::optional<PixelBuffer> decodePlainPng(std::span<const std::uint8_t> bytes, std::uint64_t maxPixels);

/// A PNG that decodePlainPng takes, decoded on a thread of its own into one buffer, its rows
/// readable top to bottom as they are done: the work on the top of a large picture runs beside the
/// inflating of the rest, which on one core alone is most of a simple operation's time. Should the
/// image data prove bad part way, the rows not yet given out come from the fallback (the general
/// decoder reading the same bytes), so that readers see what a decode of the whole would give.
class PngRowStream {
public:
    using Fallback = std::function<std::optional<PixelBuffer>()>;

    /// nullptr for bytes that are not such a PNG (the header, chunks and checksums are checked
    /// first). The bytes must outlive the stream; the fallback runs on the stream's thread.
    static std::unique_ptr<PngRowStream> start(std::span<const std::uint8_t> bytes, std::uint64_t maxPixels,
                                               Fallback fallback);
    /// Stops the decoding where it is.
    ~PngRowStream();
    PngRowStream(const PngRowStream&) = delete;
    PngRowStream& operator=(const PngRowStream&) = delete;

    int width() const;
    int height() const;
    /// 3 (RGB) or 4 (RGBA).
    int bands() const;
    /// Waits until rows [0, end) are final; false when neither decoder could give them.
    bool waitForRows(int end);
    /// Rows top to bottom, width × bands bytes each; only rows waited for may be read.
    const std::uint8_t* pixels() const { return pixels_.get(); }

private:
    struct Layout;
    PngRowStream(Layout layout, Fallback fallback);
    void run(std::stop_token stop);
    void publish(int ready, bool failed);

    std::unique_ptr<Layout> layout_;
    Fallback fallback_;
    const std::size_t size_;
    /// Not zeroed: the decoder's thread touches each page first, as it writes it.
    const std::unique_ptr<std::uint8_t[]> pixels_;
    std::mutex mutex_;
    std::condition_variable rowsChanged_;
    int ready_ = 0;
    bool failed_ = false;
    std::jthread thread_; ///< last: started once everything it uses is
};

} // namespace brisa
