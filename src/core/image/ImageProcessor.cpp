// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/image/ImageProcessor.h"

#include "core/image/PngWriter.h"

#include "core/capture/ImageThumbnailer.h"
#include "core/support/Log.h"
#include "core/support/ParallelFor.h"

#include <libheif/heif.h>
#include <vips/vips.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cmath>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace brisa::ImageProcessor {
namespace {

struct Unref {
    void operator()(VipsImage* image) const { g_object_unref(image); }
};
using Image = std::unique_ptr<VipsImage, Unref>;

std::atomic<bool> heicAllowed{true};

/// Takes ownership of what a vips call wrote, or null when the call failed. out is a reference so
/// that it is read after the call in take(vips_x(in, &out), out) has written it.
Image take(int failed, VipsImage*& out)
{
    if (failed) {
        if (out)
            g_object_unref(out);
        vips_error_clear();
        return {};
    }
    return Image(out);
}

/// How the decoded image will be read: once from top to bottom (the pixels are decoded as the
/// operation goes, on libvips' threads, and never held whole), or more than once.
enum class Access { Once, Repeated };

Image open(const Bytes& data, VipsAccess access)
{
    Image image(vips_image_new_from_buffer(data.data(), data.size(), "", "access", access, nullptr));
    if (!image)
        vips_error_clear();
    return image;
}

/// The image's pixels in memory, as the segmenter takes them.
std::optional<PixelBuffer> toPixels(VipsImage* image)
{
    std::size_t length = 0;
    void* memory = vips_image_write_to_memory(image, &length);
    if (!memory) {
        vips_error_clear();
        return std::nullopt;
    }
    PixelBuffer buffer{image->Xsize, image->Ysize, image->Bands, {}};
    buffer.pixels.assign(static_cast<std::uint8_t*>(memory), static_cast<std::uint8_t*>(memory) + length);
    g_free(memory);
    return buffer;
}

/// Marks an image made by streamedPng, with its stream.
constexpr const char* kStreamKey = "brisa-png-stream";

/// Fills a strip libvips asks for from the stream, once the decoder has got that far.
int streamedRows(VipsRegion* out, void*, void* a, void*, gboolean*)
{
    auto* stream = static_cast<PngRowStream*>(a);
    const VipsRect& area = out->valid;
    if (!stream->waitForRows(area.top + area.height)) {
        vips_error("brisa", "bad image data");
        return -1;
    }
    const auto pixel = static_cast<std::size_t>(stream->bands());
    for (int y = area.top; y < area.top + area.height; ++y)
        std::memcpy(VIPS_REGION_ADDR(out, area.left, y),
                    stream->pixels() + (static_cast<std::size_t>(y) * stream->width() + area.left) * pixel,
                    static_cast<std::size_t>(area.width) * pixel);
    return 0;
}

/// A plain PNG (most clips) as an sRGB image whose rows libvips' threads take while the stream's
/// own thread is still inflating the ones below: on a 4K picture the decode, on one core, was most
/// of a resize's or a conversion's time with nothing else running beside it. data must outlive it.
Image streamedPng(const Bytes& data)
{
    auto stream = PngRowStream::start(data, ImageThumbnailer::kMaxPixels, [&data]() -> std::optional<PixelBuffer> {
        Image whole(vips_image_new_from_buffer(data.data(), data.size(), "", "access", VIPS_ACCESS_SEQUENTIAL, nullptr));
        if (!whole || whole->BandFmt != VIPS_FORMAT_UCHAR) {
            vips_error_clear();
            return std::nullopt;
        }
        return toPixels(whole.get());
    });
    if (!stream)
        return {};
    Image image(vips_image_new());
    vips_image_init_fields(image.get(), stream->width(), stream->height(), stream->bands(), VIPS_FORMAT_UCHAR,
                           VIPS_CODING_NONE, VIPS_INTERPRETATION_sRGB, 1.0, 1.0);
    if (vips_image_pipelinev(image.get(), VIPS_DEMAND_STYLE_THINSTRIP, nullptr)
        || vips_image_generate(image.get(), nullptr, streamedRows, nullptr, stream.get(), nullptr)) {
        vips_error_clear();
        return {};
    }
    // The stream lives as long as the image: images made from this one hold it.
    g_object_set_data(G_OBJECT(image.get()), kStreamKey, stream.get());
    g_signal_connect(image.get(), "postclose",
                     G_CALLBACK(+[](VipsImage*, gpointer stream) { delete static_cast<PngRowStream*>(stream); }),
                     stream.release());
    return image;
}

/// The first image (frame, page) of the bytes, upright, as 8-bit sRGB with its alpha if any.
/// Refuses what the header says is over the pixel limit before decoding a single pixel.
/// The returned image reads from data lazily: data must outlive it.
Image decode(const Bytes& data, Access access = Access::Once)
{
    if (data.empty() || !ImageThumbnailer::startImageLibrary())
        return {};
    const auto size = ImageThumbnailer::imagePixelSize(data);
    if (!size || !ImageThumbnailer::isDecodableSize(*size))
        return {};
    // Most clips are plain PNGs, decoded here in about half libpng's time.
    if (auto plain = streamedPng(data))
        return plain;
    Image image = open(data, access == Access::Once ? VIPS_ACCESS_SEQUENTIAL : VIPS_ACCESS_RANDOM);
    if (!image)
        return {};
    // Turning a picture upright reads it out of order.
    if (access == Access::Once && vips_image_get_orientation(image.get()) > 1)
        image = open(data, VIPS_ACCESS_RANDOM);
    if (!image)
        return {};
    VipsImage* out = nullptr;
    image = take(vips_autorot(image.get(), &out, nullptr), out);
    if (!image)
        return {};
    // CMYK, 16-bit, grey and palette images all become plain 8-bit RGB(A).
    if (image->Type != VIPS_INTERPRETATION_sRGB || image->BandFmt != VIPS_FORMAT_UCHAR) {
        image = take(vips_colourspace(image.get(), &out, VIPS_INTERPRETATION_sRGB, nullptr), out);
        if (!image)
            return {};
    }
    if (image->BandFmt != VIPS_FORMAT_UCHAR) {
        image = take(vips_cast_uchar(image.get(), &out, nullptr), out);
        if (!image)
            return {};
    }
    if (image->Bands > 4) {
        image = take(vips_extract_band(image.get(), &out, 0, "n", 4, nullptr), out);
        if (!image)
            return {};
    }
    return image;
}

bool hasAlpha(const VipsImage* image) { return image->Bands == 2 || image->Bands == 4; }

/// The image without alpha, transparent parts shown over white (JPEG has no alpha, and black
/// behind a cut-out would read as a broken image).
Image flattenOnWhite(VipsImage* image)
{
    VipsImage* out = nullptr;
    if (!hasAlpha(image)) {
        g_object_ref(image);
        return Image(image);
    }
    VipsArrayDouble* white = vips_array_double_newv(1, 255.0);
    const int failed = vips_flatten(image, &out, "background", white, nullptr);
    vips_area_unref(VIPS_AREA(white));
    return take(failed, out);
}

Bytes takeBuffer(void* buffer, std::size_t length)
{
    Bytes bytes(static_cast<std::uint8_t*>(buffer), static_cast<std::uint8_t*>(buffer) + length);
    g_free(buffer);
    return bytes;
}

/// Runs one of libvips' buffer savers; nullopt (and the error dropped) when it fails.
template <typename Save>
std::optional<Bytes> save(Save saveCall)
{
    void* buffer = nullptr;
    std::size_t length = 0;
    if (saveCall(&buffer, &length) || !buffer || length == 0) {
        g_free(buffer);
        vips_error_clear();
        return std::nullopt;
    }
    return takeBuffer(buffer, length);
}

/// The image's pixels in memory: the decoder's own buffer when the image is a streamed PNG's (no
/// second copy of a 4K picture's 25 MB), else computed by libvips' own threads. data is null when
/// they cannot be had.
struct Pixels {
    const std::uint8_t* data = nullptr;
    std::unique_ptr<std::uint8_t, decltype(&g_free)> owned{nullptr, &g_free};
};

Pixels toMemory(VipsImage* image)
{
    Pixels pixels;
    if (auto* stream = static_cast<PngRowStream*>(g_object_get_data(G_OBJECT(image), kStreamKey))) {
        if (stream->waitForRows(image->Ysize))
            pixels.data = stream->pixels();
        return pixels;
    }
    std::size_t length = 0;
    pixels.owned.reset(static_cast<std::uint8_t*>(vips_image_write_to_memory(image, &length)));
    if (!pixels.owned)
        vips_error_clear();
    pixels.data = pixels.owned.get();
    return pixels;
}

/// The image's ICC profile, empty for none; it lives as long as the image.
std::span<const std::uint8_t> iccProfileOf(VipsImage* image)
{
    const void* profile = nullptr;
    std::size_t length = 0;
    if (vips_image_get_typeof(image, VIPS_META_ICC_NAME)
        && vips_image_get_blob(image, VIPS_META_ICC_NAME, &profile, &length) == 0)
        return {static_cast<const std::uint8_t*>(profile), length};
    return {};
}

/// Rows of an image computed by libvips into one buffer, top to bottom, and how far it has got.
class RowsInMemory {
public:
    explicit RowsInMemory(VipsImage* image)
        : rowBytes_(VIPS_IMAGE_SIZEOF_LINE(image))
        , pixels_(new std::uint8_t[rowBytes_ * static_cast<std::size_t>(image->Ysize)])
    {
    }

