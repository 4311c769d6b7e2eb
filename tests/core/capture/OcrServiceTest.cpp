// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/OcrService.h"
#include "core/image/ImageLibrary.h"

#include "core/capture/ImageThumbnailer.h"
#include "fakes/LogCapture.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>
#include <vips/vips.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>
#include <thread>

using namespace brisa;

namespace {

struct Unref {
    void operator()(VipsImage* i) const { g_object_unref(i); }
};
using Image = std::unique_ptr<VipsImage, Unref>;

Image take(VipsImage* raw) { return Image(raw); }

Bytes pngOf(VipsImage* image)
{
    void* buf = nullptr;
    std::size_t len = 0;
    EXPECT_EQ(vips_pngsave_buffer(image, &buf, &len, nullptr), 0) << vips_error_buffer();
    Bytes png(static_cast<std::uint8_t*>(buf), static_cast<std::uint8_t*>(buf) + len);
    g_free(buf);
    return png;
}

/// The text rendered black on white at 48 px with a margin, as a screenshot of a document looks.
/// With transparent set, black letters on a fully transparent background instead.
Bytes renderText(const std::string& text, bool transparent = false)
{
    EXPECT_TRUE(ImageThumbnailer::startImageLibrary());
    VipsImage* raw = nullptr;
    EXPECT_EQ(vips_text(&raw, text.c_str(), "font", "DejaVu Sans 48", "dpi", 72, nullptr), 0)
        << vips_error_buffer();
    Image ink = take(raw); // 0 = background, 255 = letter
    vips_embed(ink.get(), &raw, 40, 40, ink->Xsize + 80, ink->Ysize + 80, nullptr);
    Image padded = take(raw);
    if (transparent) {
        vips_black(&raw, padded->Xsize, padded->Ysize, "bands", 3, nullptr);
        Image black = take(raw);
        VipsImage* pair[2] = {black.get(), nullptr};
        vips_cast_uchar(padded.get(), &raw, nullptr);
        Image alpha = take(raw);
        pair[1] = alpha.get();
        vips_bandjoin(pair, &raw, 2, nullptr);
        Image rgba = take(raw);
        rgba->Type = VIPS_INTERPRETATION_sRGB;
        return pngOf(rgba.get());
    }
    vips_invert(padded.get(), &raw, nullptr);
    Image page = take(raw);
    return pngOf(page.get());
}

Bytes blankPage()
{
    EXPECT_TRUE(ImageThumbnailer::startImageLibrary());
    VipsImage* raw = nullptr;
    vips_black(&raw, 400, 200, nullptr);
    Image black = take(raw);
    vips_invert(black.get(), &raw, nullptr);
    Image white = take(raw);
    return pngOf(white.get());
}

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::vector<std::string> words(const std::string& s)
{
    std::istringstream in(lower(s));
    std::vector<std::string> out;
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

/// Share of the expected words found among the recognised ones: OCR may misread a letter now and then.
double wordsFound(const std::string& expected, const std::string& recognised)
{
    const auto want = words(expected);
    const auto got = words(recognised);
    const auto found = std::count_if(want.begin(), want.end(),
                                     [&](const std::string& w) { return std::find(got.begin(), got.end(), w) != got.end(); });
    return want.empty() ? 0.0 : static_cast<double>(found) / static_cast<double>(want.size());
}

std::vector<std::string> splitLines(const std::string& s)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const auto nl = s.find('\n', start);
        out.push_back(s.substr(start, nl - start));
        if (nl == std::string::npos)
            return out;
        start = nl + 1;
    }
}

const std::string kFirstLine = "La reunión de mañana empieza a las nueve";
const std::string kSecondLine = "Enviar la factura al cliente";

// ---------------------------------------------------------------------------------------------
// recognize()

TEST(OcrRecognize, ReadsASpanishSentenceOnWhiteOrDarkTextOnATransparentBackground)
{
    for (const auto& [line, transparent] : {std::pair{kFirstLine, false}, std::pair{kSecondLine, true}}) {
        const auto text = OcrService::recognize(renderText(line, transparent));
        ASSERT_TRUE(text.has_value()) << transparent;
        EXPECT_GE(wordsFound(line, *text), 0.8) << *text;
        EXPECT_EQ(text->find('\n'), std::string::npos) << *text;
    }
}

TEST(OcrRecognize, TwoLinesGiveTwoLinesSeparatedByOneLineFeed)
{
    const auto text = OcrService::recognize(renderText(kFirstLine + "\n" + kSecondLine));
    ASSERT_TRUE(text.has_value());
    const auto lines = splitLines(*text);
    ASSERT_EQ(lines.size(), 2u) << *text;
    EXPECT_GE(wordsFound(kFirstLine, lines[0]), 0.8) << lines[0];
    EXPECT_GE(wordsFound(kSecondLine, lines[1]), 0.8) << lines[1];
    for (const auto& line : lines) {
        ASSERT_FALSE(line.empty());
        EXPECT_FALSE(std::isspace(static_cast<unsigned char>(line.front()))) << line;
        EXPECT_FALSE(std::isspace(static_cast<unsigned char>(line.back()))) << line;
    }
}

