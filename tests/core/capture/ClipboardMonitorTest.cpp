// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/CapturePause.h"
#include "core/capture/ClipboardMonitor.h"
#include "core/capture/ClipboardTypeDetector.h"
#include "core/capture/ImageThumbnailer.h"
#include "core/image/ImageLibrary.h"
#include "core/settings/UserDefaults.h"
#include "core/store/Storage.h"
#include "core/support/WorkerPool.h"
#include "fakes/FakeCaptureLinks.h"
#include "fakes/LogCapture.h"
#include "fakes/TempDir.h"
#include "fakes/TestImages.h"
#include "fakes/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <fstream>
#include <mutex>

using namespace brisa;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

/// The clipboard as the monitor sees it: a counter, the offered targets and their bytes. Answers
/// at once, or when the test says.
struct ScriptedClipboard final : Clipboard {
    std::int64_t count = 7;
    ClipboardSnapshot content;
    /// When true, reads wait in `waiting` until the test answers them.
    bool manualAnswers = false;
    std::vector<std::function<void()>> waiting;
    std::vector<std::vector<std::string>> asked;

    void offer(std::vector<std::pair<std::string, Bytes>> targets)
    {
        ++count;
        content = {};
        content.types.emplace();
        for (auto& [name, bytes] : targets) {
            content.types->push_back(name);
            content.contents[name] = std::move(bytes);
        }
    }
    void copyText(const std::string& s) { offer({{"UTF8_STRING", toBytes(s)}, {"text/plain", toBytes(s)}}); }
    void copyImage(Bytes png) { offer({{"image/png", std::move(png)}, {"text/html", toBytes("<img>")}}); }

    std::int64_t changeCount() const override { return count; }
    bool write(Targets) override { return false; }
    bool notifiesChanges() const override { return tellsChanges; }
    void setChangeHandler(std::function<void()> handler) override { changed = std::move(handler); }
    void retain(std::int64_t change, Targets targets) override { retained.emplace_back(change, std::move(targets)); }

    bool selectionInProgress() override { return buttonHeld; }

    /// When true, the monitor is told of changes (and no longer polls).
    bool tellsChanges = false;
    /// When true, reads fail as a whole.
    bool readsFail = false;
    bool buttonHeld = false;
    std::function<void()> changed;
    std::vector<std::pair<std::int64_t, Targets>> retained;

    void read(Chooser choose, ReadDone done) override
    {
        if (readsFail) {
            done(std::nullopt);
            return;
        }
        ClipboardSnapshot snapshot;
        snapshot.types = content.types;
        asked.push_back(choose(*content.types));
        for (const auto& t : asked.back())
            if (const Bytes* b = content.data(t))
                snapshot.contents[t] = *b;
        auto answer = [done = std::move(done), snapshot = std::move(snapshot)]() mutable { done(std::move(snapshot)); };
        if (manualAnswers)
            waiting.push_back(std::move(answer));
        else
            answer();
    }
    void answerAll()
    {
        auto pending = std::move(waiting);
        waiting.clear();
        for (auto& a : pending)
            a();
    }
};

struct FakeFrontmost final : FrontmostApplication {
    std::optional<SourceApp> frontmost() override { return app; }
    std::optional<SourceApp> app = SourceApp{"org.gnome.TextEditor", "Editor de texto"};
};

/// Background work queued until the test runs it, in any order it likes.
struct ManualBackground {
    std::vector<std::function<void()>> jobs;
    ClipboardMonitor::Background function()
    {
        return [this](std::function<void()> job) {
            jobs.push_back(std::move(job));
            return true;
        };
    }
};

struct ClipboardMonitorTest : ::testing::Test {
    test::TempDir dir;
    test::VirtualScheduler clock;
    test::LogCapture log;
    std::unique_ptr<Storage> storage = Storage::open(dir.path(), clock).storage;
    const ImageLibrary& images = linkedImageLibrary();
    ScriptedClipboard clipboard;
    FakeFrontmost frontmost;
    test::FakeToasts toastSink;
    test::FakeTextRecognizer recognizer;
    test::FakeCopyBatch copyBatch;
    // Short names for what the fakes hold.
    std::optional<SourceApp>& front = frontmost.app;
    std::vector<ToastData>& toasts = toastSink.shown;
    std::vector<std::pair<Uuid, Bytes>>& recognised = recognizer.asked;
    std::optional<std::optional<Uuid>>& batch = copyBatch.batch;
    bool& events = clipboard.tellsChanges;
    std::function<void()>& changed = clipboard.changed;
    std::vector<std::pair<std::int64_t, Clipboard::Targets>>& retained = clipboard.retained;