    /// Computes the image on libvips' threads; rows become readable as each strip is written.
    void compute(VipsImage* image)
    {
        const bool failed = vips_sink_disc(image, &RowsInMemory::take, this) != 0;
        if (failed)
            vips_error_clear();
        std::lock_guard lock(mutex_);
        failed_ = failed;
        done_ = true;
        changed_.notify_all();
    }

    bool waitForRows(int end)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return ready_ >= end || done_; });
        return ready_ >= end && !failed_;
    }

    const std::uint8_t* pixels() const { return pixels_.get(); }

private:
    static int take(VipsRegion* region, VipsRect* area, void* a)
    {
        auto* self = static_cast<RowsInMemory*>(a);
        for (int y = area->top; y < area->top + area->height; ++y)
            std::memcpy(self->pixels_.get() + static_cast<std::size_t>(y) * self->rowBytes_,
                        VIPS_REGION_ADDR(region, area->left, y), self->rowBytes_);
        std::lock_guard lock(self->mutex_);
        self->ready_ = area->top + area->height;
        self->changed_.notify_all();
        return 0;
    }

    const std::size_t rowBytes_;
    const std::unique_ptr<std::uint8_t[]> pixels_; ///< every byte written before it is read
    std::mutex mutex_;
    std::condition_variable changed_;
    int ready_ = 0;
    bool done_ = false;
    bool failed_ = false;
};

