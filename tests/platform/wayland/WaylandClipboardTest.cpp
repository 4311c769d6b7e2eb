// SPDX-License-Identifier: GPL-3.0-or-later
// Talks to a real compositor (headless sway, run through tests/support/with-sway.sh), with wl-copy and
// wl-paste as the other applications. Waits here are real: the other side is a real compositor.
#include "platform/wayland/WaylandClipboard.h"
#include "fakes/QtCoreApp.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandFrontmostApplication.h"
#include "platform/wayland/WaylandKeySynthesizer.h"

#include "core/capture/ClipboardTypeDetector.h"
#include "core/capture/VipsImageCodec.h"
#include "fakes/TestImages.h"
#include "platform/qt/QtScheduler.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>

using namespace brisa;
using namespace std::chrono_literals;

namespace {

bool haveSession() { return std::getenv("BRISA_TEST_WAYLAND") != nullptr; }

/// Runs the event loop until done() holds or the time is up.
bool spinUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

std::string text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

/// Bytes that do not compress away, starting like a PNG file; transfers must be byte-exact.
Bytes noise(std::size_t size)
{
    Bytes bytes(size);
    std::mt19937 random(42);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(random());
    const std::string signature = "\x89PNG\r\n\x1A\n";
    std::copy(signature.begin(), signature.end(), bytes.begin());
    return bytes;
}

/// A program of the session (wl-copy, wl-paste), fed input and waited for with the loop running, so
/// Brisa can serve what it owns meanwhile.
struct Tool {
    QProcess process;
    Tool(const QString& program, const QStringList& args, const Bytes& input = {})
    {
        process.start(program, args);
        process.waitForStarted(5000);
        if (!input.empty())
            process.write(reinterpret_cast<const char*>(input.data()), static_cast<qint64>(input.size()));
        process.closeWriteChannel();
    }
    ~Tool()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(2000);
        }
    }
    Bytes output()
    {
        spinUntil([&] { return process.state() == QProcess::NotRunning; }, 10s);
        const QByteArray out = process.readAllStandardOutput();
        return Bytes(out.begin(), out.end());
    }
};

class WaylandClipboardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!haveSession())
            GTEST_SKIP() << "needs a Wayland session (tests/support/with-sway.sh)";
        test::ensureCoreApp();
        connection = WaylandConnection::open();
        ASSERT_TRUE(connection);
        ASSERT_TRUE(connection->dataControl()) << "the compositor offers no data control";
        clipboard = WaylandClipboard::create(connection, scheduler, options());
        ASSERT_TRUE(clipboard);
    }

    static WaylandClipboard::Options options(bool primary = false)
    {
        WaylandClipboard::Options o;
        o.primary = primary;
        o.timeout = 1000ms;
        return o;
    }

    std::optional<ClipboardSnapshot> readNow(Clipboard& from, Clipboard::Chooser choose)
    {
        bool finished = false;
        std::optional<ClipboardSnapshot> result;
        from.read(std::move(choose), [&](std::optional<ClipboardSnapshot> s) {
            result = std::move(s);
            finished = true;
        });
        EXPECT_TRUE(spinUntil([&] { return finished; }, 10s)) << "the read never finished";
        return result;
    }

    bool waitForChanges(Clipboard& of, std::int64_t count)
    {
        return spinUntil([&] { return of.changeCount() >= count; });
    }

    /// wl-copy serving in the foreground until it is killed or the clipboard is replaced.
    std::unique_ptr<Tool> copy(const QStringList& args, const Bytes& input)
    {
        const std::int64_t before = clipboard->changeCount();
        auto tool = std::make_unique<Tool>("wl-copy", QStringList{"--foreground"} + args, input);
        if (!args.contains("--primary")) {
            EXPECT_TRUE(waitForChanges(*clipboard, before + 1)) << "wl-copy's copy was never seen";
        }
        return tool;
    }

    QtScheduler scheduler;
    std::shared_ptr<WaylandConnection> connection;
    std::unique_ptr<WaylandClipboard> clipboard;
};

