// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/ClipboardTypeDetector.h"
#include "core/support/Utf8.h"
#include "fakes/LogCapture.h"
#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace brisa;
namespace Detector = brisa::ClipboardTypeDetector;

namespace {

const std::string kPngMagic = "\x89PNG\r\n\x1A\n";

/// "Decodes" bytes that start with "IMG:" into kPngMagic + the rest; everything else fails.
class FakeCodec : public ImageCodec {
public:
    std::optional<Bytes> toPng(const Bytes& encoded) const override
    {
        inputs.push_back(toString(encoded));
        const std::string text = toString(encoded);
        if (!text.starts_with("IMG:"))
            return std::nullopt;
        return toBytes(kPngMagic + text.substr(4));
    }
    mutable std::vector<std::string> inputs;
};

ClipboardSnapshot snapshot(std::vector<std::pair<std::string, std::string>> targets)
{
    ClipboardSnapshot s;
    s.types.emplace();
    for (auto& [type, data] : targets) {
        s.types->push_back(type);
        s.contents[type] = toBytes(data);
    }
    return s;
}

ClipboardSnapshot text(const std::string& s) { return snapshot({{"UTF8_STRING", s}}); }

using test::writeFile;

std::string fileUri(const std::filesystem::path& path) { return "file://" + path.string(); }

// ---------------------------------------------------------------------------------------------- privacy

TEST(ClipboardTypeDetectorPrivacy, MarkersAndASecretPasswordHintMakeTheChangeSensitive)
{
    for (auto marker : Detector::privacyMarkers)
        EXPECT_TRUE(Detector::isSensitive(snapshot({{"UTF8_STRING", "hola"}, {std::string(marker), ""}}))) << marker;
    EXPECT_TRUE(Detector::isSensitive(snapshot({{"org.nspasteboard.TransientType", ""}, {"text/plain", "x"}})));
    EXPECT_TRUE(Detector::isSensitive(snapshot({{"UTF8_STRING", "pw"}, {"x-kde-passwordManagerHint", "secret"}})));
    EXPECT_TRUE(Detector::isSensitive(snapshot({{"x-kde-passwordManagerHint", std::string("secret\0", 7)}})));
    EXPECT_FALSE(Detector::isSensitive(snapshot({{"UTF8_STRING", "pw"}, {"x-kde-passwordManagerHint", "public"}})));
    EXPECT_FALSE(Detector::isSensitive(text("hola")));

    // Offered but not read: cannot be ruled out, so it is kept out of the history.
    ClipboardSnapshot unread = text("pw");
    unread.types->push_back("x-kde-passwordManagerHint");
    EXPECT_TRUE(Detector::isSensitive(unread));

    ClipboardSnapshot noList;
    noList.contents["org.nspasteboard.ConcealedType"] = {};
    EXPECT_FALSE(Detector::isSensitive(noList));
}

// ---------------------------------------------------------------------------------------------- files

TEST(ClipboardTypeDetectorFiles, UpperCaseJpegFileBecomesImageClipWithItsPath)
{
    test::TempDir dir;
    const auto path = dir / "Foto de playa.JPG";
    writeFile(path, "IMG:jpeg");
    FakeCodec codec;
    std::string uri = "file://" + dir.path().string() + "/Foto%20de%20playa.JPG";

    const auto clip = Detector::detect(snapshot({{"text/uri-list", uri + "\r\n"}}), codec);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->type, ClipType::Image);
    EXPECT_EQ(clip->textContent, path.string());
    EXPECT_EQ(clip->imageData, toBytes(kPngMagic + "jpeg"));
    EXPECT_EQ(clip->byteSize, static_cast<std::int64_t>(kPngMagic.size() + 4));
}

TEST(ClipboardTypeDetectorFiles, PngFileBytesAreKeptUnchangedAMislabelledOneIsConverted)
{
    test::TempDir dir;
    const std::string png = kPngMagic + std::string("\0\0\0\rIHDR", 8) + "rest";
    writeFile(dir / "captura.png", png);
    writeFile(dir / "realmente-jpeg.png", "IMG:jpeg");
    FakeCodec codec;

    const auto clip = Detector::detect(snapshot({{"text/uri-list", fileUri(dir / "captura.png")}}), codec);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->type, ClipType::Image);
    EXPECT_EQ(clip->imageData, toBytes(png));
    EXPECT_TRUE(codec.inputs.empty());
    EXPECT_EQ(Detector::imagePNG(dir / "realmente-jpeg.png", codec), toBytes(kPngMagic + "jpeg")) << "images stay PNG";
}