TEST(OcrRecognize, BytesThatAreNotAnImageOrAnImageWithoutTextGiveNothingRatherThanAnEmptyString)
{
    for (const auto& bytes :
         {toBytes("La reunión de mañana"), Bytes{}, Bytes{0x89, 'P', 'N', 'G', '\r', '\n'}, blankPage()})
        EXPECT_EQ(OcrService::recognize(bytes), std::nullopt);
}

TEST(OcrRecognize, RefusesHugeImagesWithALogLine)
{
    // A real 8 × 8 PNG whose header, checksum included, claims 20000 × 20000.
    Bytes png = renderText("x");
    const std::uint8_t claim[8] = {0, 0, 0x4E, 0x20, 0, 0, 0x4E, 0x20};
    std::copy(std::begin(claim), std::end(claim), png.begin() + 16);
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 12; i < 29; ++i) {
        c ^= png[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    c = ~c;
    for (int i = 0; i < 4; ++i)
        png[29 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(c >> (24 - 8 * i));

    test::LogCapture log;
    EXPECT_EQ(OcrService::recognize(png), std::nullopt);
    EXPECT_TRUE(log.contains("[Brisa] OCR falló: la imagen de 20000 × 20000 píxeles supera el límite"));
}

// ---------------------------------------------------------------------------------------------
// recognizeAsync(): the result reaches the record only on the main thread, through the scheduler.

/// The store's side: records by id, updated the way the store does it.
struct Records final : RecognizedTextSink {
    std::map<Uuid, ClipItem> byId;
    int calls = 0;
    std::thread::id callThread;

    void storeRecognizedText(const Uuid& id, const std::string& text) override
    {
        ++calls;
        callThread = std::this_thread::get_id();
        auto it = byId.find(id);
        if (it == byId.end())
            return; // deleted meanwhile
        it->second.ocrText = text;
    }
};

class OcrAsync : public testing::Test {
protected:
    ClipItem addImageClip()
    {
        auto item = makeClipItem(NewClip{.type = ClipType::Image}, scheduler);
        records.byId[item.id] = item;
        return item;
    }
    /// Waits until the pool has run every submitted job.
    void finishWork() { pool.shutdown(WorkerPool::Pending::Finish); }

    test::VirtualScheduler scheduler;
    WorkerPool pool{2};
    Records records;
    OcrService service{scheduler, pool, records, linkedImageLibrary()};
};

TEST_F(OcrAsync, StoresTheTextOnTheMainThreadOnlyWhenPostedWorkRuns)
{
    Uuid id;
    {
        // The item need not outlive the call: its id is read on the caller's thread.
        const auto item = addImageClip();
        id = item.id;
        service.recognizeAsync(item, renderText(kSecondLine));
    }
    finishWork();
    EXPECT_EQ(records.calls, 0); // nothing touched the record from the worker
    EXPECT_FALSE(records.byId[id].ocrText.has_value());

    scheduler.runPosted();
    EXPECT_EQ(records.calls, 1);
    EXPECT_EQ(records.callThread, std::this_thread::get_id());
    ASSERT_TRUE(records.byId[id].ocrText.has_value());
    EXPECT_GE(wordsFound(kSecondLine, *records.byId[id].ocrText), 0.8);
}

TEST_F(OcrAsync, NonImageBytesAndImagesWithoutTextStoreNothing)
{
    test::LogCapture log;
    const auto notImage = addImageClip(), blank = addImageClip();
    service.recognizeAsync(notImage, toBytes("esto no es una imagen"));
    service.recognizeAsync(blank, blankPage());
    finishWork();
    scheduler.runPosted();
    EXPECT_EQ(records.calls, 0);
    EXPECT_FALSE(records.byId[notImage.id].ocrText.has_value());
    EXPECT_FALSE(records.byId[blank.id].ocrText.has_value());
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(OcrAsync, AClipDeletedMeanwhileIsSkippedWithoutError)
{
    test::LogCapture log;
    const auto kept = addImageClip();
    const auto deleted = addImageClip();
    service.recognizeAsync(deleted, renderText(kFirstLine));
    service.recognizeAsync(kept, renderText(kSecondLine));
    records.byId.erase(deleted.id);
    finishWork();
    scheduler.runPosted();
    EXPECT_EQ(records.calls, 2);
    EXPECT_EQ(records.byId.count(deleted.id), 0u);
    EXPECT_TRUE(records.byId[kept.id].ocrText.has_value());
    EXPECT_TRUE(log.lines().empty());
}

} // namespace