    void SetUp() override
    {
        ASSERT_TRUE(storage);
        ASSERT_TRUE(ImageThumbnailer::startImageLibrary());
    }

    /// A started monitor; background work runs inline unless a background is given.
    std::unique_ptr<ClipboardMonitor> makeMonitor(ClipboardMonitor::Background background = {})
    {
        if (!background)
            background = [](std::function<void()> job) {
                job();
                return true;
            };
        auto m = std::make_unique<ClipboardMonitor>(clipboard, &frontmost, clock, *storage, images, std::move(background));
        m->toasts = &toastSink;
        m->recognizer = &recognizer;
        m->batches = &copyBatch;
        m->start();
        return m;
    }

    std::vector<ClipItem> clips() { return storage->fetchAll({.withThumbnails = true}); }
    std::vector<std::string> texts()
    {
        std::vector<std::string> out;
        for (auto& c : clips())
            out.push_back(c.textContent.value_or("<none>"));
        return out;
    }
    void tick() { clock.advance(300ms); }
    /// The platform tells of a change as the X11 clipboard does: later, on the main loop.
    void tell()
    {
        clock.post([this] { changed(); });
        settle();
    }
    void settle()
    {
        for (int i = 0; i < 5; ++i)
            clock.runPosted();
    }
};

} // namespace

TEST_F(ClipboardMonitorTest, StartLogsOncePollsEveryThreeTenthsAndIgnoresWhatWasAlreadyThere)
{
    clipboard.copyText("ya estaba");
    auto monitor = makeMonitor();
    monitor->start();
    const auto lines = log.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "[Brisa] ClipboardMonitor iniciado (cada 0.3s)"), 1);
    EXPECT_EQ(monitor->lastChangeCount(), clipboard.count);
    clock.advance(1s);
    EXPECT_EQ(storage->count(), 0);

    clock.advance(200ms); // onto the fourth tick
    clipboard.copyText("nuevo");
    clock.advance(299ms);
    EXPECT_EQ(storage->count(), 0) << "the first tick after the copy has not come yet";
    clock.advance(1ms);
    EXPECT_EQ(texts(), std::vector<std::string>{"nuevo"});
    const auto before = clipboard.asked.size();
    clipboard.copyText("otro");
    tick();
    EXPECT_EQ(clipboard.asked.size(), before + 1) << "one timer, however often start() is called";
}

TEST_F(ClipboardMonitorTest, ACopyWithOneOfBrisasWindowsInFrontHasNoSource)
{
    auto monitor = makeMonitor();
    const struct {
        const char* bundleID;
        std::optional<std::string> stored;
    } cases[] = {{"brisa", std::nullopt}, {"Brisa", std::nullopt}, {"brisas", "brisas"}, {"firefox", "firefox"}};
    for (const auto& c : cases) {
        front = SourceApp{c.bundleID, "Nombre"};
        clipboard.copyText(std::string("de ") + c.bundleID);
        tick();
        EXPECT_EQ(clips()[0].sourceAppBundleID, c.stored) << c.bundleID;
    }
}

// Hashes, log lines and thumbnails are the recorder's; here what the monitor adds: the source,
// no batch, and a toast only for a clip that is new.
TEST_F(ClipboardMonitorTest, StoresTheClipWithItsSourceAndToastsOnlyNewClips)
{
    auto monitor = makeMonitor();
    clipboard.copyText("A");
    tick();
    auto all = clips();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].typeRaw, "text");
    EXPECT_EQ(all[0].sourceAppBundleID, "org.gnome.TextEditor");
    EXPECT_EQ(all[0].sourceAppName, "Editor de texto");
    EXPECT_FALSE(all[0].batchID);

    clock.advance(5s);
    clipboard.copyText("A");
    tick();
    EXPECT_EQ(storage->count(), 1);
    EXPECT_EQ(toasts.size(), 1u) << "the same text again only moves the clip";

    front.reset();
    for (const char* s : {"B", "A"}) {
        clipboard.copyText(s);
        tick();
    }
    EXPECT_EQ(texts(), (std::vector<std::string>{"A", "B", "A"}));
    EXPECT_EQ(clips()[0].sourceAppBundleID, std::nullopt);
    EXPECT_EQ(toasts.size(), 3u);
}

