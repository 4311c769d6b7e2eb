// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/image/PngWriter.h"

// Checksums come from libdeflate: its vectorised CRC-32 and Adler-32 take about a third of
// zlib's time over the megabytes of a large picture.
#include <isa-l/igzip_lib.h>
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <array>
#include <cstring>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

namespace brisa {
namespace {

/// Each strip starts deflate with an empty history, which costs a little size; below this much
/// raw data a strip is not worth its thread.
constexpr std::size_t kMinStripBytes = 512 * 1024;
/// Rows are filtered into a small buffer this many at a time, so no filtered copy of the whole
/// image is ever held (a 100-megapixel picture is 400 MB already).
constexpr int kRowsPerBatch = 32;
constexpr std::size_t kIdatChunkBytes = 1 << 20;
constexpr unsigned kMaxThreads = 8;
constexpr unsigned kStripsPerThreadStreamed = 4;

/// A strip's deflated bytes. Not zeroed first: the pages of room never written are never touched,
/// so room for the worst case costs no memory.
struct Deflated {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t capacity = 0;
    std::size_t size = 0;

    void reserve(std::size_t wanted)
    {
        auto more = std::unique_ptr<std::uint8_t[]>(new std::uint8_t[wanted]);
        if (size)
            std::memcpy(more.get(), bytes.get(), size);
        bytes = std::move(more);
        capacity = wanted;
    }
};

struct Strip {
    int firstRow = 0;
    int endRow = 0;
    bool last = false;
    Deflated deflated;
    uLong adler = 1;
    std::size_t filteredLength = 0;
    bool ok = false;
};

void putBigEndian(Bytes& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void putChunk(Bytes& out, std::string_view type, const std::uint8_t* data, std::size_t length)
{
    putBigEndian(out, static_cast<std::uint32_t>(length));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    if (length)
        out.insert(out.end(), data, data + length);
    const auto crc = libdeflate_crc32(0, out.data() + typeAt, 4 + length);
    putBigEndian(out, static_cast<std::uint32_t>(crc));
}

/// Appends bytes as IDAT chunks of kIdatChunkBytes, each closed with its length and CRC.
class IdatChunks {
public:
    explicit IdatChunks(Bytes& out) : out_(out) {}

    void put(const std::uint8_t* data, std::size_t length)
    {
        while (length) {
            if (!open_) {
                start_ = out_.size();
                out_.insert(out_.end(), {0, 0, 0, 0, 'I', 'D', 'A', 'T'});
                open_ = true;
            }
            const std::size_t take = std::min(length, kIdatChunkBytes - (out_.size() - start_ - 8));
            out_.insert(out_.end(), data, data + take);
            data += take;
            length -= take;
            if (out_.size() - start_ - 8 == kIdatChunkBytes)
                close();
        }
    }

    void close()
    {
        if (!open_)
            return;
        const auto length = static_cast<std::uint32_t>(out_.size() - start_ - 8);
        for (int i = 0; i < 4; ++i)
            out_[start_ + i] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
        putBigEndian(out_, static_cast<std::uint32_t>(libdeflate_crc32(0, out_.data() + start_ + 4, length + 4)));
        open_ = false;
    }

private:
    Bytes& out_;
    std::size_t start_ = 0;
    bool open_ = false;
};

/// Sub filter: each byte minus the same channel of the pixel to its left. Cheap, and on photos and
/// screenshots alike within a few percent of trying every filter per row.
void filterRow(const std::uint8_t* row, std::size_t rowBytes, int bands, std::uint8_t* out)
{
    out[0] = 1;
    const auto b = static_cast<std::size_t>(bands);
    for (std::size_t i = 0; i < b; ++i)
        out[1 + i] = row[i];
    for (std::size_t i = b; i < rowBytes; ++i)
        out[1 + i] = static_cast<std::uint8_t>(row[i] - row[i - b]);
}

/// Deflates the strip's filtered rows as raw deflate blocks with ISA-L at its level 2; all but the
/// last strip end on a sync flush (a byte boundary, no end-of-stream mark) so the strips can be
/// joined. Against zlib's level 1 it takes a third of the time on a photo and a tenth on a
/// screenshot, for output within a few percent on screenshots and up to a sixth larger on grain.
void deflateStrip(const PngPixels& image, Strip& strip)
{
    isal_zstream z;
    isal_deflate_init(&z);
    std::vector<std::uint8_t> levelBuffer(ISAL_DEF_LVL2_DEFAULT);
    z.level = 2;
    z.level_buf = levelBuffer.data();
    z.level_buf_size = static_cast<std::uint32_t>(levelBuffer.size());
    z.gzip_flag = IGZIP_DEFLATE;
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * image.bands;
    std::vector<std::uint8_t> filtered((rowBytes + 1) * kRowsPerBatch);
    const std::size_t raw = (rowBytes + 1) * static_cast<std::size_t>(strip.endRow - strip.firstRow);
    // Deflate's worst case (stored blocks) is the raw size and a few bytes per 64 KB block.
    strip.deflated.reserve(raw + raw / 1024 + 4096);
    std::size_t& written = strip.deflated.size;
    bool ok = true;
    for (int row = strip.firstRow; ok && row < strip.endRow; row += kRowsPerBatch) {
        const int rows = std::min(kRowsPerBatch, strip.endRow - row);
        for (int r = 0; r < rows; ++r)
            filterRow(image.pixels + static_cast<std::size_t>(row + r) * rowBytes, rowBytes, image.bands,
                      filtered.data() + static_cast<std::size_t>(r) * (rowBytes + 1));
        const std::size_t length = static_cast<std::size_t>(rows) * (rowBytes + 1);
        strip.adler = libdeflate_adler32(static_cast<std::uint32_t>(strip.adler), filtered.data(), length);
        strip.filteredLength += length;
        const bool end = row + rows >= strip.endRow;
        z.flush = end && !strip.last ? SYNC_FLUSH : NO_FLUSH;
        z.end_of_stream = end && strip.last ? 1 : 0;
        z.next_in = filtered.data();
        z.avail_in = static_cast<std::uint32_t>(length);
        for (;;) {
            if (written == strip.deflated.capacity)
                strip.deflated.reserve(strip.deflated.capacity * 3 / 2);
            z.next_out = strip.deflated.bytes.get() + written;
            z.avail_out = static_cast<std::uint32_t>(std::min<std::size_t>(strip.deflated.capacity - written, 1u << 30));
            if (isal_deflate(&z) != COMP_OK) {
                ok = false;
                break;
            }
            written = static_cast<std::size_t>(z.next_out - strip.deflated.bytes.get());
            // Done with this batch once all input is taken and there was room left for what it
            // flushed; the last one also once the stream is ended.
            if (z.avail_in == 0 && z.avail_out > 0 && (!z.end_of_stream || z.internal_state.state == ZSTATE_END))
                break;
        }
    }
    strip.ok = ok;
}

/// "RGB " or "GRAY" at byte 16 of an ICC header says which pixels the profile describes.
bool profileFits(std::span<const std::uint8_t> profile, int bands)
{
    if (profile.size() < 128)
        return false;
    const std::string_view space(reinterpret_cast<const char*>(profile.data()) + 16, 4);
    return bands >= 3 ? space == "RGB " : space == "GRAY";
}

Bytes iccChunkData(std::span<const std::uint8_t> profile)
{
    Bytes data{'i', 'c', 'c', 0, 0};
    uLongf length = compressBound(static_cast<uLong>(profile.size()));
    const std::size_t at = data.size();
    data.resize(at + length);
    if (compress2(data.data() + at, &length, profile.data(), static_cast<uLong>(profile.size()), 6) != Z_OK)
        return {};
    data.resize(at + length);
    return data;
}

std::uint32_t readBigEndian(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

} // namespace

namespace {

/// A plain PNG's header and where its image data lies, every chunk's CRC checked.
struct PlainPng {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int channels = 0;
    bool hasProfile = false;
    /// tRNS: a colour key that makes some pixels transparent, so the 3 bands read are not the picture.
    bool hasColourKey = false;
    std::vector<std::span<const std::uint8_t>> data; ///< the IDAT chunks' contents, in order
};

std::optional<PlainPng> parsePlainPng(std::span<const std::uint8_t> bytes, std::uint64_t maxPixels)
{
    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (bytes.size() < 8 || std::memcmp(bytes.data(), kSignature, 8) != 0)
        return std::nullopt;
    PlainPng png;
    bool idatDone = false, ended = false;
    for (std::size_t at = 8; at < bytes.size();) {
        if (ended || bytes.size() - at < 12)
            return std::nullopt; // bytes after IEND, or a chunk cut short
        const std::uint32_t length = readBigEndian(&bytes[at]);
        if (length > bytes.size() - at - 12)
            return std::nullopt;
        const std::string_view type(reinterpret_cast<const char*>(&bytes[at + 4]), 4);
        const std::uint8_t* data = &bytes[at + 8];
        if (libdeflate_crc32(0, &bytes[at + 4], std::size_t(length) + 4) != readBigEndian(data + length))
            return std::nullopt;
        if (at == 8) {
            // IHDR: 8-bit, truecolour with or without alpha, standard methods, not interlaced.
            if (type != "IHDR" || length != 13 || data[8] != 8 || (data[9] != 2 && data[9] != 6) || data[10] || data[11]
                || data[12])
                return std::nullopt;
            png.width = readBigEndian(data);
            png.height = readBigEndian(data + 4);
            png.channels = data[9] == 6 ? 4 : 3;
            if (png.width == 0 || png.height == 0 || std::uint64_t(png.width) * png.height > maxPixels)
                return std::nullopt;
        } else if (type == "IDAT") {
            if (idatDone)
                return std::nullopt; // the image data must be one run of chunks
            if (length)
                png.data.emplace_back(data, length);
        } else {
            idatDone = !png.data.empty();
            if (type == "eXIf")
                return std::nullopt;
            png.hasProfile = png.hasProfile || type == "iCCP";
            png.hasColourKey = png.hasColourKey || type == "tRNS";
            ended = type == "IEND";
        }
        at += 12 + length;
    }
    if (!ended || png.data.empty())
        return std::nullopt;
    return png;
}

/// Inflates the image data a batch of rows at a time into a buffer that stays in the cache, and
/// hands each batch, rows still filtered (each its filter byte first), to rows(firstRow, count,
/// filtered), which returns false to stop. Streaming, and fed straight from the chunks: no copy of
/// the data joined up and no inflated copy of the whole picture. False when the data does not
/// inflate to exactly the rows with its checksum right, a row's filter is unknown, or rows stopped.
template <typename Rows>
bool inflateRows(const PlainPng& png, Rows&& rows)
{
    const std::size_t rowBytes = std::size_t(png.width) * png.channels + 1;
    constexpr std::size_t kBatchBytes = 256 * 1024;
    std::vector<std::uint8_t> batch(std::max<std::size_t>(1, kBatchBytes / rowBytes) * rowBytes);
    inflate_state state;
    isal_inflate_init(&state);
    state.crc_flag = ISAL_ZLIB;
    std::size_t chunk = 0, filled = 0;
    std::uint32_t row = 0;
    auto deliver = [&] {
        const std::size_t count = filled / rowBytes;
        if (count > png.height - row)
            return false; // more data than rows
        for (std::size_t r = 0; r < count; ++r)
            if (batch[r * rowBytes] > 4)
                return false;
        if (count && !rows(row, count, batch.data()))
            return false;
        row += static_cast<std::uint32_t>(count);
        const std::size_t rest = filled - count * rowBytes;
        std::memmove(batch.data(), batch.data() + count * rowBytes, rest);
        filled = rest;
        return true;
    };
    while (state.block_state != ISAL_BLOCK_FINISH) {
        while (state.avail_in == 0 && chunk < png.data.size()) {
            state.next_in = const_cast<std::uint8_t*>(png.data[chunk].data());
            state.avail_in = static_cast<std::uint32_t>(png.data[chunk].size());
            ++chunk;
        }
        const std::uint32_t inBefore = state.avail_in;
        state.next_out = batch.data() + filled;
        state.avail_out = static_cast<std::uint32_t>(batch.size() - filled);
        if (isal_inflate(&state) != ISAL_DECOMP_OK)
            return false;
        const std::size_t made = batch.size() - filled - state.avail_out;
        filled += made;
        if ((filled == batch.size() || state.block_state == ISAL_BLOCK_FINISH) && !deliver())
            return false;
        if (made == 0 && state.avail_in == inBefore && chunk == png.data.size()
            && state.block_state != ISAL_BLOCK_FINISH)
            return false; // the data ends before the stream does
    }
    return row == png.height && filled == 0;
}

std::uint8_t paeth(int a, int b, int c)
{
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return static_cast<std::uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

/// Undoes one row's filter: in is the filtered row after its filter byte, up the row above
/// (already unfiltered; zeros for the first). out may start before in, over the same buffer: each
/// byte is read before any write reaches it.
void unfilterRow(std::uint8_t filter, const std::uint8_t* in, const std::uint8_t* up, std::uint8_t* out,
                 std::size_t width, std::size_t b)
{
    switch (filter) {
    case 0:
        std::memmove(out, in, width);
        break;
    case 1:
        for (std::size_t i = 0; i < b; ++i)
            out[i] = in[i];
        for (std::size_t i = b; i < width; ++i)
            out[i] = static_cast<std::uint8_t>(in[i] + out[i - b]);
        break;
    case 2:
        for (std::size_t i = 0; i < width; ++i)
            out[i] = static_cast<std::uint8_t>(in[i] + up[i]);
        break;
    case 3:
        for (std::size_t i = 0; i < width; ++i)
            out[i] = static_cast<std::uint8_t>(in[i] + ((i >= b ? out[i - b] : 0) + up[i]) / 2);
        break;
    default:
        for (std::size_t i = 0; i < width; ++i) {
            const bool left = i >= b;
            out[i] = static_cast<std::uint8_t>(in[i] + paeth(left ? out[i - b] : 0, up[i], left ? up[i - b] : 0));
        }
    }
}

/// Unfilters a batch from inflateRows into pixels (rows of width × channels bytes, no filter bytes).
void unfilterRows(const PlainPng& png, std::uint32_t firstRow, std::size_t count, const std::uint8_t* filtered,
                  std::uint8_t* pixels, const std::uint8_t* zeros)
{
    const std::size_t width = std::size_t(png.width) * png.channels;
    for (std::size_t r = 0; r < count; ++r) {
        const std::size_t y = firstRow + r;
        const std::uint8_t* in = filtered + r * (width + 1);
        std::uint8_t* out = pixels + y * width;
        unfilterRow(in[0], in + 1, y ? out - width : zeros, out, width, std::size_t(png.channels));
    }
}

} // namespace

bool isPlainCompletePng(std::span<const std::uint8_t> bytes, std::uint64_t maxPixels)
{
    const auto png = parsePlainPng(bytes, maxPixels);
    return png && inflateRows(*png, [](std::uint32_t, std::size_t, const std::uint8_t*) { return true; });
}

std::optional<PixelBuffer> decodePlainPng(std::span<const std::uint8_t> bytes, std::uint64_t maxPixels)
{
    const auto png = parsePlainPng(bytes, maxPixels);
    if (!png || png->hasProfile || png->hasColourKey)
        return std::nullopt;
    PixelBuffer out{int(png->width), int(png->height), png->channels, {}};
    out.pixels.resize(std::size_t(png->width) * png->height * png->channels);
    const Bytes zeros(std::size_t(png->width) * png->channels, 0);
    if (!inflateRows(*png, [&](std::uint32_t first, std::size_t count, const std::uint8_t* filtered) {
            unfilterRows(*png, first, count, filtered, out.pixels.data(), zeros.data());
            return true;
        }))
        return std::nullopt;
    return out;
}

struct PngRowStream::Layout : PlainPng {};

std::unique_ptr<PngRowStream> PngRowStream::start(std::span<const std::uint8_t> bytes, std::uint64_t maxPixels,
                                                  Fallback fallback)
{
    auto png = parsePlainPng(bytes, maxPixels);
    if (!png || png->hasProfile || png->hasColourKey)
        return nullptr;
    return std::unique_ptr<PngRowStream>(new PngRowStream(Layout{std::move(*png)}, std::move(fallback)));
}

PngRowStream::PngRowStream(Layout layout, Fallback fallback)
    : layout_(std::make_unique<Layout>(std::move(layout)))
    , fallback_(std::move(fallback))
    , size_(std::size_t(layout_->width) * layout_->height * layout_->channels)
    , pixels_(new std::uint8_t[size_])
    , thread_([this](std::stop_token stop) { run(stop); })
{
}

PngRowStream::~PngRowStream()
{
    thread_.request_stop();
    thread_.join();
}

int PngRowStream::width() const { return int(layout_->width); }
int PngRowStream::height() const { return int(layout_->height); }
int PngRowStream::bands() const { return layout_->channels; }

bool PngRowStream::waitForRows(int end)
{
    std::unique_lock lock(mutex_);
    rowsChanged_.wait(lock, [&] { return ready_ >= end || failed_; });
    return ready_ >= end;
}

void PngRowStream::publish(int ready, bool failed)
{
    {
        std::lock_guard lock(mutex_);
        ready_ = ready;
        failed_ = failed;
    }
    rowsChanged_.notify_all();
}

void PngRowStream::run(std::stop_token stop)
{
    const PlainPng& png = *layout_;
    const Bytes zeros(std::size_t(png.width) * png.channels, 0);
    int done = 0;
    const bool whole = inflateRows(png, [&](std::uint32_t first, std::size_t count, const std::uint8_t* filtered) {
        if (stop.stop_requested())
            return false;
        unfilterRows(png, first, count, filtered, pixels_.get(), zeros.data());
        done = int(first + count);
        publish(done, false);
        return true;
    });
    if (whole || stop.stop_requested()) {
        if (!whole)
            publish(done, true);
        return;
    }
    // Bad data part way: the rows given out stay as they are (the fallback decodes them the same),
    // the rest come from the fallback, or none do.
    const auto rest = fallback_ ? fallback_() : std::nullopt;
    if (!rest || rest->width != width() || rest->height != height() || rest->bands != bands()
        || rest->pixels.size() != size_) {
        publish(done, true);
        return;
    }
    const std::size_t rowBytes = std::size_t(png.width) * png.channels;
    std::memcpy(pixels_.get() + done * rowBytes, rest->pixels.data() + done * rowBytes,
                rest->pixels.size() - done * rowBytes);
    publish(height(), false);
}

std::optional<Bytes> writePng(const PngPixels& image, unsigned threads, const WaitForRows& waitForRows)
{
    if (!image.pixels || image.width <= 0 || image.height <= 0 || image.bands < 1 || image.bands > 4)
        return std::nullopt;
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * image.bands;
    const std::size_t rawBytes = rowBytes * static_cast<std::size_t>(image.height);
    if (threads == 0)
        threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads);
    const auto byBytes = std::max<std::size_t>(1, rawBytes / kMinStripBytes);
    // Rows still arriving: more strips than threads, taken in order, so that deflating keeps up
    // with the producer instead of starting only once half the picture is there.
    const bool streamed = static_cast<bool>(waitForRows);
    const std::size_t wanted = streamed ? std::size_t(threads) * kStripsPerThreadStreamed : threads;
    const auto count = static_cast<int>(std::min<std::size_t>({wanted, byBytes, static_cast<std::size_t>(image.height)}));

    std::vector<Strip> strips(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        strips[i].firstRow = static_cast<int>(static_cast<long long>(image.height) * i / count);
        strips[i].endRow = static_cast<int>(static_cast<long long>(image.height) * (i + 1) / count);
        strips[i].last = i == count - 1;
    }
    {
        std::atomic<int> next{0};
        auto work = [&] {
            for (int i = next++; i < count; i = next++)
                if (!streamed || waitForRows(strips[i].endRow))
                    deflateStrip(image, strips[i]);
        };
        std::vector<std::jthread> helpers;
        for (int i = 1; i < std::min(count, static_cast<int>(threads)); ++i)
            helpers.emplace_back(work);
        work();
    }
    std::size_t deflatedBytes = 0;
    for (const auto& s : strips) {
        if (!s.ok)
            return std::nullopt;
        deflatedBytes += s.deflated.size;
    }

    static constexpr std::array<std::uint8_t, 4> kColourTypes{0, 4, 2, 6};
    Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    const std::size_t streamBytes = 2 + deflatedBytes + 4;
    out.reserve(streamBytes + streamBytes / kIdatChunkBytes * 12 + 1024 + image.iccProfile.size());
    Bytes header;
    putBigEndian(header, static_cast<std::uint32_t>(image.width));
    putBigEndian(header, static_cast<std::uint32_t>(image.height));
    header.insert(header.end(), {8, kColourTypes[image.bands - 1], 0, 0, 0});
    putChunk(out, "IHDR", header.data(), header.size());
    if (profileFits(image.iccProfile, image.bands))
        if (const auto icc = iccChunkData(image.iccProfile); !icc.empty())
            putChunk(out, "iCCP", icc.data(), icc.size());

    // One zlib stream (the header of a fastest-level stream, the strips, the Adler-32 of it all)
    // cut into IDAT chunks as it is copied in, with no joined copy of it first.
    IdatChunks idat(out);
    static constexpr std::uint8_t kZlibHeader[2] = {0x78, 0x01};
    idat.put(kZlibHeader, 2);
    uLong adler = 1;
    for (auto& s : strips) {
        idat.put(s.deflated.bytes.get(), s.deflated.size);
        s.deflated = {};
        adler = adler32_combine(adler, s.adler, static_cast<z_off_t>(s.filteredLength));
    }
    Bytes check;
    putBigEndian(check, static_cast<std::uint32_t>(adler));
    idat.put(check.data(), check.size());
    idat.close();
    putChunk(out, "IEND", nullptr, 0);
    return out;
}

} // namespace brisa
