// SPDX-License-Identifier: GPL-3.0-or-later
// The recognition itself, over Tesseract; the service that queues it is in OcrJobs.cpp.
#include "core/capture/OcrService.h"

#include "core/capture/ImageThumbnailer.h"
#include "core/support/Log.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>
#include <vips/vips.h>

#include <cstdint>
#include <memory>
#include <string_view>

namespace brisa {
namespace {

constexpr const char* kLanguages = "spa+eng";

struct ObjectUnref {
    void operator()(VipsImage* image) const { g_object_unref(image); }
};
using ImagePtr = std::unique_ptr<VipsImage, ObjectUnref>;

/// 8-bit grey pixels, row after row, as the engine takes them.
struct GreyPixels {
    int width = 0;
    int height = 0;
    std::unique_ptr<std::uint8_t, decltype(&g_free)> data{nullptr, &g_free};
};

/// Decodes the first image of the bytes into grey pixels; transparency is laid on white, which is
/// what text cut out of a page or a window was drawn on.
std::optional<GreyPixels> decodeGrey(const Bytes& bytes)
{
    const auto size = ImageThumbnailer::imagePixelSize(bytes);
    if (!size)
        return std::nullopt; // not an image: nothing to recognise
    if (!ImageThumbnailer::isDecodableSize(*size)) {
        logf("OCR falló: la imagen de {} × {} píxeles supera el límite de {} megapíxeles", size->first,
             size->second, ImageThumbnailer::kMaxPixels / 1'000'000);
        return std::nullopt;
    }
    ImagePtr image(vips_image_new_from_buffer(bytes.data(), bytes.size(), "", "access",
                                              VIPS_ACCESS_SEQUENTIAL, nullptr));
    VipsImage* out = nullptr;
    if (image && vips_image_hasalpha(image.get())) {
        const double top = image->BandFmt == VIPS_FORMAT_USHORT ? 65535.0 : 255.0;
        VipsArrayDouble* white = vips_array_double_newv(1, top);
        const int failed = vips_flatten(image.get(), &out, "background", white, "max_alpha", top, nullptr);
        vips_area_unref(VIPS_AREA(white));
        if (failed)
            image.reset();
        else
            image.reset(out);
    }
    if (image && image->Type != VIPS_INTERPRETATION_B_W) {
        if (vips_colourspace(image.get(), &out, VIPS_INTERPRETATION_B_W, nullptr))
            image.reset();
        else
            image.reset(out);
    }
    if (image && image->Bands > 1) {
        if (vips_extract_band(image.get(), &out, 0, nullptr))
            image.reset();
        else
            image.reset(out);
    }
    if (image && image->BandFmt != VIPS_FORMAT_UCHAR) {
        if (vips_cast_uchar(image.get(), &out, nullptr))
            image.reset();
        else
            image.reset(out);
    }
    GreyPixels pixels;
    std::size_t length = 0;
    if (image)
        pixels.data.reset(static_cast<std::uint8_t*>(vips_image_write_to_memory(image.get(), &length)));
    if (!pixels.data) {
        vips_error_clear();
        return std::nullopt; // a header that decodes but pixels that do not: not a usable image
    }
    pixels.width = image->Xsize;
    pixels.height = image->Ysize;
    return pixels;
}

/// One engine per thread: loading the language data takes long, and an engine is not shared
/// between threads.
tesseract::TessBaseAPI* engine()
{
    thread_local std::unique_ptr<tesseract::TessBaseAPI> api;
    if (!api) {
        auto made = std::make_unique<tesseract::TessBaseAPI>();
        // nullptr: TESSDATA_PREFIX or the location the library was built with.
        if (made->Init(nullptr, kLanguages, tesseract::OEM_LSTM_ONLY) != 0) {
            logf("OCR falló: no se pudieron cargar los datos de idioma {}", kLanguages);
            return nullptr;
        }
        made->SetPageSegMode(tesseract::PSM_AUTO);
        // The engine's own diagnostics would go to stderr on every image.
        made->SetVariable("debug_file", "/dev/null");
        api = std::move(made);
    }
    return api.get();
}

std::string_view trimmed(std::string_view s)
{
    constexpr std::string_view space = " \t\r\n\f\v";
    const auto first = s.find_first_not_of(space);
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(space) - first + 1);
}

} // namespace

std::optional<std::string> OcrService::recognize(const Bytes& imageData)
{
    if (!ImageThumbnailer::startImageLibrary())
        return std::nullopt;
    const auto pixels = decodeGrey(imageData);
    if (!pixels)
        return std::nullopt;
    auto* api = engine();
    if (!api)
        return std::nullopt;

    api->SetImage(pixels->data.get(), pixels->width, pixels->height, 1, pixels->width);
    // Screen images carry no resolution; this is what a screen has, and it keeps the engine quiet.
    api->SetSourceResolution(96);
    if (api->Recognize(nullptr) != 0) {
        api->Clear();
        logLine("OCR falló: el reconocimiento de texto no terminó");
        return std::nullopt;
    }

    std::string text;
    std::unique_ptr<tesseract::ResultIterator> it(api->GetIterator());
    if (it) {
        do {
            std::unique_ptr<char[]> line(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
            if (!line)
                continue;
            const auto content = trimmed(line.get());
            if (content.empty())
                continue; // a line the engine found but read nothing in
            if (!text.empty())
                text += '\n';
            text += content;
        } while (it->Next(tesseract::RIL_TEXTLINE));
    }
    api->Clear();
    if (text.empty())
        return std::nullopt;
    return text;
}

} // namespace brisa