TEST_F(ClipboardMonitorTest, OwnWriteIsSkippedOnceAndTheNextExternalChangeIsCaptured)
{
    for (const bool told : {false, true}) {
        SCOPED_TRACE(told);
        storage->clearHistory(true);
        clipboard.asked.clear();
        events = told;
        auto monitor = makeMonitor();
        const auto notice = [&] { told ? tell() : tick(); };
        monitor->ignoreNextChange = true;
        clipboard.copyText("pegado por Brisa");
        notice();
        EXPECT_EQ(storage->count(), 0);
        EXPECT_FALSE(monitor->ignoreNextChange);
        EXPECT_TRUE(clipboard.asked.empty()) << "a skipped change is not even read";

        clipboard.copyText("copiado fuera");
        notice();
        EXPECT_EQ(texts(), std::vector<std::string>{"copiado fuera"});
    }
}

TEST_F(ClipboardMonitorTest, CopyFromBlockedAppIsNeverCapturedEvenAfterSwitchingApps)
{
    auto monitor = makeMonitor();
    monitor->blockedBundleIDs = {"keepassxc"}; // as its desktop entry spells the class
    front = SourceApp{"KeePassXC", "KeePassXC"};
    clipboard.copyText("contraseña");
    tick();
    EXPECT_TRUE(log.contains("[Brisa] Cambio ignorado (app en lista negra: KeePassXC)"));
    front = SourceApp{"firefox", "Firefox"};
    clock.advance(3s);
    EXPECT_EQ(storage->count(), 0);
    EXPECT_EQ(monitor->lastChangeCount(), clipboard.count) << "the change is consumed";

    clipboard.copyText("otra cosa");
    tick();
    EXPECT_EQ(texts(), std::vector<std::string>{"otra cosa"});
}

TEST_F(ClipboardMonitorTest, TheBlockedListChangingDuringTheReadBlocksTheCopyEitherWay)
{
    // Removed while its copy is read: the copy was made by a blocked app. Added meanwhile: the user
    // has just said so.
    for (const bool blockedAtCopy : {true, false}) {
        SCOPED_TRACE(blockedAtCopy);
        storage->clearHistory(true);
        auto monitor = makeMonitor();
        clipboard.manualAnswers = true;
        front = SourceApp{"KeePassXC", "KeePassXC"};
        if (blockedAtCopy)
            monitor->blockedBundleIDs = {"KeePassXC"};
        clipboard.copyText("contraseña");
        tick();
        ASSERT_TRUE(monitor->isReading());
        monitor->blockedBundleIDs = blockedAtCopy ? std::set<std::string>{} : std::set<std::string>{"KeePassXC"};
        clipboard.answerAll();
        EXPECT_EQ(storage->count(), 0);

        monitor->blockedBundleIDs.clear();
        clipboard.copyText("siguiente");
        tick();
        clipboard.answerAll();
        EXPECT_EQ(texts(), std::vector<std::string>{"siguiente"});
    }
}

TEST_F(ClipboardMonitorTest, WhilePausedChangesAreNotReadNorRecordedAndCaptureComesBackAfter)
{
    UserDefaults defaults;
    CapturePause pause(clock, defaults);
    auto monitor = makeMonitor();
    monitor->capturePause = &pause;
    pause.pause(5);
    clipboard.copyText("en pausa");
    tick();
    EXPECT_TRUE(clipboard.asked.empty()) << "not even read";
    EXPECT_TRUE(log.contains("[Brisa] Cambio ignorado (captura en pausa)"));

    // Paused while a copy made before is still being read.
    pause.resume();
    clipboard.manualAnswers = true;
    clipboard.copyText("leída antes");
    tick();
    pause.pause();
    clipboard.answerAll();
    EXPECT_EQ(storage->count(), 0);

    pause.resume();
    clipboard.manualAnswers = false;
    clock.advance(5min);
    EXPECT_EQ(storage->count(), 0) << "what was copied during the pause stays out";
    clipboard.copyText("después");
    tick();
    EXPECT_EQ(texts(), std::vector<std::string>{"después"});
}