TEST_F(WaylandClipboardTest, WlCopyBecomesAClipOfItsKind)
{
    const Bytes png = test::gradientImage(64, 48);
    struct Case {
        const char* name;
        QStringList args;
        Bytes input;
        ClipType kind;
        const char* type; // the target that must be among those read
    };
    const Case cases[] = {
        {"text", {}, toBytes("Hola desde Wayland"), ClipType::Text, "text/plain;charset=utf-8"},
        {"png", {"--type", "image/png"}, png, ClipType::Image, "image/png"},
        {"file list", {"--type", "text/uri-list"}, toBytes("file:///tmp/Informe%20final.pdf\r\n"), ClipType::File,
         "text/uri-list"},
    };
    VipsImageCodec codec;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto owner = copy(c.args, c.input);
        const auto snapshot = readNow(*clipboard, ClipboardTypeDetector::targetsToRead);
        ASSERT_TRUE(snapshot);
        ASSERT_TRUE(snapshot->data(c.type));
        EXPECT_EQ(*snapshot->data(c.type), c.input);
        const auto clip = ClipboardTypeDetector::detect(*snapshot, codec);
        ASSERT_TRUE(clip);
        EXPECT_EQ(clip->type, c.kind);
    }
}

TEST_F(WaylandClipboardTest, PrimarySelectionIsSeenOnlyByItsOwnClipboard)
{
    auto primary = WaylandClipboard::create(connection, scheduler, options(true));
    ASSERT_TRUE(primary);
    const std::int64_t clipboardBefore = clipboard->changeCount();
    const std::int64_t primaryBefore = primary->changeCount();
    auto owner = copy({"--primary"}, toBytes("resaltado"));
    ASSERT_TRUE(waitForChanges(*primary, primaryBefore + 1));
    const auto snapshot = readNow(*primary, ClipboardTypeDetector::targetsToRead);
    ASSERT_TRUE(snapshot && snapshot->data("text/plain;charset=utf-8"));
    EXPECT_EQ(text(*snapshot->data("text/plain;charset=utf-8")), "resaltado");
    EXPECT_EQ(clipboard->changeCount(), clipboardBefore);
}

TEST_F(WaylandClipboardTest, WrittenClipIsPastedByOtherProgramsAndCountsOnce)
{
    const Bytes big = noise(8u * 1024 * 1024); // far over a pipe's buffer: served a chunk at a time
    const std::int64_t before = clipboard->changeCount();
    ASSERT_TRUE(clipboard->write({{"text/plain;charset=utf-8", toBytes("Pegado desde Brisa")},
                                  {"image/png", big}}));
    EXPECT_EQ(clipboard->changeCount(), before + 1);
    EXPECT_EQ(text(Tool("wl-paste", {"--list-types"}).output()), "text/plain;charset=utf-8\nimage/png\n");
    EXPECT_EQ(text(Tool("wl-paste", {"--no-newline", "--type", "text/plain;charset=utf-8"}).output()),
              "Pegado desde Brisa");
    EXPECT_EQ(Tool("wl-paste", {"--type", "image/png"}).output(), big);

    // The mouse selection gets the same content on request, for programs that paste from it.
    ASSERT_TRUE(clipboard->mirrorToPrimary());
    EXPECT_EQ(text(Tool("wl-paste", {"--primary", "--no-newline", "--type", "text/plain;charset=utf-8"}).output()),
              "Pegado desde Brisa");
    EXPECT_EQ(clipboard->changeCount(), before + 1);
}