TEST(ClipboardTypeDetectorFiles, PdfFileIsAFileClipSizedByItsPath)
{
    test::TempDir dir;
    const auto path = dir / "informe año.pdf";
    writeFile(path, "%PDF-1.7");
    FakeCodec codec;

    const auto clip = Detector::detect(
        snapshot({{"text/uri-list", "# copiado\n" + fileUri(path) + "\nfile:///otro.pdf\n"}}), codec);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->type, ClipType::File);
    EXPECT_EQ(clip->textContent, path.string());
    EXPECT_FALSE(clip->imageData);
    EXPECT_EQ(clip->byteSize, static_cast<std::int64_t>(path.string().size()));
}

TEST(ClipboardTypeDetectorFiles, UndecodableImageOrUnreadableFileFallsBackToFileClip)
{
    test::TempDir dir;
    FakeCodec codec;
    writeFile(dir / "roto.webp", "not an image");
    std::filesystem::create_directory(dir / "carpeta.png");

    for (const auto& path : {dir / "roto.webp", dir / "falta.gif", dir / "carpeta.png"}) {
        const auto clip = Detector::detect(snapshot({{"text/uri-list", fileUri(path)}}), codec);
        ASSERT_TRUE(clip);
        EXPECT_EQ(clip->type, ClipType::File) << path;
        EXPECT_EQ(clip->textContent, path.string());
    }
}

TEST(ClipboardTypeDetectorFiles, OversizedImageFileIsNotReadAndIsLogged)
{
    test::TempDir dir;
    const auto path = dir / "enorme.jpg";
    writeFile(path, "IMG:");
    std::filesystem::resize_file(path, Detector::maxImageFileBytes + 1);
    FakeCodec codec;
    test::LogCapture log;

    EXPECT_EQ(Detector::imagePNG(path, codec), std::nullopt);
    EXPECT_TRUE(codec.inputs.empty());
    EXPECT_TRUE(log.contains("demasiado grande"));
}

TEST(ClipboardTypeDetectorFiles, GnomeCopiedFilesListsTheFilesAfterTheOperation)
{
    FakeCodec codec;
    const auto clip = Detector::detect(
        snapshot({{"x-special/gnome-copied-files", "cut\nfile:///home/ana/notas.txt\nfile:///home/ana/b.txt"}}), codec);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->type, ClipType::File);
    EXPECT_EQ(clip->textContent, "/home/ana/notas.txt");

    EXPECT_TRUE(Detector::filePaths(snapshot({{"x-special/gnome-copied-files", "file:///a.txt"}})).empty());
}

TEST(ClipboardTypeDetectorFiles, OnlyLocalFileUrisCount)
{
    EXPECT_EQ(Detector::filePaths(snapshot({{"text/uri-list", "https://a.org/x.png\nsftp://h/x\nFILE://localhost/"
                                                                "tmp/a%23b.txt\nfile:///c"}})),
              (std::vector<std::string>{"/tmp/a#b.txt", "/c"}));
}

struct UriCase {
    std::string uri;
    std::optional<std::string> path;
};

class FilePathFromUri : public testing::TestWithParam<UriCase> {};

TEST_P(FilePathFromUri, DecodesLocalPathsAndRefusesTheRest)
{
    EXPECT_EQ(Detector::filePathFromUri(GetParam().uri), GetParam().path) << GetParam().uri;
}

INSTANTIATE_TEST_SUITE_P(
    Uris, FilePathFromUri,
    testing::Values(UriCase{"file:///home/ana/a%C3%B1o.txt", "/home/ana/año.txt"},
                    UriCase{"file://localhost/tmp/x", "/tmp/x"}, UriCase{"file:///tmp/x?q#f", "/tmp/x"},
                    UriCase{"file:///tmp/con espacio", "/tmp/con espacio"}, UriCase{"file://otro/tmp/x", std::nullopt},
                    UriCase{"file:/tmp/x", std::nullopt}, UriCase{"file://", std::nullopt},
                    UriCase{"file:///tmp/%00x", std::nullopt}, UriCase{"file:///tmp/%zz", std::nullopt},
                    UriCase{"file:///tmp/%4", std::nullopt}, UriCase{"file:///tmp/%FF", std::nullopt},
                    UriCase{"file:///tmp/a\tb", std::nullopt}, UriCase{"http:///tmp/x", std::nullopt}));