TEST_F(ClipboardMonitorTest, SourceIsTheAppInFrontWhenTheChangeWasSeenNotWhenTheReadAnswered)
{
    auto monitor = makeMonitor();
    clipboard.manualAnswers = true;
    clipboard.copyText("hola");
    tick();
    front = SourceApp{"firefox", "Firefox"};
    clipboard.answerAll();
    ASSERT_EQ(storage->count(), 1);
    EXPECT_EQ(clips()[0].sourceAppBundleID, "org.gnome.TextEditor");
}

TEST_F(ClipboardMonitorTest, SensitiveContentIsSkippedWithItsLogLineAndNeverCapturedLater)
{
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, Bytes>> targets;
        bool contentRead; // the hint's value is only known once read, so the text comes in the same read
    };
    const std::vector<Case> cases{
        {"marker", {{"org.nspasteboard.ConcealedType", {}}, {"UTF8_STRING", toBytes("secreto")}}, false},
        {"transient", {{"UTF8_STRING", toBytes("secreto")}, {"org.nspasteboard.TransientType", {}}}, false},
        {"password manager",
         {{"x-kde-passwordManagerHint", toBytes("secret")}, {"UTF8_STRING", toBytes("secreto")}},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::LogCapture lines;
        auto monitor = makeMonitor();
        clipboard.offer(c.targets);
        tick();
        clock.advance(3s);
        EXPECT_EQ(storage->count(), 0);
        EXPECT_TRUE(lines.contains("[Brisa] Cambio ignorado (contenido sensible)"));
        ASSERT_FALSE(clipboard.asked.empty());
        const auto& asked = clipboard.asked.back();
        EXPECT_EQ(std::count(asked.begin(), asked.end(), "UTF8_STRING"), c.contentRead ? 1 : 0);
    }
}

TEST_F(ClipboardMonitorTest, PasswordManagerHintOtherThanSecretIsCaptured)
{
    auto monitor = makeMonitor();
    clipboard.offer({{"x-kde-passwordManagerHint", toBytes("public")}, {"UTF8_STRING", toBytes("usuario")}});
    tick();
    EXPECT_EQ(texts(), std::vector<std::string>{"usuario"});
}

TEST_F(ClipboardMonitorTest, ContentDetectionCannotUseIsSkippedSilently)
{
    auto monitor = makeMonitor();
    const auto before = log.lines().size();
    clipboard.offer({{"text/html", toBytes("<b>x</b>")}});
    tick();
    EXPECT_EQ(storage->count(), 0);
    EXPECT_EQ(log.lines().size(), before);
    EXPECT_TRUE(toasts.empty());
}

TEST_F(ClipboardMonitorTest, BulkCopyBatchGoesOnNewClipsButNotOnARefreshedDuplicate)
{
    auto monitor = makeMonitor();
    clipboard.copyText("antes");
    tick();
    const Uuid id = Uuid::random();
    batch = std::optional<Uuid>(id);
    clipboard.copyText("antes");
    tick();
    EXPECT_FALSE(clips()[0].batchID) << "a duplicate does not join the batch";
    clipboard.copyText("uno");
    tick();
    EXPECT_EQ(clips()[0].batchID, id);

    batch = std::optional<Uuid>(); // bulk copy on, but no batch id yet
    clipboard.copyText("dos");
    tick();
    EXPECT_FALSE(clips()[0].batchID);
    EXPECT_EQ(storage->count(), 3);
}

TEST_F(ClipboardMonitorTest, ImageClipGetsFileThumbnailToastAndTextRecognition)
{
    auto monitor = makeMonitor();
    const Bytes png = test::gradientImage(800, 400);
    clipboard.copyImage(png);
    tick();
    auto all = clips();
    ASSERT_EQ(all.size(), 1u);
    const ClipItem& clip = all[0];
    EXPECT_EQ(clip.typeRaw, "image");
    ASSERT_TRUE(clip.imageFileName);

    ASSERT_EQ(toasts.size(), 1u);
    const ToastData& toast = toasts[0];
    EXPECT_EQ(toast.title(), "Imagen copiada");
    EXPECT_EQ(toast.subtitle(), "Editor de texto");
    ASSERT_TRUE(toast.thumbnail());
    EXPECT_EQ(ImageThumbnailer::imagePixelSize(*toast.thumbnail()), (ImageThumbnailer::PixelSize{160, 80}));
    EXPECT_EQ(toast.drag, ClipDragPayload::imageFile(*clip.imageFileName));

    ASSERT_EQ(recognised.size(), 1u);
    EXPECT_EQ(recognised[0].first, clip.id);
    EXPECT_EQ(recognised[0].second, png);

    clipboard.copyImage(png);
    tick();
    EXPECT_EQ(recognised.size(), 1u) << "a duplicate is not recognised again";
    EXPECT_EQ(toasts.size(), 1u);
}