TEST_F(WaylandClipboardTest, AReaderThatStopsEarlyCostsNeitherTheProcessNorTheClip)
{
    // Whatever the process does with SIGPIPE (here its default, which ends it), a write into a
    // closed pipe must fail quietly.
    struct sigaction before {};
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    ASSERT_EQ(sigaction(SIGPIPE, &byDefault, &before), 0);
    const Bytes big = noise(8u * 1024 * 1024);
    ASSERT_TRUE(clipboard->write({{"image/png", big}, {"text/plain;charset=utf-8", toBytes("sigue")}}));
    EXPECT_EQ(Tool("sh", {"-c", "wl-paste --type image/png | head -c 16"}).output().size(), 16u);
    EXPECT_EQ(Tool("wl-paste", {"--type", "image/png"}).output(), big);
    EXPECT_EQ(text(Tool("wl-paste", {"--no-newline", "--type", "text/plain;charset=utf-8"}).output()), "sigue");
    sigaction(SIGPIPE, &before, nullptr);
}

TEST_F(WaylandClipboardTest, AnotherInstanceReadsEveryTypeOfAnOfferWithHundredsOfThem)
{
    auto reader = WaylandClipboard::create(WaylandConnection::open(), scheduler, options());
    ASSERT_TRUE(reader);
    Clipboard::Targets targets;
    for (int i = 0; i < 300; ++i)
        targets.emplace_back("application/x-brisa-" + std::to_string(i), toBytes(std::to_string(i)));
    targets.emplace_back("text/plain;charset=utf-8", toBytes("muchos tipos"));
    const std::int64_t before = reader->changeCount();
    ASSERT_TRUE(clipboard->write(targets));
    ASSERT_TRUE(waitForChanges(*reader, before + 1));
    const auto snapshot = readNow(*reader, [](const auto&) {
        return std::vector<std::string>{"application/x-brisa-299", "text/plain;charset=utf-8"};
    });
    ASSERT_TRUE(snapshot && snapshot->types);
    EXPECT_EQ(snapshot->types->size(), 301u);
    EXPECT_EQ(text(*snapshot->data("application/x-brisa-299")), "299");
    EXPECT_EQ(text(*snapshot->data("text/plain;charset=utf-8")), "muchos tipos");
}

TEST_F(WaylandClipboardTest, OversizedTargetIsLeftOutAndTheRestRead)
{
    auto options = WaylandClipboardTest::options();
    options.maxBytes = 100 * 1024;
    auto small = WaylandClipboard::create(connection, scheduler, options);
    ASSERT_TRUE(small);
    const Bytes big = noise(300 * 1024);
    ASSERT_TRUE(clipboard->write({{"image/png", big}, {"text/plain;charset=utf-8", toBytes("pie de foto")}}));
    const auto snapshot = readNow(*small, ClipboardTypeDetector::targetsToRead);
    ASSERT_TRUE(snapshot);
    EXPECT_FALSE(snapshot->data("image/png"));
    ASSERT_TRUE(snapshot->data("text/plain;charset=utf-8"));
    EXPECT_EQ(text(*snapshot->data("text/plain;charset=utf-8")), "pie de foto");
}

TEST_F(WaylandClipboardTest, ClipboardOutlivesTheProgramThatCopied)
{
    auto owner = copy({}, toBytes("sigo aquí"));
    const std::int64_t change = clipboard->changeCount();
    const auto snapshot = readNow(*clipboard, ClipboardTypeDetector::targetsToRead);
    ASSERT_TRUE(snapshot);
    clipboard->retain(change, {{"text/plain;charset=utf-8", toBytes("sigo aquí")}});
    owner.reset(); // wl-copy killed: the compositor empties the clipboard, and Brisa offers it on
    EXPECT_TRUE(spinUntil([] { return text(Tool("wl-paste", {"--no-newline"}).output()) == "sigo aquí"; }));
    EXPECT_EQ(clipboard->changeCount(), change) << "offering on is not a change";
}

TEST_F(WaylandClipboardTest, ReadOfAnEmptyClipboardFails)
{
    ASSERT_TRUE(Tool("wl-copy", {"--clear"}).process.waitForFinished(5000));
    ASSERT_TRUE(spinUntil([&] { return text(Tool("wl-paste", {"--list-types"}).output()).empty(); }));
    EXPECT_FALSE(readNow(*clipboard, ClipboardTypeDetector::targetsToRead));
}