/// PNG through the strip-parallel writer: libvips' saver deflates on one thread, which alone took
/// most of a second for a 4K picture. The strips are deflated while libvips is still computing
/// the rows below (decoding a JPEG, resampling), not after. Lossless either way; the ICC profile,
/// if any, is kept.
std::optional<Bytes> encodePng(VipsImage* image)
{
    if (image->BandFmt != VIPS_FORMAT_UCHAR || image->Bands < 1 || image->Bands > 4)
        return std::nullopt;
    RowsInMemory rows(image);
    std::optional<Bytes> png;
    {
        std::jthread writer([&] {
            png = writePng({rows.pixels(), image->Xsize, image->Ysize, image->Bands, iccProfileOf(image)}, 0,
                           [&rows](int end) { return rows.waitForRows(end); });
        });
        rows.compute(image);
    }
    return png;
}

std::optional<Bytes> encodeJpeg(VipsImage* image, std::optional<int> q)
{
    auto flat = flattenOnWhite(image);
    if (!flat)
        return std::nullopt;
    return save([&](void** b, std::size_t* l) {
        return q ? vips_jpegsave_buffer(flat.get(), b, l, "Q", *q, nullptr)
                 : vips_jpegsave_buffer(flat.get(), b, l, nullptr);
    });
}

heif_error appendTo(heif_context*, const void* data, std::size_t size, void* userData)
{
    auto* out = static_cast<Bytes*>(userData);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
    return {heif_error_Ok, heif_suberror_Unspecified, ""};
}