TEST_F(ClipboardMonitorTest, ImageWhoseFileCannotBeWrittenHasNothingToDrag)
{
    auto monitor = makeMonitor();
    fs::remove_all(storage->imagesDir());
    std::ofstream(storage->imagesDir()) << "not a folder";
    clipboard.copyImage(test::gradientImage(64, 64));
    tick();
    EXPECT_FALSE(clips()[0].imageFileName);
    ASSERT_EQ(toasts.size(), 1u);
    EXPECT_FALSE(toasts[0].drag) << "no file to drag";
}

TEST_F(ClipboardMonitorTest, TextToastCarriesTheFirstSixtyCharactersAndTheText)
{
    auto monitor = makeMonitor();
    std::string longText;
    for (int i = 0; i < 70; ++i)
        longText += "e\xCC\x81"; // "é" as e + combining acute: one character, three bytes
    clipboard.copyText(longText);
    tick();
    ASSERT_EQ(toasts.size(), 1u);
    std::string expected;
    for (int i = 0; i < 60; ++i)
        expected += "e\xCC\x81";
    EXPECT_EQ(toasts[0].kind, ToastData::Kind(ToastData::Text{expected}));
    EXPECT_EQ(toasts[0].sourceApp, "Editor de texto");
    EXPECT_EQ(toasts[0].drag, ClipDragPayload::text(longText));
    EXPECT_TRUE(recognised.empty());
}

TEST_F(ClipboardMonitorTest, BigImageFollowedByQuickTextAreRecordedInCopyOrder)
{
    ManualBackground background;
    auto monitor = makeMonitor(background.function());
    clipboard.copyImage(test::gradientImage(300, 200));
    tick();
    clipboard.copyText("después");
    tick();
    EXPECT_EQ(storage->count(), 0) << "the text waits for the image copied before it";
    EXPECT_EQ(monitor->pendingCount(), 2u);
    ASSERT_EQ(background.jobs.size(), 1u) << "text is prepared on the main thread";

    background.jobs[0]();
    clock.runPosted();
    auto all = clips();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].textContent, "después");
    EXPECT_EQ(all[1].typeRaw, "image");
    ASSERT_EQ(toasts.size(), 2u);
    EXPECT_EQ(toasts[0].title(), "Imagen copiada");
    EXPECT_EQ(monitor->pendingCount(), 0u);
}

TEST_F(ClipboardMonitorTest, ImagesPreparedOutOfOrderAreStillRecordedInCopyOrder)
{
    ManualBackground background;
    auto monitor = makeMonitor(background.function());
    const Bytes first = test::gradientImage(40, 30), second = test::gradientImage(30, 40);
    clipboard.copyImage(first);
    tick();
    clipboard.copyImage(second);
    tick();
    ASSERT_EQ(background.jobs.size(), 2u);
    background.jobs[1]();
    clock.runPosted();
    EXPECT_EQ(storage->count(), 0);
    background.jobs[0]();
    clock.runPosted();
    ASSERT_EQ(recognised.size(), 2u);
    EXPECT_EQ(recognised[0].second, first);
    EXPECT_EQ(recognised[1].second, second);
    EXPECT_EQ(storage->count(), 2);
}

TEST_F(ClipboardMonitorTest, WorksWithARealWorkerPool)
{
    WorkerPool pool(2);
    std::mutex mutex;
    std::condition_variable finished;
    int running = 0;
    // Counts the jobs so the test can wait for them instead of sleeping.
    auto monitor = makeMonitor([&](std::function<void()> job) {
        {
            std::lock_guard lock(mutex);
            ++running;
        }
        return pool.submit([&, job = std::move(job)] {
            job();
            std::lock_guard lock(mutex);
            --running;
            finished.notify_all();
        });
    });
    clipboard.copyImage(test::gradientImage(1200, 900));
    tick();
    clipboard.copyText("texto");
    tick();
    {
        std::unique_lock lock(mutex);
        finished.wait(lock, [&] { return running == 0; });
    }
    clock.runPosted();
    auto all = clips();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].textContent, "texto");
    EXPECT_EQ(all[1].typeRaw, "image");
}

