// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/share/ShareContent.h"
#include "core/share/ShareFiles.h"
#include "core/share/ShareMenu.h"
#include "core/support/AtomicFile.h"
#include "fakes/TempDir.h"
#include "fakes/VirtualScheduler.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace brisa;
using Kind = ShareContent::Kind;

namespace {

std::vector<std::string> labels(const std::vector<ShareTarget>& targets)
{
    std::vector<std::string> out;
    for (const auto& t : targets)
        out.push_back(t.label);
    return out;
}

unsigned modeOf(const std::filesystem::path& p)
{
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

} // namespace

TEST(ShareContent, ImagesGoAsTheirFileFileClipsAsTheirPathTheRestAsText)
{
    test::VirtualScheduler clock;
    const struct {
        NewClip clip;
        std::optional<ShareContent> expected;
    } cases[] = {
        {{.type = ClipType::Image, .imageFileName = "a.png"}, ShareContent{Kind::Image, "/imgs/a.png", "a.png"}},
        {{.type = ClipType::Screenshot, .imageFileName = "s.png"}, ShareContent{Kind::Image, "/imgs/s.png", "s.png"}},
        {{.type = ClipType::Image}, std::nullopt},
        {{.type = ClipType::Screenshot, .imageFileName = "../x.png"}, std::nullopt},
        {{.type = ClipType::File, .textContent = "/home/ana/informe.pdf"},
         ShareContent{Kind::File, "/home/ana/informe.pdf", "informe.pdf"}},
        {{.type = ClipType::File, .textContent = "/home/ana/Fotos/"}, ShareContent{Kind::File, "/home/ana/Fotos/", "Fotos"}},
        {{.type = ClipType::File, .textContent = ""}, std::nullopt},
        {{.type = ClipType::File, .textContent = "informe.pdf"}, std::nullopt},
        {{.type = ClipType::Link, .textContent = "https://example.org/a?b=1"},
         ShareContent{Kind::Text, "https://example.org/a?b=1", "https   example.org a b=1.txt"}},
        {{.type = ClipType::Color, .textContent = "#336699"}, ShareContent{Kind::Text, "#336699", "#336699.txt"}},
        {{.type = ClipType::Code, .textContent = "x = 1\ny = 2"}, ShareContent{Kind::Text, "x = 1\ny = 2", "x = 1.txt"}},
        {{.type = ClipType::Text}, std::nullopt},
    };
    for (const auto& c : cases) {
        const ClipItem item = makeClipItem(c.clip, clock);
        auto got = ShareContent::from(item, "/imgs");
        if (got)
            got->clipId.clear();
        EXPECT_EQ(got, c.expected) << item.typeRaw << " " << item.textContent.value_or("-");
    }
}

TEST(ShareContent, ATextsFileNameComesFromItsFirstLine)
{
    const struct {
        std::string text, name;
    } cases[] = {
        {"Reunión del jueves\nen la sala azul", "Reunión del jueves.txt"},
        {"  \n\t ", "Texto.txt"},
        {"../../etc/passwd", "etc passwd.txt"},
        {"..", "Texto.txt"},
        {std::string(60, 'a'), std::string(40, 'a') + ".txt"},
        {"ñññ" + std::string(50, 'b'), "ñññ" + std::string(37, 'b') + ".txt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(textFileName(c.text), c.name) << c.text;
}

TEST(ShareMenu, ListsWhatTheSessionOffersInAFixedOrderAndSaveAsAlways)
{
    const ShareContent text{Kind::Text, "hola", "hola.txt"};
    const ShareContent image{Kind::Image, "/imgs/a.png", "a.png"};
    const ShareAvailability everything{{{"p1", "Pixel 8"}, {"t2", ""}}, true, true, true};
    const struct {
        ShareAvailability available;
        ShareContent content;
        std::vector<std::string> labels;
    } cases[] = {
        {{}, text, {"Guardar como…"}},
        {{}, image, {"Guardar como…"}},
        {everything, text, {"Pixel 8", "t2", "Correo electrónico…", "Bluetooth…", "Guardar como…"}},
        {everything, image, {"Pixel 8", "t2", "Correo electrónico…", "Bluetooth…", "Abrir con…", "Guardar como…"}},
        {{{}, false, true, true}, image, {"Bluetooth…", "Abrir con…", "Guardar como…"}},
        {{{}, true, false, false}, image, {"Correo electrónico…", "Guardar como…"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(labels(shareMenu(c.available, c.content)), c.labels) << c.content.value;
    const auto targets = shareMenu(everything, image);
    EXPECT_EQ(targets[0], (ShareTarget{ShareTargetKind::Device, "Pixel 8", "p1"}));
    EXPECT_EQ(targets[4].kind, ShareTargetKind::OpenWith);
}

TEST(ShareFiles, ATextForAFileOnlyTargetIsWrittenPrivatelyInAPrivateFolder)
{
    test::TempDir dir;
    const auto scratch = dir / "share";
    const ShareContent text{Kind::Text, "línea 1\nlínea 2", "línea 1.txt", "ID-1"};
    const auto written = writeTextForSharing(text, scratch);
    ASSERT_TRUE(written.error.empty()) << written.error;
    EXPECT_EQ(written.path, scratch / "ID-1" / "línea 1.txt");
    EXPECT_EQ(readWholeFile(written.path), "línea 1\nlínea 2");
    EXPECT_EQ(modeOf(scratch), 0700u);
    EXPECT_EQ(modeOf(scratch / "ID-1"), 0700u);
    EXPECT_EQ(modeOf(written.path), 0600u);

    // A folder left open to others is narrowed; a link in its place is refused.
    ::chmod(scratch.c_str(), 0777);
    EXPECT_TRUE(writeTextForSharing(text, scratch).error.empty());
    EXPECT_EQ(modeOf(scratch), 0700u);
    std::filesystem::create_symlink(dir.path(), dir / "link");
    const auto refused = writeTextForSharing(text, dir / "link");
    EXPECT_TRUE(refused.path.empty());
    EXPECT_NE(refused.error.find("no es una carpeta propia"), std::string::npos) << refused.error;
}

TEST(ShareFiles, SaveAsCopiesTheFileOrWritesTheTextAndSaysWhyWhenItCannot)
{
    test::TempDir dir;
    test::writeFile(dir / "src" / "foto.png", "PNG bytes");
    test::writeFile(dir / "src" / "carpeta" / "dentro.txt", "dentro");
    const struct {
        ShareContent content;
        std::string destination;
        std::optional<std::string> expected; ///< what destination holds; nullopt: an error
    } cases[] = {
        {{Kind::Image, (dir / "src" / "foto.png").string()}, "copia.png", "PNG bytes"},
        {{Kind::Text, "hola\n"}, "nota.txt", "hola\n"},
        {{Kind::File, (dir / "src" / "carpeta").string()}, "carpeta2/dentro.txt", "dentro"},
        {{Kind::File, (dir / "src" / "no-existe.pdf").string()}, "x.pdf", std::nullopt},
        {{Kind::Text, "x"}, "no/hay/carpeta/y.txt", "x"},
    };
    for (const auto& c : cases) {
        const auto destination = dir / c.destination;
        const auto target = c.content.kind == Kind::File && c.expected ? dir / "carpeta2" : destination;
        const auto error = saveSharedContent(c.content, target);
        if (c.expected) {
            EXPECT_EQ(error, std::nullopt) << c.destination;
            EXPECT_EQ(readWholeFile(destination), c.expected) << c.destination;
        } else {
            EXPECT_NE(error, std::nullopt) << c.destination;
        }
    }
}
