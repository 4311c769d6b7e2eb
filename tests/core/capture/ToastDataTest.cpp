// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/ToastData.h"
#include "core/model/ClipDragPayload.h"
#include "core/support/Graphemes.h"

#include <gtest/gtest.h>

using namespace brisa;

namespace {

ClipItem clip(std::string_view typeRaw, std::optional<std::string> text, std::optional<std::string> image = {})
{
    ClipItem c;
    c.typeRaw = std::string(typeRaw);
    c.textContent = std::move(text);
    c.imageFileName = std::move(image);
    return c;
}

} // namespace

TEST(ToastData, TitleSymbolAndSubtitleFollowTheKind)
{
    struct Case {
        ToastData::Kind kind;
        std::string_view title, symbol;
        std::optional<std::string> subtitle;
    };
    const std::vector<Case> cases{
        {ToastData::Text{"hola"}, "Texto copiado", "doc.on.clipboard", "hola"},
        {ToastData::Text{""}, "Texto copiado", "doc.on.clipboard", std::nullopt},
        {ToastData::Text{std::nullopt}, "Texto copiado", "doc.on.clipboard", std::nullopt},
        {ToastData::Code{"int x;"}, "Código copiado", "chevron.left.forwardslash.chevron.right", "int x;"},
        {ToastData::Code{""}, "Código copiado", "chevron.left.forwardslash.chevron.right", std::nullopt},
        {ToastData::Link{"https://a.es"}, "Enlace copiado", "link", "https://a.es"},
        {ToastData::Image{}, "Imagen copiada", "photo", "Firefox"},
        {ToastData::Screenshot{}, "Captura guardada", "camera.viewfinder", "Firefox"},
        {ToastData::Color{"#FFAA00"}, "Color copiado", "paintpalette", "#FFAA00"},
        {ToastData::File{"a.pdf"}, "Archivo copiado", "doc", "a.pdf"},
        {ToastData::File{std::nullopt}, "Archivo copiado", "doc", std::nullopt},
        {ToastData::Notice{"Aviso", "Algo pasa"}, "Aviso", "bell.fill", "Algo pasa"},
    };
    for (const auto& c : cases) {
        const ToastData data{c.kind, "Firefox", std::nullopt};
        SCOPED_TRACE(std::string(c.title));
        EXPECT_EQ(data.title(), c.title);
        EXPECT_EQ(data.symbol(), c.symbol);
        EXPECT_EQ(data.subtitle(), c.subtitle);
    }
    EXPECT_EQ((ToastData{ToastData::Image{}, std::nullopt, std::nullopt}.subtitle()), std::nullopt);
}

TEST(ToastData, ThumbnailOnlyForImagesAndScreenshots)
{
    EXPECT_EQ(*ToastData{ToastData::Image{toBytes("a")}}.thumbnail(), toBytes("a"));
    EXPECT_EQ(*ToastData{ToastData::Screenshot{toBytes("b")}}.thumbnail(), toBytes("b"));
    EXPECT_EQ(ToastData{ToastData::Image{}}.thumbnail(), nullptr);
    EXPECT_EQ(ToastData{ToastData::Text{"a"}}.thumbnail(), nullptr);
}

TEST(ClipDragPayload, FromFollowsTheClipKind)
{
    struct Case {
        ClipItem item;
        std::optional<ClipDragPayload> payload;
    };
    const std::vector<Case> cases{
        {clip("image", "/x/a.png", "A.png"), ClipDragPayload::imageFile("A.png")},
        {clip("screenshot", std::nullopt, "B.png"), ClipDragPayload::imageFile("B.png")},
        {clip("image", "/x/a.png"), std::nullopt},
        {clip("image", std::nullopt, "../../etc/passwd"), std::nullopt},
        {clip("image", std::nullopt, ""), std::nullopt},
        {clip("file", "/home/ana/a.pdf"), ClipDragPayload::filePath("/home/ana/a.pdf")},
        {clip("file", ""), std::nullopt},
        {clip("file", std::nullopt), std::nullopt},
        {clip("text", "hola"), ClipDragPayload::text("hola")},
        {clip("code", "x;"), ClipDragPayload::text("x;")},
        {clip("link", "https://a.es"), ClipDragPayload::text("https://a.es")},
        {clip("color", "#FFF"), ClipDragPayload::text("#FFF")},
        {clip("text", std::nullopt), std::nullopt},
        {clip("something-new", "hola", "C.png"), ClipDragPayload::text("hola")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item.typeRaw + " " + c.item.textContent.value_or("<nil>"));
        EXPECT_EQ(ClipDragPayload::from(c.item), c.payload);
    }
}

TEST(LeadingCharacters, CountsUserPerceivedCharacters)
{
    std::string marks; // 300 combining acute accents
    for (int i = 0; i < 300; ++i)
        marks += "\xCC\x81";
    struct Case {
        std::string text;
        std::size_t count;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"hola mundo", 4, "hola"},
        {"hola", 60, "hola"},
        {"", 3, ""},
        {"abc", 0, ""},
        {"a\r\nb", 2, "a\r\n"},
        {"ñandú", 2, "ña"},
        {"e\xCC\x81" "e\xCC\x81" "x", 2, "e\xCC\x81" "e\xCC\x81"},
        {"\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD!", 1, "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD"}, // thumbs up + skin tone
        {"\xF0\x9F\x87\xAA\xF0\x9F\x87\xB8" "a", 1, "\xF0\x9F\x87\xAA\xF0\x9F\x87\xB8"}, // flag of Spain
        // Latin text is counted without ICU, up to a combining mark on the last character kept.
        {"año café", 4, "año "},
        {"cafe\xCC\x81s", 4, "cafe\xCC\x81"},
        {"\xC2\xA9\xEF\xB8\x8F x", 1, "\xC2\xA9\xEF\xB8\x8F"}, // © as an emoji
        {"e\xCC\x81" + std::string(400, ' '), 3, "e\xCC\x81  "},
        // A character longer than the head ICU walks first.
        {"x" + marks + "y", 1, "x" + marks},
        {"x" + marks, 2, "x" + marks},
    };
    for (const auto& c : cases)
        EXPECT_EQ(leadingCharacters(c.text, c.count), c.expected) << c.text;
}

TEST(LeadingCharacters, BrokenUtf8NeverCutsOutsideTheText)
{
    const std::string broken = "a\xC3\xFF\xE2\x82";
    for (std::size_t n = 0; n < 8; ++n) {
        const auto head = leadingCharacters(broken, n);
        EXPECT_LE(head.size(), broken.size());
        EXPECT_EQ(broken.compare(0, head.size(), head), 0);
    }
    EXPECT_EQ(leadingCharacters(broken, 100), broken);
}