/// HEIC through libheif itself rather than libvips' saver: only this way can the HEVC encoder be
/// told its speed, and its default preset takes many seconds for one 4K picture.
std::optional<Bytes> encodeHeic(VipsImage* image, int q)
{
    if (!canEncodeHeic())
        return std::nullopt;
    const bool alpha = hasAlpha(image);
    const int width = image->Xsize;
    const int height = image->Ysize;
    const int bands = image->Bands;
    if (bands != 3 && bands != 4)
        return std::nullopt;
    const auto pixels = toMemory(image);
    if (!pixels.data)
        return std::nullopt;
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(), &heif_context_free);
    heif_encoder* rawEncoder = nullptr;
    if (heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &rawEncoder).code != heif_error_Ok)
        return std::nullopt;
    std::unique_ptr<heif_encoder, decltype(&heif_encoder_release)> encoder(rawEncoder, &heif_encoder_release);
    heif_encoder_set_lossy_quality(encoder.get(), q);
    // Ignored by encoders without them. The fastest preset, and the quicker of x265's mode
    // decisions: about a tenth less time on a photo for the same size and PSNR (x265 is
    // nearly all of the cost; colour conversion and copies are a few percent).
    heif_encoder_set_parameter_string(encoder.get(), "preset", "ultrafast");
    heif_encoder_set_parameter_string(encoder.get(), "x265:rd", "1");
    heif_image* rawImage = nullptr;
    if (heif_image_create(width, height, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &rawImage)
            .code
        != heif_error_Ok)
        return std::nullopt;
    std::unique_ptr<heif_image, decltype(&heif_image_release)> picture(rawImage, &heif_image_release);
    if (heif_image_add_plane(picture.get(), heif_channel_interleaved, width, height, 8).code != heif_error_Ok)
        return std::nullopt;
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(picture.get(), heif_channel_interleaved, &stride);
    if (!plane)
        return std::nullopt;
    const std::size_t row = static_cast<std::size_t>(width) * bands;
    for (int y = 0; y < height; ++y)
        std::memcpy(plane + static_cast<std::size_t>(y) * stride, pixels.data + y * row, row);
    heif_image_handle* handle = nullptr;
    if (heif_context_encode_image(context.get(), picture.get(), encoder.get(), nullptr, &handle).code != heif_error_Ok)
        return std::nullopt;
    heif_image_handle_release(handle);
    Bytes out;
    heif_writer writer{1, &appendTo};
    if (heif_context_write(context.get(), &writer, &out).code != heif_error_Ok || out.empty())
        return std::nullopt;
    return out;
}


/// vips_resize with independent scales, then cut or padded to exactly width × height (libvips
/// rounds the output size, which may be one pixel off the size asked for).
Image resizeTo(VipsImage* image, int width, int height, VipsKernel kernel)
{
    VipsImage* out = nullptr;
    const double hscale = static_cast<double>(width) / image->Xsize;
    const double vscale = static_cast<double>(height) / image->Ysize;
    Image resized = take(vips_resize(image, &out, hscale, "vscale", vscale, "kernel", kernel, nullptr), out);
    if (!resized)
        return {};
    if (resized->Xsize != width || resized->Ysize != height)
        resized = take(vips_embed(resized.get(), &out, 0, 0, width, height, "extend", VIPS_EXTEND_COPY, nullptr),
                       out);
    return resized;
}

/// 8-bit pixels in memory: 1 to 4 bands, the second or fourth alpha.
struct PixelView {
    const std::uint8_t* pixels;
    int width;
    int height;
    int bands;
};

/// The cut-out as RGBA: the mask enlarged to the picture's size by bilinear interpolation (pixel
/// centres aligned), times the picture's own alpha if it has one; colour where the result is not
/// zero, and zero colour where it is: fully transparent pixels show nothing, and long runs of zeros
/// deflate several times faster and smaller than the background's grain. One pass over the
/// picture on every core: as a chain of libvips operations (enlarge, multiply, choose, join) this
/// was a third of the whole removal's CPU time on a 4K photo.
void composeCutOut(const PixelView& picture, const PixelBuffer& mask, std::uint8_t* out)
{
    const int width = picture.width;
    const int height = picture.height;
    const int bands = picture.bands;
    const bool grey = bands < 3;
    const bool hasOwnAlpha = bands == 2 || bands == 4;
    // Where each output column samples the mask: the left neighbour and the right one's weight (0...256).
    auto sample = [](int at, int size, int maskSize, int& first, int& weight) {
        const double x = std::clamp((at + 0.5) * maskSize / size - 0.5, 0.0, static_cast<double>(maskSize - 1));
        first = std::min(static_cast<int>(x), maskSize - 1);
        weight = static_cast<int>(std::lround((x - first) * 256));
    };
    std::vector<int> columns(static_cast<std::size_t>(width)), columnWeights(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x)
        sample(x, width, mask.width, columns[x], columnWeights[x]);
    auto rows = [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            int top = 0, down = 0;
            sample(y, height, mask.height, top, down);
            const std::uint8_t* above = &mask.pixels[static_cast<std::size_t>(top) * mask.width];
            const std::uint8_t* below = top + 1 < mask.height ? above + mask.width : above;
            const std::uint8_t* in = picture.pixels + static_cast<std::size_t>(y) * width * bands;
            std::uint8_t* row = out + static_cast<std::size_t>(y) * width * 4;
            for (int x = 0; x < width; ++x, in += bands, row += 4) {
                const int left = columns[x];
                const int right = std::min(left + 1, mask.width - 1);
                const int across = columnWeights[x];
                const int upper = above[left] * (256 - across) + above[right] * across;
                const int lower = below[left] * (256 - across) + below[right] * across;
                int alpha = (upper * (256 - down) + lower * down + (1 << 15)) >> 16;
                if (hasOwnAlpha) // pixels that were already transparent stay so
                    alpha = (alpha * in[bands - 1] + 127) / 255;
                if (alpha == 0) {
                    std::memset(row, 0, 4);
                    continue;
                }
                row[0] = in[0];
                row[1] = grey ? in[0] : in[1];
                row[2] = grey ? in[0] : in[2];
                row[3] = static_cast<std::uint8_t>(alpha);
            }
        }
    };
    forEachChunk(static_cast<std::size_t>(height), 1, [&](std::size_t from, std::size_t to) {
        rows(static_cast<int>(from), static_cast<int>(to));
    });
}

} // namespace