TEST_F(ClipboardMonitorTest, ResultsArrivingAfterTheMonitorIsGoneAreDropped)
{
    ManualBackground background;
    auto monitor = makeMonitor(background.function());
    clipboard.copyImage(test::gradientImage(40, 30));
    tick();
    monitor.reset();
    ASSERT_EQ(background.jobs.size(), 1u);
    background.jobs[0]();
    clock.runPosted();
    EXPECT_EQ(storage->count(), 0);
}

TEST_F(ClipboardMonitorTest, AChangeSeenOrToldWhileAReadIsInFlightIsReadAfterIt)
{
    for (const bool told : {false, true}) {
        SCOPED_TRACE(told);
        storage->clearHistory(true);
        events = told;
        auto monitor = makeMonitor();
        const auto notice = [&] { told ? tell() : tick(); };
        clipboard.manualAnswers = true;
        clipboard.copyText("uno");
        notice();
        ASSERT_EQ(clipboard.waiting.size(), 1u);
        auto answerOne = std::move(clipboard.waiting[0]);
        clipboard.waiting.clear();
        clipboard.copyText("dos");
        notice();
        notice();
        EXPECT_TRUE(clipboard.waiting.empty()) << "never two reads at once";
        EXPECT_TRUE(monitor->isReading());

        // The first read's content was replaced before it could be recorded: the two copies collapse,
        // as copies faster than a tick do; on events it is looked at again without being told.
        answerOne();
        if (!told) {
            EXPECT_FALSE(monitor->isReading());
        }
        told ? settle() : tick();
        ASSERT_EQ(clipboard.waiting.size(), 1u);
        clipboard.answerAll();
        EXPECT_EQ(texts(), std::vector<std::string>{"dos"});
    }
}

TEST_F(ClipboardMonitorTest, SnapshotOfAChangeOvertakenDuringTheReadIsLeftToTheNextTick)
{
    auto monitor = makeMonitor();
    clipboard.manualAnswers = true;
    clipboard.copyText("externo");
    tick();
    // Brisa pastes while the read is in flight; the read ends up with Brisa's own content.
    monitor->ignoreNextChange = true;
    clipboard.copyText("pegado por Brisa");
    clipboard.answerAll();
    tick();
    clipboard.answerAll();
    EXPECT_EQ(storage->count(), 0) << "Brisa's own write is never recorded";

    clipboard.copyText("siguiente");
    tick();
    clipboard.answerAll();
    EXPECT_EQ(texts(), std::vector<std::string>{"siguiente"});
}

TEST_F(ClipboardMonitorTest, ReadThatNeverAnswersIsGivenUpAndItsLateAnswerIgnored)
{
    for (const bool told : {false, true}) {
        SCOPED_TRACE(told);
        storage->clearHistory(true);
        events = told;
        test::LogCapture lines;
        auto monitor = makeMonitor();
        clipboard.manualAnswers = true;
        clipboard.copyText("colgado");
        told ? tell() : tick();
        auto lost = std::move(clipboard.waiting[0]);
        clipboard.waiting.clear();
        clipboard.copyText("después");
        if (told)
            tell();
        // Polling, the next read comes at the tick after the timeout; on events, the read's own timer.
        clock.advance(ClipboardMonitor::kReadTimeout - (told ? 1ms : 300ms));
        EXPECT_TRUE(clipboard.waiting.empty());
        clock.advance(told ? 1ms : 600ms);
        EXPECT_TRUE(lines.contains("[Brisa] Lectura del portapapeles sin respuesta"));
        ASSERT_EQ(clipboard.waiting.size(), 1u);
        clipboard.answerAll();
        lost();
        settle();
        EXPECT_EQ(texts(), std::vector<std::string>{"después"});
    }
}

TEST_F(ClipboardMonitorTest, FailedReadRecordsNothingAndCaptureGoesOn)
{
    auto monitor = makeMonitor();
    clipboard.readsFail = true;
    clipboard.copyText("perdido");
    tick();
    EXPECT_EQ(storage->count(), 0);
    clipboard.readsFail = false;
    clipboard.copyText("bien");
    tick();
    EXPECT_EQ(texts(), std::vector<std::string>{"bien"});
}