// ---------------------------------------------------------------------------------------------- images

TEST(ClipboardTypeDetectorImages, PngTargetIsReturnedUnchanged)
{
    FakeCodec codec;
    const std::string png = kPngMagic + "pixels";
    const auto clip = Detector::detect(snapshot({{"image/png", png}, {"UTF8_STRING", "alt"}}), codec);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->type, ClipType::Image);
    EXPECT_FALSE(clip->textContent);
    EXPECT_EQ(clip->imageData, toBytes(png));
    EXPECT_EQ(clip->byteSize, static_cast<std::int64_t>(png.size()));
    EXPECT_TRUE(codec.inputs.empty());
}

TEST(ClipboardTypeDetectorImages, OtherFormatsAreConvertedInOrderAndFailuresFallThrough)
{
    FakeCodec codec;
    const auto png = Detector::imageData(
        snapshot({{"image/gif", "IMG:gif"}, {"image/jpeg", "IMG:jpeg"}, {"image/tiff", "broken tiff"}}), codec);
    EXPECT_EQ(png, toBytes(kPngMagic + "jpeg"));
    EXPECT_EQ(codec.inputs, (std::vector<std::string>{"broken tiff", "IMG:jpeg"}));
}

TEST(ClipboardTypeDetectorImages, NoUsableImageFallsThroughToText)
{
    FakeCodec codec;
    const auto clip = Detector::detect(snapshot({{"image/png", ""}, {"image/bmp", "junk"}, {"UTF8_STRING", "hola"}}),
                                       codec);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->type, ClipType::Text);
}

// ---------------------------------------------------------------------------------------------- text

struct TextCase {
    std::string input;
    ClipType type;
    std::string textContent;
};

class DetectText : public testing::TestWithParam<TextCase> {};

TEST_P(DetectText, ClassifiesTheString)
{
    FakeCodec codec;
    const auto clip = Detector::detect(text(GetParam().input), codec);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->type, GetParam().type) << GetParam().input;
    EXPECT_EQ(clip->textContent, GetParam().textContent);
    EXPECT_EQ(clip->byteSize, static_cast<std::int64_t>(GetParam().input.size())) << "UTF-8 bytes, untrimmed";
    EXPECT_FALSE(clip->imageData);
}

INSTANTIATE_TEST_SUITE_P(
    Strings, DetectText,
    testing::Values(TextCase{"  https://example.org/a?b=1#c \n", ClipType::Link, "https://example.org/a?b=1#c"},
                    TextCase{"https://example.org/a b", ClipType::Text, "https://example.org/a b"},
                    TextCase{"#1e90ff", ClipType::Color, "#1e90ff"},
                    TextCase{"\xE2\x80\x83rgb(0, 0, 0)\xC2\xA0", ClipType::Color, "rgb(0, 0, 0)"},
                    TextCase{"example.org", ClipType::Text, "example.org"},
                    TextCase{"let x = 5", ClipType::Text, "let x = 5"},
                    TextCase{"let x = 5\nprint(x)", ClipType::Code, "let x = 5\nprint(x)"},
                    TextCase{"a (b)\nc [d]", ClipType::Code, "a (b)\nc [d]"},
                    TextCase{"a (b)\nc d", ClipType::Text, "a (b)\nc d"},
                    TextCase{" ñ ", ClipType::Text, " ñ "}, TextCase{"", ClipType::Text, ""}));

TEST(ClipboardTypeDetectorText, PrefersUtf8TargetsAndRecordsNothingWithoutText)
{
    FakeCodec codec;
    auto clip = Detector::detect(
        snapshot({{"text/plain", "plano"}, {"UTF8_STRING", "utf8"}, {"text/plain;charset=UTF-8", "mime"}}), codec);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->textContent, "mime");
    EXPECT_EQ(Detector::detect(snapshot({{"text/plain", "plano"}}), codec)->textContent, "plano");
    EXPECT_EQ(Detector::detect(snapshot({{"application/x-thing", "x"}}), codec), std::nullopt);
    EXPECT_EQ(Detector::detect(ClipboardSnapshot{}, codec), std::nullopt);
}