TEST_F(WaylandClipboardTest, FrontmostIsTheActivatedWaylandWindowByItsAppId)
{
#ifndef BRISA_PASTE_TARGET
    GTEST_SKIP() << "needs the paste target helper";
#else
    auto frontmost = WaylandFrontmostApplication::create(connection, std::vector<std::filesystem::path>{});
    ASSERT_TRUE(frontmost) << "the compositor lists no toplevels";
    EXPECT_FALSE(frontmost->frontmost()) << "no window is open yet";
    QProcess window;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "wayland");
    window.setProcessEnvironment(env);
    window.start(BRISA_PASTE_TARGET, {QDir::temp().filePath("brisa-wayland-frontmost.txt")});
    std::optional<SourceApp> app;
    EXPECT_TRUE(spinUntil([&] { return (app = frontmost->frontmost()).has_value(); }, 10s));
    ASSERT_TRUE(app);
    EXPECT_EQ(app->bundleID, "paste_target");
    EXPECT_EQ(app->name, "paste_target"); // no .desktop file names it
    window.kill();
    window.waitForFinished(5000);
    EXPECT_TRUE(spinUntil([&] { return !frontmost->frontmost(); }));
#endif
}

TEST_F(WaylandClipboardTest, PasteChordTypesTheClipIntoAWaylandTextField)
{
#ifndef BRISA_PASTE_TARGET
    GTEST_SKIP() << "needs the paste target helper";
#else
    auto keys = WaylandKeySynthesizer::create();
    ASSERT_TRUE(keys && keys->available()) << "the compositor offers no virtual keyboard";
    auto frontmost = WaylandFrontmostApplication::create(connection, std::vector<std::filesystem::path>{});
    ASSERT_TRUE(frontmost);
    const QString output = QDir::temp().filePath("brisa-wayland-paste.txt");
    QFile::remove(output);
    QProcess window;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "wayland");
    window.setProcessEnvironment(env);
    window.start(BRISA_PASTE_TARGET, {output});
    ASSERT_TRUE(spinUntil([&] { return frontmost->frontmost().has_value(); }, 10s)) << "the field never got the focus";
    const auto typed = [&] {
        QFile file(output);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    };
    struct Case {
        PasteChord chord;
        const char* clip;
        const char* field; // the field's text afterwards
    };
    const Case cases[] = {
        {PasteChord::ControlV, "Pegado en Wayland", "Pegado en Wayland"},
        {PasteChord::ShiftInsert, " y otra vez", "Pegado en Wayland y otra vez"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(chordName(c.chord)));
        ASSERT_TRUE(clipboard->write({{"text/plain;charset=utf-8", toBytes(c.clip)}}));
        ASSERT_TRUE(keys->sendPaste(c.chord));
        EXPECT_TRUE(spinUntil([&] { return typed() == c.field; }, 10s)) << "the field has: " << typed();
    }
    window.kill();
    window.waitForFinished(5000);
    QFile::remove(output);
#endif
}

// Run alone (its own ctest entry): the compositor is gone afterwards.
TEST(WaylandSessionTest, CompositorQuittingCallsTheLostHandlerOnce)
{
    const char* swayPid = std::getenv("BRISA_TEST_SWAY_PID");
    if (!haveSession() || !swayPid || !std::getenv("BRISA_TEST_KILL_COMPOSITOR"))
        GTEST_SKIP() << "only in the wayland_compositor_quits entry";
    test::ensureCoreApp();
    auto connection = WaylandConnection::open();
    ASSERT_TRUE(connection);
    int lost = 0;
    connection->setLostHandler([&] { ++lost; });
    ASSERT_EQ(kill(std::atoi(swayPid), SIGTERM), 0);
    EXPECT_TRUE(spinUntil([&] { return lost > 0; }, 10s));
    EXPECT_TRUE(connection->isLost());
    QCoreApplication::processEvents();
    EXPECT_EQ(lost, 1);
}

} // namespace