TEST_F(ClipboardMonitorTest, CopiedFileBecomesAFileClipWithItsNameInTheToast)
{
    auto monitor = makeMonitor();
    const fs::path pdf = dir / "informe final.pdf";
    std::ofstream(pdf) << "%PDF";
    clipboard.offer({{"text/uri-list", toBytes("file://" + dir.path().string() + "/informe%20final.pdf\r\n")}});
    tick();
    auto all = clips();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].typeRaw, "file");
    EXPECT_EQ(all[0].textContent, pdf.string());
    ASSERT_EQ(toasts.size(), 1u);
    EXPECT_EQ(toasts[0].kind, ToastData::Kind(ToastData::File{"informe final.pdf"}));
    EXPECT_EQ(toasts[0].drag, ClipDragPayload::filePath(pdf.string()));
}

TEST_F(ClipboardMonitorTest, ToastDataFollowsTheKindOfTheClip)
{
    const auto item = [](ClipType type, std::optional<std::string> text) {
        ClipItem c;
        c.typeRaw = std::string(rawValue(type));
        c.textContent = std::move(text);
        return c;
    };
    const SourceApp app{"firefox", "Firefox"};
    using K = ToastData::Kind;
    struct Case {
        ClipItem clip;
        K kind;
    };
    const std::vector<Case> cases{
        {item(ClipType::Code, "let a = 1;\nlet b = 2;"), ToastData::Code{"let a = 1;\nlet b = 2;"}},
        {item(ClipType::Text, std::nullopt), ToastData::Text{std::nullopt}},
        {item(ClipType::Link, "https://example.org"), ToastData::Link{"https://example.org"}},
        {item(ClipType::Link, std::nullopt), ToastData::Link{""}},
        {item(ClipType::Color, "#FF8800"), ToastData::Color{"#FF8800"}},
        {item(ClipType::File, "/home/ana/fotos/"), ToastData::File{"fotos"}},
        {item(ClipType::File, std::nullopt), ToastData::File{std::nullopt}},
        {item(ClipType::Screenshot, std::nullopt), ToastData::Screenshot{toBytes("png")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clip.typeRaw);
        const auto data = ClipboardMonitor::toastData(c.clip, app, toBytes("png"));
        EXPECT_EQ(data.kind, c.kind);
        EXPECT_EQ(data.sourceApp, "Firefox");
        EXPECT_EQ(data.drag, ClipDragPayload::from(c.clip));
    }
    EXPECT_EQ(ClipboardMonitor::toastData(item(ClipType::Text, "x"), std::nullopt, std::nullopt).sourceApp,
              std::nullopt);
}

TEST(ClipboardTargetsToRead, AsksForWhatDetectionUsesAndNothingElse)
{
    using V = std::vector<std::string>;
    struct Case {
        const char* name;
        V offered, wanted;
    };
    const std::vector<Case> cases{
        {"text prefers UTF-8", {"TARGETS", "text/plain", "UTF8_STRING", "STRING"}, {"UTF8_STRING"}},
        {"utf-8 mime first", {"UTF8_STRING", "text/plain;charset=utf-8"}, {"text/plain;charset=utf-8"}},
        {"files and their text", {"x-special/gnome-copied-files", "text/uri-list", "UTF8_STRING"},
         {"text/uri-list", "x-special/gnome-copied-files", "UTF8_STRING"}},
        {"one image, PNG first", {"image/jpeg", "image/png", "image/bmp", "text/html"}, {"image/png"}},
        {"one image, detection order", {"image/gif", "image/bmp", "image/tiff"}, {"image/tiff"}},
        {"offered spelling kept", {"Image/PNG", "Text/Plain"}, {"Image/PNG", "Text/Plain"}},
        {"password manager hint", {"x-kde-passwordManagerHint", "UTF8_STRING"},
         {"x-kde-passwordManagerHint", "UTF8_STRING"}},
        {"privacy marker", {"UTF8_STRING", "org.nspasteboard.ConcealedType", "image/png"}, {}},
        {"marker with hint", {"UTF8_STRING", "x-kde-passwordManagerHint", "org.nspasteboard.TransientType"},
         {"x-kde-passwordManagerHint"}},
        {"nothing usable", {"TARGETS", "TIMESTAMP", "text/html"}, {}},
        {"nothing offered", {}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClipboardTypeDetector::targetsToRead(c.offered), c.wanted) << c.name;
}

// ---- On change events: nothing polls, the rules stay ----

TEST_F(ClipboardMonitorTest, OnEventsACopyIsRecordedWhenToldAndNoTimerRuns)
{
    events = true;
    auto monitor = makeMonitor();
    EXPECT_TRUE(monitor->onChangeEvents());
    EXPECT_TRUE(log.contains("[Brisa] ClipboardMonitor iniciado (a cada cambio del portapapeles)"));
    EXPECT_EQ(clock.pendingCount(), 0u) << "no poll timer";

    clipboard.copyText("hola");
    tell();
    EXPECT_EQ(texts(), std::vector<std::string>{"hola"}) << "recorded without the clock moving";
    EXPECT_EQ(clock.pendingCount(), 0u) << "the read's watchdog is gone with the read";

    clipboard.copyText("no contado");
    clock.advance(1h);
    EXPECT_EQ(clipboard.asked.size(), 1u) << "a change nobody told of is not looked for";
}

TEST_F(ClipboardMonitorTest, OnEventsABurstIsReadOnce)
{
    events = true;
    auto monitor = makeMonitor();
    for (const char* text : {"a", "b", "c"}) {
        clipboard.copyText(text);
        clock.post([this] { changed(); });
    }
    settle();
    EXPECT_EQ(clipboard.asked.size(), 1u);
    EXPECT_EQ(texts(), std::vector<std::string>{"c"});
}

TEST_F(ClipboardMonitorTest, WhatIsKeptForWhenTheOwnerQuitsFollowsTheRules)
{
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, Bytes>> targets;
        std::string blocked;
        std::vector<std::string> kept;
    };
    const std::vector<Case> cases{
        {"text, under all its names", {{"UTF8_STRING", toBytes("hola")}}, "",
         {"UTF8_STRING", "text/plain;charset=utf-8", "text/plain", "STRING"}},
        {"a secret", {{"UTF8_STRING", toBytes("clave")}, {"x-kde-passwordManagerHint", toBytes("secret")}}, "", {}},
        {"a copy from a blocked application", {{"UTF8_STRING", toBytes("bloqueado")}}, "org.gnome.TextEditor", {}},
        {"a link list and its text", {{"text/uri-list", toBytes("file:///tmp/a\r\n")}, {"text/plain", toBytes("/tmp/a")}}, "",
         {"text/uri-list", "text/plain", "text/plain;charset=utf-8", "UTF8_STRING", "STRING"}},
    };
    for (const auto& c : cases) {
        retained.clear();
        auto monitor = makeMonitor();
        if (!c.blocked.empty())
            monitor->blockedBundleIDs = {c.blocked};
        clipboard.offer(c.targets);
        tick();
        ASSERT_EQ(retained.size(), 1u) << c.name;
        EXPECT_EQ(retained[0].first, clipboard.count) << c.name;
        std::vector<std::string> names;
        for (const auto& [name, bytes] : retained[0].second)
            names.push_back(name);
        EXPECT_EQ(names, c.kept) << c.name;
    }
}

TEST_F(ClipboardMonitorTest, ASelectionStillBeingDraggedIsRecordedOnceWhenItSettles)
{
    events = true;
    bool& buttonHeld = clipboard.buttonHeld;
    buttonHeld = true;
    ClipboardMonitor monitor(clipboard, &frontmost, clock, *storage, images, [](std::function<void()> job) {
        job();
        return true;
    });
    monitor.settleDelay = 500ms;
    monitor.start();

    // A drag: the selection grows with every pointer move.
    for (const char* text : {"h", "ho", "hol", "hola"}) {
        clipboard.copyText(text);
        tell();
        clock.advance(100ms);
    }
    clock.advance(2s);
    EXPECT_TRUE(clipboard.asked.empty()) << "nothing read while the button is held";
    buttonHeld = false;
    clock.advance(500ms);
    EXPECT_EQ(texts(), std::vector<std::string>{"hola"});

    // A selection made from the keyboard: no button, recorded once it stops changing.
    clipboard.copyText("otra");
    tell();
    clock.advance(499ms);
    EXPECT_EQ(storage->count(), 1);
    clock.advance(1ms);
    EXPECT_EQ(texts(), (std::vector<std::string>{"otra", "hola"}));
}