TEST(ClipboardTypeDetectorText, InvalidUtf8IsReplacedNotPassedOn)
{
    FakeCodec codec;
    const auto clip = Detector::detect(text("a\xFF" "b\xE2\x82"), codec);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->textContent, "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
    EXPECT_EQ(clip->byteSize, 8);
    EXPECT_EQ(validUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"); // a surrogate
    EXPECT_EQ(validUtf8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");                 // overlong "/"
}

TEST(ClipboardTypeDetectorText, TrimsUnicodeWhiteSpaceAndLineBreaks)
{
    EXPECT_EQ(trimWhitespace("\t\r\n\xC2\x85\xE2\x80\xA9\xE3\x80\x80 x y\xE2\x80\xAF\xC2\xA0"), "x y");
    EXPECT_EQ(trimWhitespace(" \n "), "");
    EXPECT_EQ(trimWhitespace("\xFF "), "\xFF");
    EXPECT_EQ(trimWhitespace(" x\xE2\x80\xE2\x80\xA8"), "x\xE2\x80"); // a broken sequence is content
    EXPECT_EQ(trimWhitespace("\x80\x80\x80\x80 "), "\x80\x80\x80\x80");
}

// ---------------------------------------------------------------------------------------------- rules

struct LinkCase {
    std::string input;
    bool link;
};

class IsLink : public testing::TestWithParam<LinkCase> {};

TEST_P(IsLink, AcceptsOnlyHttpUrlsWithAHost) { EXPECT_EQ(Detector::isLink(GetParam().input), GetParam().link) << GetParam().input; }

INSTANTIATE_TEST_SUITE_P(
    Urls, IsLink,
    testing::Values(LinkCase{"https://example.org", true}, LinkCase{"HTTP://EXAMPLE.ORG/", true},
                    LinkCase{"http://user:pw@[::1]:8080/p/a;b?q=1&r=/x#frag", true},
                    LinkCase{"https://es.wikipedia.org/wiki/Espa%C3%B1a", true},
                    LinkCase{"https://es.wikipedia.org/wiki/España", true}, LinkCase{"http://a.b:/", true},
                    LinkCase{"example.org", false}, LinkCase{"ftp://example.org", false},
                    LinkCase{"mailto:ana@example.org", false}, LinkCase{"https:example.org", false},
                    LinkCase{"https:///path", false}, LinkCase{"https://", false}, LinkCase{"https://:80", false},
                    LinkCase{"https://a.org:8o", false}, LinkCase{"https://a.org/a b", false},
                    LinkCase{"https://a.org/\nx", false}, LinkCase{"https://a.org/<x>", false},
                    LinkCase{"https://a.org/%zz", false}, LinkCase{"https://a.org/\xE2\x80\xAEx", false},
                    LinkCase{"https://a.org/\xFF", false}, LinkCase{"https://a\"b.org", false},
                    LinkCase{"https://[zz]/", false}, LinkCase{"1http://a.org", false}, LinkCase{"", false}));

TEST(ClipboardTypeDetectorRules, LinkLengthIsCountedInCharacters)
{
    const std::string base = "https://a.org/";
    EXPECT_TRUE(Detector::isLink(base + std::string(2048 - base.size(), 'x')));
    EXPECT_FALSE(Detector::isLink(base + std::string(2049 - base.size(), 'x')));
    // 2048 characters of which many take two bytes.
    std::string wide = base;
    while (wide.size() < 2048 * 2 - base.size())
        wide += "ñ";
    EXPECT_TRUE(Detector::isLink(wide.substr(0, base.size() + 2 * (2048 - base.size()))));
}

TEST(ClipboardTypeDetectorRules, CodeNeedsSeveralLinesAndAKeywordOrSymbols)
{
    EXPECT_FALSE(Detector::looksLikeCode("func main() { return; }"));
    EXPECT_TRUE(Detector::looksLikeCode("#include <x>\n"));
    EXPECT_TRUE(Detector::looksLikeCode("a\nf = (x) => x"));
    EXPECT_FALSE(Detector::looksLikeCode("Let it be\nLet it be"));  // keywords are case-sensitive
    EXPECT_FALSE(Detector::looksLikeCode("a ()\nb ñ"));
    EXPECT_TRUE(Detector::looksLikeCode("{}\n{}"));
}

} // namespace