bool canEncodeHeic()
{
    if (!heicAllowed.load() || !ImageThumbnailer::startImageLibrary())
        return false;
    static const bool present = heif_have_encoder_for_format(heif_compression_HEVC) != 0;
    return present;
}

void setHeicAllowed(bool allowed) { heicAllowed.store(allowed); }

std::optional<std::pair<Bytes, std::string>> compress(const Bytes& data, double quality)
{
    auto image = decode(data);
    if (!image)
        return std::nullopt;
    const int q = std::clamp(static_cast<int>(std::lround(quality * 100)), 1, 100);
    if (auto heic = encodeHeic(image.get(), q))
        return std::pair{std::move(*heic), std::string("heic")};
    if (auto jpeg = encodeJpeg(image.get(), q))
        return std::pair{std::move(*jpeg), std::string("jpg")};
    return std::nullopt;
}

std::optional<Bytes> resize(const Bytes& data, double scale)
{
    if (!(scale > 0 && scale <= 1))
        return std::nullopt;
    // Held whole: libvips' resampling reads rows more than once, and fed row by row from the
    // decoder it took about a fifth more CPU on a 4K picture.
    auto image = decode(data, Access::Repeated);
    if (!image)
        return std::nullopt;
    const int width = std::max(1, static_cast<int>(std::trunc(image->Xsize * scale)));
    const int height = std::max(1, static_cast<int>(std::trunc(image->Ysize * scale)));
    if (width == image->Xsize && height == image->Ysize)
        return encodePng(image.get());
    VipsImage* out = nullptr;
    const bool alpha = hasAlpha(image.get());
    // Colour under transparent pixels must not bleed into the visible edge.
    if (alpha) {
        image = take(vips_premultiply(image.get(), &out, nullptr), out);
        if (!image)
            return std::nullopt;
    }
    auto resized = resizeTo(image.get(), width, height, VIPS_KERNEL_LANCZOS3);
    if (!resized)
        return std::nullopt;
    if (alpha) {
        resized = take(vips_unpremultiply(resized.get(), &out, nullptr), out);
        if (!resized)
            return std::nullopt;
    }
    resized = take(vips_cast_uchar(resized.get(), &out, nullptr), out);
    if (!resized)
        return std::nullopt;
    resized->Type = VIPS_INTERPRETATION_sRGB;
    return encodePng(resized.get());
}

std::optional<Bytes> convert(const Bytes& data, ImageFileFormat format)
{
    // Every capture is stored as PNG already: when decoding and encoding again would give the same
    // pixels, the bytes are the answer, at the cost of one check of the file instead of a second or so.
    if (format == ImageFileFormat::Png && isPlainCompletePng(data, ImageThumbnailer::kMaxPixels))
        return data;
    auto image = decode(data);
    if (!image)
        return std::nullopt;
    switch (format) {
    case ImageFileFormat::Png: return encodePng(image.get());
    case ImageFileFormat::Jpeg: return encodeJpeg(image.get(), std::nullopt);
    case ImageFileFormat::Tiff:
        return save([&](void** b, std::size_t* l) {
            // Uncompressed, as TIFF writers do by default: deflate would cost seconds on a 4K picture.
            return vips_tiffsave_buffer(image.get(), b, l, nullptr);
        });
    }
    return std::nullopt;
}

