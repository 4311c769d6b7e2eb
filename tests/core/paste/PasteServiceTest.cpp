// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/paste/PasteService.h"
#include "core/capture/ImageThumbnailer.h"
#include "core/image/ImageLibrary.h"
#include "core/image/ImageProcessor.h"
#include "fakes/TestImages.h"
#include "core/paste/PasteTargets.h"
#include "core/paste/QuickPasteService.h"
#include "core/paste/TerminalClasses.h"
#include "core/settings/UserDefaults.h"
#include "PasteTestSupport.h"

#include <gmock/gmock.h>

#include <fstream>

using namespace brisa;
using namespace brisa::test;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;
using ::testing::Pair;

namespace {

Bytes bytes(std::string_view s) { return toBytes(s); }

// ---- What each kind puts on the clipboard ----

TEST(PasteTargetsTest, TextKindsOfferTheTextTargetsAndLatin1WhenItFits)
{
    EXPECT_THAT(textTargets("hola ñ"),
                ElementsAre(Pair("text/plain;charset=utf-8", bytes("hola ñ")), Pair("UTF8_STRING", bytes("hola ñ")),
                            Pair("text/plain", bytes("hola ñ")), Pair("STRING", bytes("hola \xF1"))));
    EXPECT_THAT(textTargets("€"), ElementsAre(Pair("text/plain;charset=utf-8", bytes("€")), Pair("UTF8_STRING", bytes("€")),
                                              Pair("text/plain", bytes("€"))));
}

TEST(PasteTargetsTest, FileOffersUriListCopiedFilesAndThePathAsText)
{
    const Bytes path = bytes("/home/ana/Informe final.pdf");
    EXPECT_THAT(fileTargets("/home/ana/Informe final.pdf"),
                ElementsAre(Pair("text/uri-list", bytes("file:///home/ana/Informe%20final.pdf\r\n")),
                            Pair("x-special/gnome-copied-files", bytes("copy\nfile:///home/ana/Informe%20final.pdf")),
                            Pair("text/plain;charset=utf-8", path), Pair("UTF8_STRING", path),
                            Pair("text/plain", path), Pair("STRING", path)));
}

TEST(PasteTargetsTest, Latin1KeepsWhatFitsAndRefusesTheRest)
{
    const struct {
        const char* utf8;
        std::optional<const char*> latin1;
    } cases[] = {
        {"abc\n", "abc\n"},       {"año ¿Ü?", "a\xF1o \xBF\xDC?"}, {"\u00A0\u00FF", "\xA0\xFF"},
        {"€", std::nullopt},       {"ő", std::nullopt},             {"\xC3", std::nullopt},
        {"\xF1o", std::nullopt},   {"", ""},
    };
    for (const auto& c : cases) {
        const auto got = latin1(c.utf8);
        ASSERT_EQ(got.has_value(), c.latin1.has_value()) << c.utf8;
        if (got) {
            EXPECT_EQ(*got, bytes(*c.latin1)) << c.utf8;
        }
    }
}

TEST(PasteTargetsTest, FileUriEncodesEverythingOutsideTheUnreservedSet)
{
    const struct {
        const char* path;
        const char* uri;
    } cases[] = {
        {"/tmp/a-b_c.~d", "file:///tmp/a-b_c.~d"},
        {"/tmp/100%#?", "file:///tmp/100%25%23%3F"},
        {"/tmp/línea\nnueva", "file:///tmp/l%C3%ADnea%0Anueva"},
        {"/tmp/a\r\nfile:///etc/passwd", "file:///tmp/a%0D%0Afile%3A///etc/passwd"},
        {"", "file://"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fileUri(c.path), c.uri) << c.path;
}

TEST(TerminalClassesTest, MatchesIgnoringCase)
{
    const auto& list = defaultTerminalClasses();
    for (const char* cls : {"XTerm", "xterm", "Gnome-terminal", "konsole", "kitty", "Alacritty", "org.gnome.Console",
                            "kgx", "URxvt", "foot", "St"})
        EXPECT_TRUE(isTerminalClass(cls, list)) << cls;
    for (const char* cls : {"Gedit", "firefox", "", "xterm ", "kitty2"})
        EXPECT_FALSE(isTerminalClass(cls, list)) << cls;
}

TEST(TerminalClassesTest, AnEntryMayNameItsChord)
{
    const std::vector<std::string> list{"xterm=shift+insert", "MiTerm=CTRL+V", "Raro=ctrl+alt+v", "kitty"};
    const struct {
        const char* windowClass;
        PasteChord chord;
    } cases[] = {
        {"XTerm", PasteChord::ShiftInsert},   {"miterm", PasteChord::ControlV},
        {"Raro", PasteChord::ControlShiftV},  {"kitty", PasteChord::ControlShiftV},
        {"Gedit", PasteChord::ControlV},      {"xterm=shift+insert", PasteChord::ControlV},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pasteChordFor(c.windowClass, list), c.chord) << c.windowClass;
    EXPECT_TRUE(isTerminalClass("Raro", list));
    EXPECT_EQ(pasteChordFor("XTerm", defaultTerminalClasses()), PasteChord::ShiftInsert);
    EXPECT_EQ(pasteChordFor("URxvt", defaultTerminalClasses()), PasteChord::ShiftInsert);
}

TEST(TerminalClassesTest, SettingReplacesTheDefaultsAndSkipsNonStrings)
{
    UserDefaults defaults;
    EXPECT_EQ(terminalClasses(defaults), defaultTerminalClasses());
    defaults.set(kTerminalClassesKey, nlohmann::json::array({"MiTerminal", 3, nullptr}));
    EXPECT_EQ(terminalClasses(defaults), std::vector<std::string>{"MiTerminal"});
    defaults.set(kTerminalClassesKey, "xterm");
    EXPECT_EQ(terminalClasses(defaults), defaultTerminalClasses());
}

using PasteServiceTest = PasteFixture;

TEST_F(PasteServiceTest, TextKindsWriteTheirTextOnlyAsText)
{
    for (ClipType type : {ClipType::Text, ClipType::Code, ClipType::Link, ClipType::Color}) {
        const ClipItem item = makeClipItem({.type = type, .textContent = "https://ejemplo.es"}, scheduler);
        EXPECT_TRUE(paster->writeToPasteboard(item));
        EXPECT_EQ(clipboard.written(), textTargets("https://ejemplo.es")) << rawValue(type);
    }
}

TEST_F(PasteServiceTest, UnknownKindIsWrittenAsText)
{
    ClipItem item = makeClipItem({.type = ClipType::Text, .textContent = "x"}, scheduler);
    item.typeRaw = "holograma";
    paster->writeToPasteboard(item);
    EXPECT_EQ(clipboard.written(), textTargets("x"));
}

TEST_F(PasteServiceTest, FileWhoseFileIsGoneStillWritesUriAndPath)
{
    const ClipItem item = makeClipItem({.type = ClipType::File, .textContent = "/no/existe.txt"}, scheduler);
    EXPECT_TRUE(paster->writeToPasteboard(item));
    EXPECT_EQ(clipboard.written(), fileTargets("/no/existe.txt"));
}

TEST_F(PasteServiceTest, ImageIsWrittenAsTheFileBytesUnchanged)
{
    const std::string png("\x89PNG\r\n\x1a\n\0\1\2 not decoded", 22);
    ASSERT_TRUE(storage->writeImage("A.png", toBytes(png)));
    ClipItem item = makeClipItem({.type = ClipType::Screenshot, .imageFileName = "A.png"}, scheduler);
    EXPECT_TRUE(paster->writeToPasteboard(item));
    EXPECT_THAT(clipboard.written(), ElementsAre(Pair("image/png", toBytes(png))));
}

TEST_F(PasteServiceTest, CompressedAndConvertedImagesGoAsTheirFormatPlusAPngRendition)
{
    const auto source = gradientImage(40, 20);
    ImageProcessor::setHeicAllowed(true);
    struct Row {
        std::string name;
        std::optional<Bytes> file;
        const char* mime;
    };
    const Row rows[] = {
        {"B.jpg", ImageProcessor::convert(source, ImageFileFormat::Jpeg), "image/jpeg"},
        {"C.tiff", ImageProcessor::convert(source, ImageFileFormat::Tiff), "image/tiff"},
        {"D.heic", ImageProcessor::canEncodeHeic() ? std::optional(ImageProcessor::compress(source, 0.5)->first)
                                                   : std::nullopt,
         "image/heic"},
    };
    for (const auto& r : rows) {
        if (!r.file)
            continue; // no HEIC saver here
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(storage->writeImage(r.name, *r.file));
        ClipItem item = makeClipItem({.type = ClipType::Image, .imageFileName = r.name}, scheduler);
        const auto writes = clipboard.writeCount();
        EXPECT_TRUE(paster->writeToPasteboard(item));
        // The rendition is made off the main thread: nothing is written until its result is posted.
        paster->waitForRenditions();
        EXPECT_EQ(clipboard.writeCount(), writes);
        scheduler.runPosted();
        const auto written = clipboard.written();
        ASSERT_EQ(written.size(), 2u);
        EXPECT_EQ(written[0], (std::pair{std::string(r.mime), *r.file}));
        EXPECT_EQ(written[1].first, "image/png");
        EXPECT_EQ(ImageThumbnailer::imagePixelSize(written[1].second), (std::pair{40, 20}));
    }
    // Bytes that do not decode still go as the file's type, without a rendition.
    ASSERT_TRUE(storage->writeImage("E.jpg", bytes("no soy un JPEG")));
    EXPECT_TRUE(paster->writeToPasteboard(makeClipItem({.type = ClipType::Image, .imageFileName = "E.jpg"}, scheduler)));
    paster->waitForRenditions();
    scheduler.runPosted();
    EXPECT_THAT(clipboard.written(), ElementsAre(Pair("image/jpeg", bytes("no soy un JPEG"))));
}

TEST_F(PasteServiceTest, APasteOfAJpegTypesItsChordOnceTheRenditionIsWrittenAndANewerWriteWins)
{
    const auto jpeg = ImageProcessor::convert(gradientImage(40, 20), ImageFileFormat::Jpeg);
    ASSERT_TRUE(jpeg);
    ASSERT_TRUE(storage->writeImage("F.jpg", *jpeg));
    const ClipItem item = makeClipItem({.type = ClipType::Image, .imageFileName = "F.jpg"}, scheduler);
    access = KeyAccess::Granted;
    paster->paste(item);
    scheduler.advance(PasteService::kPasteDelay * 3);
    EXPECT_THAT(events, Not(Contains("ctrl+v"))) << "no chord before the image is on the clipboard";
    paster->waitForRenditions();
    scheduler.runPosted();
    EXPECT_THAT(events, ElementsAre("collapse", "restore", "ignore", "write", "ctrl+v"));
    EXPECT_EQ(clipboard.written().size(), 2u);

    // Copied, then text written before the rendition is ready: the text stays.
    events.clear();
    EXPECT_TRUE(paster->writeToPasteboard(item));
    EXPECT_TRUE(paster->writeTargets(textTargets("después")));
    paster->waitForRenditions();
    scheduler.runPosted();
    EXPECT_THAT(events, ElementsAre("ignore", "write"));
    EXPECT_EQ(clipboard.written(), textTargets("después"));
}

TEST_F(PasteServiceTest, NothingToGiveClearsTheClipboardWithTheFlagSet)
{
    const std::filesystem::path outside = home / "secreto.png";
    std::ofstream(outside) << "no";
    const struct {
        ClipType type;
        std::optional<std::string> text;
        std::optional<std::string> image;
    } cases[] = {
        {ClipType::Text, std::nullopt, std::nullopt},
        {ClipType::File, std::nullopt, std::nullopt},
        {ClipType::Image, std::nullopt, std::nullopt},
        {ClipType::Image, std::nullopt, "borrada.png"},
        {ClipType::Image, std::nullopt, "../secreto.png"},
        {ClipType::Image, std::nullopt, ".."},
        {ClipType::Screenshot, std::nullopt, outside.string()},
    };
    for (const auto& c : cases) {
        clipboard.copyText("anterior");
        events.clear();
        ClipItem item = makeClipItem({.type = c.type, .textContent = c.text, .imageFileName = c.image}, scheduler);
        EXPECT_FALSE(paster->writeToPasteboard(item));
        EXPECT_TRUE(clipboard.written().empty());
        EXPECT_THAT(events, ElementsAre("ignore", "write"));
        EXPECT_TRUE(monitorFlag); // the clear is the change the monitor skips
    }
}

TEST_F(PasteServiceTest, FlagIsSetBeforeTheSingleWrite)
{
    const std::size_t before = clipboard.writeCount();
    paster->writeToPasteboard(makeClipItem({.type = ClipType::Text, .textContent = "a"}, scheduler));
    EXPECT_THAT(events, ElementsAre("ignore", "write"));
    EXPECT_EQ(clipboard.writeCount(), before + 1);
}

TEST_F(PasteServiceTest, FailedWriteTakesTheFlagBack)
{
    clipboard.setWritesFail(true);
    EXPECT_FALSE(paster->writeToPasteboard(makeClipItem({.type = ClipType::Text, .textContent = "a"}, scheduler)));
    EXPECT_THAT(events, ElementsAre("ignore", "write", "unignore"));
    EXPECT_FALSE(monitorFlag);
    EXPECT_TRUE(log.contains("No se pudo escribir en el portapapeles"));
}

TEST_F(PasteServiceTest, ChordIsTypedExactly120msAfterTheFocusComesBack)
{
    const TimePoint start = scheduler.now();
    paster->pasteFromPasteboard();
    EXPECT_THAT(events, ElementsAre("collapse", "restore"));
    scheduler.advance(Duration{119});
    EXPECT_EQ(chords(), 0u);
    scheduler.advance(Duration{1});
    ASSERT_EQ(chords(), 1u);
    EXPECT_EQ(chordTimes[0] - start, Duration{120});
    EXPECT_THAT(events, ElementsAre("collapse", "restore", "ctrl+v"));
}

TEST_F(PasteServiceTest, EachTerminalGetsTheChordOfItsEntry)
{
    const struct {
        const char* windowClass;
        std::vector<std::string> tail; // the events after the focus came back
    } cases[] = {
        {"XTerm", {"primary", "shift+insert"}},
        {"URxvt", {"primary", "shift+insert"}},
        {"Lxterminal", {"ctrl+shift+v"}},
        {"kitty", {"ctrl+shift+v"}},
        {"Gedit", {"ctrl+v"}},
    };
    for (const auto& c : cases) {
        windows.activeClass = c.windowClass;
        events.clear();
        paster->pasteFromPasteboard();
        scheduler.advance(PasteService::kPasteDelay);
        std::vector<std::string> expected{"collapse", "restore"};
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(events, expected) << c.windowClass;
    }
}

TEST_F(PasteServiceTest, TheSelectionCaptureSkipsTheClipMirroredForShiftInsertOnly)
{
    struct : CaptureSkip {
        void skipNextChange(bool skip) override { told.push_back(skip); }
        std::vector<bool> told;
    } selection;
    paster->selectionCapture = &selection;
    windows.activeClass = "XTerm";
    for (bool mirrored : {true, false}) {
        clipboard.mirrorSucceeds = mirrored;
        selection.told.clear();
        paster->pasteFromPasteboard();
        scheduler.advance(PasteService::kPasteDelay);
        const std::vector<bool> expected = mirrored ? std::vector{true} : std::vector{true, false};
        EXPECT_EQ(selection.told, expected) << mirrored;
    }
    windows.activeClass = "Gedit";
    selection.told.clear();
    paster->pasteFromPasteboard();
    scheduler.advance(PasteService::kPasteDelay);
    EXPECT_TRUE(selection.told.empty()) << "Ctrl+V does not touch the mouse selection";
}

TEST_F(PasteServiceTest, TerminalsGetControlShiftV)
{
    windows.activeClass = "konsole";
    paster->pasteFromPasteboard();
    scheduler.advance(PasteService::kPasteDelay);
    EXPECT_EQ(events.back(), "ctrl+shift+v");

    paster->terminalClasses = {"Gedit"};
    windows.activeClass = "gedit";
    paster->pasteFromPasteboard();
    scheduler.advance(PasteService::kPasteDelay);
    EXPECT_EQ(events.back(), "ctrl+shift+v");

    windows.activeClass = std::nullopt;
    paster->pasteFromPasteboard();
    scheduler.advance(PasteService::kPasteDelay);
    EXPECT_EQ(events.back(), "ctrl+v");
}

TEST_F(PasteServiceTest, SuccessivePastesEachTypeTheirOwnChord)
{
    paster->pasteFromPasteboard();
    scheduler.advance(Duration{50});
    paster->pasteFromPasteboard();
    scheduler.advance(Duration{200});
    EXPECT_EQ(chords(), 2u);
}

TEST_F(PasteServiceTest, PendingChordDiesWithTheService)
{
    paster->pasteFromPasteboard();
    paster.reset();
    scheduler.advance(Duration{500});
    EXPECT_EQ(chords(), 0u);
}

TEST_F(PasteServiceTest, WithoutKeyAccessTheAlertShowsAfterCollapseAndRestoreAndTheClipStays)
{
    for (KeyAccess why : {KeyAccess::MissingXTest, KeyAccess::Wayland}) {
        access = why;
        paster->waylandSession = why == KeyAccess::Wayland;
        events.clear();
        alerts.clear();
        paster->paste(makeClipItem({.type = ClipType::Text, .textContent = "sigue aquí"}, scheduler));
        scheduler.advance(Duration{1000});
        EXPECT_THAT(events, ElementsAre("ignore", "write", "collapse", "restore", "alert"));
        EXPECT_EQ(plainText(), "sigue aquí");
        EXPECT_EQ(chords(), 0u);
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_EQ(alerts[0].title, "Permiso de Accesibilidad necesario");
        EXPECT_EQ(alerts[0].buttons, (std::vector<std::string>{"Abrir Ajustes", "Cancelar"}));
        EXPECT_NE(alerts[0].informativeText.find('\n'), std::string::npos);
    }
}

TEST(PermissionAlert, TheTextNamesWhatThisDesktopLacks)
{
    struct Case {
        KeyAccess why;
        std::vector<std::string> says, neverSays;
    };
    const std::vector<Case> cases{
        {KeyAccess::MissingXTest, {"XTest"}, {"Wayland"}},
        {KeyAccess::Wayland, {"teclado virtual", "portal de escritorio remoto", "Ctrl+V"}, {"XTest", "sesión X11"}},
    };
    for (const auto& c : cases) {
        const std::string text = missingPermissionAlert(c.why).informativeText;
        for (const auto& word : c.says)
            EXPECT_NE(text.find(word), std::string::npos) << word;
        for (const auto& word : c.neverSays)
            EXPECT_EQ(text.find(word), std::string::npos) << word;
    }
}

TEST_F(PasteServiceTest, OpenSettingsOnlyWhenTheFirstButtonIsChosen)
{
    access = KeyAccess::MissingXTest;
    for (int answer : {0, 1, -1}) {
        events.clear();
        alertAnswer = answer;
        paster->pasteFromPasteboard();
        EXPECT_EQ(events.back() == "settings", answer == 0) << answer;
    }
}

TEST_F(PasteServiceTest, NoKeySynthesizerMeansNoKeystrokes)
{
    PasteService bare({}, scheduler, storage->imagesDir(), linkedImageLibrary());
    bare.pasteFromPasteboard();
    scheduler.advance(Duration{500});
    EXPECT_TRUE(log.contains("Pegado automático no disponible"));
}

// ---- Quick paste ----

TEST_F(PasteServiceTest, QuickPasteSlotNeedsMoreClipsThanItsNumber)
{
    QuickPasteService quick(*storage, *paster);
    quick.paste(0); // empty history
    EXPECT_EQ(clipboard.writeCount(), 0u);
    EXPECT_TRUE(events.empty());

    addClip(ClipType::Text, "uno", 30);
    addClip(ClipType::Text, "dos", 20);
    addClip(ClipType::Text, "tres", 10);
    quick.paste(3); // exactly three clips
    quick.paste(-1);
    EXPECT_EQ(clipboard.writeCount(), 0u);

    addClip(ClipType::Text, "cuatro", 5);
    quick.paste(3);
    EXPECT_EQ(plainText(), "uno");
    scheduler.advance(PasteService::kPasteDelay);
    EXPECT_THAT(events, ElementsAre("ignore", "write", "collapse", "restore", "ctrl+v"));
}

TEST_F(PasteServiceTest, QuickPasteIgnoresPinning)
{
    addClip(ClipType::Text, "fijado", 100, std::nullopt, true);
    addClip(ClipType::Link, "https://nuevo.es", 1);
    QuickPasteService quick(*storage, *paster);
    quick.paste(0);
    EXPECT_EQ(plainText(), "https://nuevo.es");
}

TEST_F(PasteServiceTest, QuickPasteWithTwoClipsIgnoresSlotTwo)
{
    addClip(ClipType::Text, "a", 2);
    addClip(ClipType::Text, "b", 1);
    QuickPasteService(*storage, *paster).paste(2);
    EXPECT_EQ(clipboard.writeCount(), 0u);
    EXPECT_TRUE(events.empty());
}

} // namespace

TEST_F(PasteServiceTest, ChordHooksRunAroundTheChordAndTellWhenItWasNotTyped)
{
    struct Case {
        const char* name;
        KeyAccess access;
        bool goOn;
        std::vector<std::string> events;
    };
    const std::vector<Case> cases = {
        {"typed", KeyAccess::Granted, true, {"collapse", "restore", "before", "ctrl+v", "after typed"}},
        {"held back by before", KeyAccess::Granted, false, {"collapse", "restore", "before", "after not typed"}},
        {"no keystrokes possible", KeyAccess::MissingXTest, true, {"collapse", "restore", "alert", "after not typed"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        events.clear();
        access = c.access;
        paster->pasteFromPasteboard({
            .before = [&] {
                events.push_back("before");
                return c.goOn;
            },
            .after = [&](bool typed) { events.push_back(typed ? "after typed" : "after not typed"); },
        });
        scheduler.advance(PasteService::kPasteDelay);
        EXPECT_EQ(events, c.events);
    }
}
