// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/ImageThumbnailer.h"

#include "core/support/Log.h"

#include <vips/vips.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace brisa::ImageThumbnailer {
namespace {

struct ObjectUnref {
    void operator()(VipsImage* image) const { g_object_unref(image); }
};
using ImagePtr = std::unique_ptr<VipsImage, ObjectUnref>;

/// The library's last error as one short line (its buffer may hold several).
std::string takeVipsError()
{
    char* raw = vips_error_buffer_copy();
    std::string text = raw ? raw : "";
    g_free(raw);
    for (auto& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    if (text.size() > 200)
        text.resize(200);
    return text.empty() ? "formato desconocido" : text;
}

/// Header-only open: sequential access reads no pixels until someone asks for them.
ImagePtr openHeader(const Bytes& data)
{
    if (data.empty())
        return nullptr;
    return ImagePtr(vips_image_new_from_buffer(data.data(), data.size(), "", "access", VIPS_ACCESS_SEQUENTIAL,
                                               nullptr));
}

/// 8-bit sRGB with alpha: every thumbnail has the same layout whatever the source was.
ImagePtr toRgba8(ImagePtr image)
{
    VipsImage* out = nullptr;
    if (image->Type != VIPS_INTERPRETATION_sRGB) {
        if (vips_colourspace(image.get(), &out, VIPS_INTERPRETATION_sRGB, nullptr))
            return nullptr;
        image.reset(out);
    }
    if (image->BandFmt != VIPS_FORMAT_UCHAR) {
        if (vips_cast_uchar(image.get(), &out, nullptr))
            return nullptr;
        image.reset(out);
    }
    if (image->Bands == 3) {
        if (vips_bandjoin_const1(image.get(), &out, 255.0, nullptr))
            return nullptr;
        image.reset(out);
    } else if (image->Bands > 4) {
        if (vips_extract_band(image.get(), &out, 0, "n", 4, nullptr))
            return nullptr;
        image.reset(out);
    }
    return image->Bands == 4 ? std::move(image) : nullptr;
}

/// GLib's messages, the image library's warnings among them, as Brisa's own log lines (with their
/// filter and the journal) rather than bare text on stderr. Structured and classic g_log calls
/// both end up here.
GLogWriterOutput writeGLibMessage(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer)
{
    std::string domain;
    std::string message;
    for (gsize i = 0; i < count; ++i) {
        const auto* value = static_cast<const char*>(fields[i].value);
        if (!value)
            continue;
        // A length of -1 marks a NUL-terminated string.
        const auto length = fields[i].length;
        const std::string_view text =
            length < 0 ? std::string_view(value) : std::string_view(value, static_cast<std::size_t>(length));
        if (std::strcmp(fields[i].key, "GLIB_DOMAIN") == 0)
            domain = text;
        else if (std::strcmp(fields[i].key, "MESSAGE") == 0)
            message = text;
    }
    // Debug and info lines only when G_MESSAGES_DEBUG asks for them, as GLib's own writer does.
    if (g_log_writer_default_would_drop(level, domain.empty() ? nullptr : domain.c_str()))
        return G_LOG_WRITER_HANDLED;
    logf("{}: {}", domain.empty() ? "GLib" : domain, message);
    return G_LOG_WRITER_HANDLED;
}

} // namespace

bool startImageLibrary()
{
    static const bool started = [] {
        // GLib allows one writer per process; this runs once, before the library can say anything.
        g_log_set_writer_func(writeGLibMessage, nullptr, nullptr);
        if (vips_init("brisa") != 0) {
            logf("No se pudo iniciar la biblioteca de imágenes: {}", takeVipsError());
            return false;
        }
        // Loaders the library itself marks as unsafe for untrusted input stay off: clipboard bytes
        // come from any application.
        vips_block_untrusted_set(TRUE);
        // Every thumbnail is made once; a cache of past operations would only hold memory.
        vips_cache_set_max(0);
        return true;
    }();
    return started;
}

std::optional<PixelSize> imagePixelSize(const Bytes& imageData)
{
    if (!startImageLibrary())
        return std::nullopt;
    auto image = openHeader(imageData);
    if (!image) {
        vips_error_clear();
        return std::nullopt;
    }
    return PixelSize{image->Xsize, image->Ysize};
}

std::optional<Bytes> thumbnailPNG(const Bytes& imageData, double maxDimension)
{
    if (!startImageLibrary())
        return std::nullopt;
    auto header = openHeader(imageData);
    if (!header) {
        logf("Imagen no decodificable: {}", takeVipsError());
        return std::nullopt;
    }
    const PixelSize size{header->Xsize, header->Ysize};
    header.reset();
    if (!isDecodableSize(size)) {
        logf("Imagen rechazada: {} × {} píxeles supera el límite de {} megapíxeles", size.first, size.second,
             kMaxPixels / 1'000'000);
        return std::nullopt;
    }
    const auto target = thumbnailSize(size.first, size.second, maxDimension);
    if (!target)
        return std::nullopt;

    // "force" gives exactly the computed size; orientation tags are ignored so that the sides match
    // the header checked above.
    VipsImage* raw = nullptr;
    if (vips_thumbnail_buffer(const_cast<std::uint8_t*>(imageData.data()), imageData.size(), &raw,
                              target->first, "height", target->second, "size", VIPS_SIZE_FORCE, "no_rotate",
                              TRUE, nullptr)) {
        logf("Imagen no decodificable: {}", takeVipsError());
        return std::nullopt;
    }
    auto thumb = toRgba8(ImagePtr(raw));
    if (!thumb || thumb->Xsize != target->first || thumb->Ysize != target->second) {
        logf("Imagen no decodificable: {}", takeVipsError());
        return std::nullopt;
    }

    void* png = nullptr;
    std::size_t length = 0;
    // Pixels are computed here; a truncated or corrupt file fails at this point.
    if (vips_pngsave_buffer(thumb.get(), &png, &length, "strip", TRUE, nullptr)) {
        logf("Imagen no decodificable: {}", takeVipsError());
        return std::nullopt;
    }
    Bytes out(static_cast<std::uint8_t*>(png), static_cast<std::uint8_t*>(png) + length);
    g_free(png);
    return out;
}

} // namespace brisa::ImageThumbnailer