std::optional<Bytes> removeBackground(const Bytes& data)
{
    static const auto segmenter = makeGrabCutSegmenter();
    return removeBackground(data, *segmenter);
}

std::optional<Bytes> removeBackground(const Bytes& data, const ForegroundSegmenter& segmenter)
{
    // Read twice: once for the segmenter's small copy, once for the cut-out.
    auto image = decode(data, Access::Repeated);
    if (!image)
        return std::nullopt;
    const int width = image->Xsize;
    const int height = image->Ysize;
    VipsImage* out = nullptr;
    auto rgb = flattenOnWhite(image.get());
    if (!rgb)
        return std::nullopt;
    if (rgb->Bands == 1) {
        rgb = take(vips_colourspace(rgb.get(), &out, VIPS_INTERPRETATION_sRGB, nullptr), out);
        if (!rgb)
            return std::nullopt;
    }
    // The segmenter works on a small copy: its cost grows with the pixel count, not the detail.
    const double shrink = std::min(1.0, static_cast<double>(kSegmentationMaxSide) / std::max(width, height));
    const int smallWidth = std::max(1, static_cast<int>(std::lround(width * shrink)));
    const int smallHeight = std::max(1, static_cast<int>(std::lround(height * shrink)));
    Image small = shrink < 1 ? resizeTo(rgb.get(), smallWidth, smallHeight, VIPS_KERNEL_LINEAR)
                             : Image((g_object_ref(rgb.get()), rgb.get()));
    if (!small)
        return std::nullopt;
    auto pixels = toPixels(small.get());
    if (!pixels)
        return std::nullopt;

    std::optional<PixelBuffer> mask;
    try {
        mask = segmenter.segment(*pixels);
    } catch (const std::exception& e) {
        logf("removeBackground falló: {}", e.what());
        return std::nullopt;
    }
    if (!mask || mask->bands != 1 || mask->width != smallWidth || mask->height != smallHeight
        || mask->pixels.size() != static_cast<std::size_t>(smallWidth) * smallHeight)
        return std::nullopt;
    const auto subject = std::count_if(mask->pixels.begin(), mask->pixels.end(), [](auto v) { return v >= 128; });
    const double share = static_cast<double>(subject) / static_cast<double>(mask->pixels.size());
    if (share < kMinForeground || share > kMaxForeground)
        return std::nullopt;

    if (shrink < 1) {
        // A mask made at low resolution has stair-step edges once enlarged: blur it over about
        // half a small-image pixel and interpolate, so the cut-out edge is soft instead. Blurred
        // before it is enlarged, where it costs a two-hundredth of the work.
        Image soft(vips_image_new_from_memory_copy(mask->pixels.data(), mask->pixels.size(), smallWidth,
                                                   smallHeight, 1, VIPS_FORMAT_UCHAR));
        if (!soft)
            return std::nullopt;
        soft = take(vips_gaussblur(soft.get(), &out, 0.5, "precision", VIPS_PRECISION_INTEGER, nullptr), out);
        if (!soft)
            return std::nullopt;
        mask = toPixels(soft.get());
        if (!mask || mask->bands != 1 || mask->width != smallWidth || mask->height != smallHeight)
            return std::nullopt;
    }
    const auto source = toMemory(image.get());
    if (!source.data)
        return std::nullopt;
    const int bands = image->Bands;
    // Every byte is written below: no zeroing pass over the 33 MB of a 4K cut-out first.
    const std::unique_ptr<std::uint8_t[]> cutOut(new std::uint8_t[static_cast<std::size_t>(width) * height * 4]);
    composeCutOut({source.data, width, height, bands}, *mask, cutOut.get());
    return writePng({cutOut.get(), width, height, 4, iccProfileOf(image.get())});
}

std::optional<PixelBuffer> decodeRgba(const Bytes& data)
{
    auto image = decode(data);
    if (!image)
        return std::nullopt;
    if (!hasAlpha(image.get())) {
        VipsImage* out = nullptr;
        image = take(vips_bandjoin_const1(image.get(), &out, 255.0, nullptr), out);
        if (!image)
            return std::nullopt;
    }
    if (image->Bands != 4)
        return std::nullopt;
    return toPixels(image.get());
}

} // namespace brisa::ImageProcessor
