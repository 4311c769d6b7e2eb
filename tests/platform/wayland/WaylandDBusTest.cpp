// SPDX-License-Identifier: GPL-3.0-or-later
// Paste keystrokes and global shortcuts through the desktop portal, and the active window through
// KWin, against a fake portal and a fake KWin on a private session bus (dbus-run-session), on a
// connection and thread of their own.
#include "platform/wayland/KWinFrontmostApplication.h"
#include "fakes/QtCoreApp.h"
#include "platform/portal/DesktopPortal.h"
#include "platform/portal/PortalGlobalHotkeys.h"
#include "platform/portal/PortalKeySynthesizer.h"
#include "core/support/AtomicFile.h"
#include "fakes/TempDir.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

using namespace brisa;

namespace {

constexpr const char* kConnection = "fake-portal";
QDBusConnection fakeBus() { return QDBusConnection(QString::fromUtf8(kConnection)); }

/// What the fake portal was asked, one line per call ("CreateSession", "NotifyKeyboardKeysym 65507 1").
struct Calls : test::CallLog {
    /// The answer code of the next Start: 0 agreed, 1 refused by the user.
    std::atomic<unsigned> startCode{0};
};

Calls calls;

} // namespace

// Named, not anonymous: QtDBus finds a slot's parameter types by the names the slot was written with.
namespace fakeportal {

/// One shortcut as BindShortcuts receives it: (id, options).
struct Shortcut {
    QString id;
    QVariantMap options;
};

QDBusArgument& operator<<(QDBusArgument& out, const Shortcut& shortcut)
{
    out.beginStructure();
    out << shortcut.id << shortcut.options;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, Shortcut& shortcut)
{
    in.beginStructure();
    in >> shortcut.id >> shortcut.options;
    in.endStructure();
    return in;
}

} // namespace fakeportal

Q_DECLARE_METATYPE(fakeportal::Shortcut)

namespace {

/// The object at /org/freedesktop/portal/desktop: answers every request at once with a Response on
/// the request path the caller was promised.
class FakePortal : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    QDBusObjectPath respond(const QVariantMap& options, unsigned code, const QVariantMap& results)
    {
        QString sender = message().service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString path = "/org/freedesktop/portal/desktop/request/" + sender + "/" +
                             options.value("handle_token").toString();
        auto signal = QDBusMessage::createSignal(path, "org.freedesktop.portal.Request", "Response");
        signal << code << results;
        fakeBus().send(signal);
        return QDBusObjectPath(path);
    }
};

class FakeRegistry : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.host.portal.Registry")
public:
    explicit FakeRegistry(FakePortal* parent) : QDBusAbstractAdaptor(parent) {}
public Q_SLOTS:
    void Register(const QString& appId, const QVariantMap&) { calls.add("Register " + appId); }
};

class FakeRemoteDesktop : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.RemoteDesktop")
    Q_PROPERTY(uint version READ version)
    Q_PROPERTY(uint AvailableDeviceTypes READ deviceTypes)
public:
    explicit FakeRemoteDesktop(FakePortal* parent) : QDBusAbstractAdaptor(parent), portal_(parent) {}
    uint version() const { return 2; }
    uint deviceTypes() const { return 7; }
public Q_SLOTS:
    QDBusObjectPath CreateSession(const QVariantMap& options)
    {
        calls.add("CreateSession");
        return portal_->respond(options, 0, {{"session_handle", "/org/freedesktop/portal/desktop/session/1_1/rd"}});
    }
    QDBusObjectPath SelectDevices(const QDBusObjectPath& session, const QVariantMap& options)
    {
        calls.add(QStringLiteral("SelectDevices %1 types=%2 persist=%3 restore=%4")
                      .arg(session.path(), options.value("types").toString(), options.value("persist_mode").toString(),
                           options.value("restore_token").toString()));
        return portal_->respond(options, 0, {});
    }
    QDBusObjectPath Start(const QDBusObjectPath&, const QString&, const QVariantMap& options)
    {
        calls.add("Start");
        return portal_->respond(options, calls.startCode, {{"devices", 1u}, {"restore_token", "permiso-1"}});
    }
    void NotifyKeyboardKeysym(const QDBusObjectPath& session, const QVariantMap&, int keysym, uint state)
    {
        calls.add(QStringLiteral("NotifyKeyboardKeysym %1 %2 %3").arg(session.path()).arg(keysym).arg(state));
    }

private:
    FakePortal* portal_;
};

class FakeGlobalShortcuts : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)
public:
    explicit FakeGlobalShortcuts(FakePortal* parent) : QDBusAbstractAdaptor(parent), portal_(parent) {}
    uint version() const { return 1; }
public Q_SLOTS:
    QDBusObjectPath CreateSession(const QVariantMap& options)
    {
        calls.add("CreateSession");
        return portal_->respond(options, 0, {{"session_handle", "/org/freedesktop/portal/desktop/session/1_1/gs"}});
    }
    QDBusObjectPath BindShortcuts(const QDBusObjectPath& session, const QList<fakeportal::Shortcut>& shortcuts, const QString&,
                                  const QVariantMap& options)
    {
        QStringList bound;
        for (const auto& shortcut : shortcuts)
            bound << shortcut.id + "=" + shortcut.options.value("preferred_trigger").toString();
        calls.add("BindShortcuts " + session.path() + " " + bound.join(","));
        return portal_->respond(options, 0, {});
    }

private:
    FakePortal* portal_;
};

/// Sends one of the GlobalShortcuts signals as the portal would.
void sendShortcutSignal(const char* name, const QString& session, const QString& id)
{
    auto signal = QDBusMessage::createSignal("/org/freedesktop/portal/desktop", "org.freedesktop.portal.GlobalShortcuts", name);
    signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(1) << QVariantMap{};
    fakeBus().send(signal);
}

/// KWin's scripting interface: loads the one script it is given as number 7.
class FakeKWinScripting : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kwin.Scripting")
public Q_SLOTS:
    int loadScript(const QString& path, const QString& plugin)
    {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        script = QString::fromUtf8(file.readAll());
        calls.add("loadScript " + plugin);
        return 7;
    }
    bool unloadScript(const QString& plugin)
    {
        calls.add("unloadScript " + plugin);
        return false;
    }

public:
    QString script;
};

class FakeKWinScript : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kwin.Script")
public Q_SLOTS:
    void run() { calls.add("run"); }
};

FakeKWinScripting* kwinScripting = nullptr;

void startFakePortalOnce()
{
    static bool started = [] {
        qDBusRegisterMetaType<fakeportal::Shortcut>();
        qDBusRegisterMetaType<QList<fakeportal::Shortcut>>();
        auto* thread = new QThread; // lives to the end of the process, like the fakes
        thread->start();
        auto* portal = new FakePortal;
        new FakeRegistry(portal);
        new FakeRemoteDesktop(portal);
        new FakeGlobalShortcuts(portal);
        portal->moveToThread(thread);
        kwinScripting = new FakeKWinScripting;
        kwinScripting->moveToThread(thread);
        auto* kwinScript = new FakeKWinScript;
        kwinScript->moveToThread(thread);
        auto bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QString::fromUtf8(kConnection));
        bus.registerObject("/org/freedesktop/portal/desktop", portal, QDBusConnection::ExportAdaptors);
        bus.registerObject("/Scripting", kwinScripting, QDBusConnection::ExportAllSlots);
        bus.registerObject("/Scripting/Script7", kwinScript, QDBusConnection::ExportAllSlots);
        return bus.registerService("org.freedesktop.portal.Desktop") && bus.registerService("org.kde.KWin");
    }();
    ASSERT_TRUE(started);
}

bool waitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 5000); }

class PortalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureCoreApp();
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "needs a D-Bus session bus (run under dbus-run-session)";
        startFakePortalOnce();
        calls.take();
        calls.startCode = 0;
    }
    test::TempDir dir;
};

TEST_F(PortalTest, TheVersionSaysWhichInterfacesThePortalOffers)
{
    EXPECT_EQ(DesktopPortal::version("org.freedesktop.portal.RemoteDesktop"), 2u);
    EXPECT_EQ(DesktopPortal::version("org.freedesktop.portal.GlobalShortcuts"), 1u);
    EXPECT_EQ(DesktopPortal::version("org.freedesktop.portal.Inexistente"), 0u);
    EXPECT_EQ(DesktopPortal::property("org.freedesktop.portal.RemoteDesktop", "AvailableDeviceTypes").toUInt(), 7u);
    DesktopPortal::registerApplication("org.brisa.Brisa");
    EXPECT_EQ(calls.take(), QStringList{"Register org.brisa.Brisa"});
}

TEST_F(PortalTest, PasteKeysGoThroughTheRemoteDesktopKeyboardOnceTheSessionRuns)
{
    const auto tokenFile = dir.path() / "token";
    ASSERT_FALSE(writeFileAtomically(tokenFile, "permiso-0"));
    PortalKeySynthesizer keys(2, tokenFile);
    ASSERT_TRUE(waitFor([&] { return keys.state() != PortalKeySynthesizer::State::Starting; }));
    EXPECT_EQ(keys.state(), PortalKeySynthesizer::State::Ready);
    EXPECT_EQ(calls.take(), (QStringList{"CreateSession",
                                         "SelectDevices /org/freedesktop/portal/desktop/session/1_1/rd types=1 persist=2 "
                                         "restore=permiso-0",
                                         "Start"}));
    EXPECT_EQ(readWholeFile(tokenFile), "permiso-1"); // the new token replaces the old

    struct Case {
        PasteChord chord;
        QStringList keys; // keysym and state, in order
    };
    const std::vector<Case> cases{
        {PasteChord::ControlV, {"65507 1", "118 1", "118 0", "65507 0"}},
        {PasteChord::ControlShiftV, {"65507 1", "65505 1", "118 1", "118 0", "65505 0", "65507 0"}},
        {PasteChord::ShiftInsert, {"65505 1", "65379 1", "65379 0", "65505 0"}},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(keys.available());
        ASSERT_TRUE(keys.sendPaste(c.chord));
        QStringList expected;
        for (const auto& key : c.keys)
            expected << "NotifyKeyboardKeysym /org/freedesktop/portal/desktop/session/1_1/rd " + key;
        EXPECT_TRUE(waitFor([&] { return calls.peek().size() >= expected.size(); }));
        EXPECT_EQ(calls.take(), expected);
    }
}

TEST_F(PortalTest, ARefusedSessionTypesNothingAndSaysSo)
{
    calls.startCode = 1;
    PortalKeySynthesizer keys(1, dir.path() / "token");
    ASSERT_TRUE(waitFor([&] { return keys.state() != PortalKeySynthesizer::State::Starting; }));
    EXPECT_EQ(keys.state(), PortalKeySynthesizer::State::Refused);
    EXPECT_FALSE(keys.available());
    EXPECT_FALSE(keys.sendPaste(PasteChord::ControlV));
    // Version 1 knows no persistence: neither asked for nor kept.
    EXPECT_EQ(calls.take(), (QStringList{"CreateSession",
                                         "SelectDevices /org/freedesktop/portal/desktop/session/1_1/rd types=1 persist= "
                                         "restore=",
                                         "Start"}));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "token"));
}

TEST_F(PortalTest, ShortcutsAreBoundTogetherAndActivatedOnesRunTheirAction)
{
    PortalGlobalHotkeys hotkeys;
    std::vector<std::pair<GlobalHotkeys::HotkeyId, GlobalHotkeys::KeyEvent>> events;
    hotkeys.setHandler([&](GlobalHotkeys::HotkeyId id, GlobalHotkeys::KeyEvent event) { events.emplace_back(id, event); });
    EXPECT_TRUE(hotkeys.grab('v', 4 | 1, 1));  // Ctrl+Shift+V
    EXPECT_TRUE(hotkeys.grab(0xff0d, 64, 2));  // Super+Return
    EXPECT_EQ(hotkeys.grab('v', 1 | 4, 3).status, GlobalHotkeys::statusDuplicate);
    const QString session = "/org/freedesktop/portal/desktop/session/1_1/gs";
    ASSERT_TRUE(waitFor([] { return calls.peek().size() >= 2; }));
    EXPECT_EQ(calls.take(), (QStringList{"CreateSession", "BindShortcuts " + session + " 1=CTRL+SHIFT+v,2=LOGO+Return"}));

    sendShortcutSignal("Activated", session, "2");
    sendShortcutSignal("Deactivated", session, "2");
    sendShortcutSignal("Activated", "/org/freedesktop/portal/desktop/session/otra", "1"); // not ours
    sendShortcutSignal("Activated", session, "1");
    ASSERT_TRUE(waitFor([&] { return events.size() >= 3; }));
    using E = GlobalHotkeys::KeyEvent;
    EXPECT_EQ(events, (std::vector<std::pair<GlobalHotkeys::HotkeyId, E>>{{2, E::pressed}, {2, E::released}, {1, E::pressed}}));

    hotkeys.ungrab(2);
    ASSERT_TRUE(waitFor([] { return !calls.peek().isEmpty(); }));
    EXPECT_EQ(calls.take(), (QStringList{"BindShortcuts " + session + " 1=CTRL+SHIFT+v"}));
    sendShortcutSignal("Activated", session, "2");
    sendShortcutSignal("Activated", session, "1");
    ASSERT_TRUE(waitFor([&] { return events.size() >= 4; }));
    EXPECT_EQ(events.back(), std::make_pair(GlobalHotkeys::HotkeyId{1}, E::pressed));
    EXPECT_EQ(events.size(), 4u);
}

TEST_F(PortalTest, KWinTellsTheActiveWindowThroughItsScript)
{
    std::filesystem::create_directories(dir.path() / "apps");
    ASSERT_FALSE(writeFileAtomically(dir.path() / "apps" / "org.kde.dolphin.desktop",
                                     "[Desktop Entry]\nType=Application\nName=Dolphin\nExec=dolphin\n"));
    const auto scriptFile = dir.path() / "kwin.js";
    auto frontmost = KWinFrontmostApplication::create(scriptFile, QDBusConnection::sessionBus(),
                                                      std::vector<std::filesystem::path>{dir.path() / "apps"});
    ASSERT_TRUE(frontmost);
    EXPECT_EQ(calls.take(), (QStringList{"unloadScript brisa-active-window", "loadScript brisa-active-window", "run"}));
    EXPECT_TRUE(kwinScripting->script.contains('"' + QDBusConnection::sessionBus().baseService() + '"'));
    EXPECT_TRUE(kwinScripting->script.contains("windowActivated"));
    EXPECT_FALSE(frontmost->frontmost()); // nothing told yet

    // What the script's callDBus sends, window by window.
    const auto tell = [&](const QString& desktopFileName, const QString& resourceClass) {
        auto call = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), "/org/brisa/ActiveWindow",
                                                   "org.brisa.ActiveWindow", "activated");
        call << desktopFileName << resourceClass;
        fakeBus().asyncCall(call); // answered by this thread's event loop, while waiting below
    };
    struct Case {
        QString desktopFileName, resourceClass;
        std::optional<std::string> id, name;
    };
    const std::vector<Case> cases{
        {"org.kde.dolphin", "dolphin", "org.kde.dolphin", "Dolphin"},
        {"org.kde.dolphin.desktop", "", "org.kde.dolphin", "Dolphin"},
        {"", "xterm", "xterm", "xterm"},
        {"", "", std::nullopt, std::nullopt}, // never the previous window's name
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.desktopFileName.toStdString() + "/" + c.resourceClass.toStdString());
        tell(c.desktopFileName, c.resourceClass);
        ASSERT_TRUE(waitFor([&] { return frontmost->frontmost().has_value() == c.id.has_value() &&
                                         (!c.id || frontmost->frontmost()->bundleID == c.id); }));
        if (c.name) {
            EXPECT_EQ(frontmost->frontmost()->name, c.name);
        }
    }
    frontmost.reset();
    EXPECT_TRUE(waitFor([] { return !calls.peek().isEmpty(); }));
    EXPECT_EQ(calls.take(), QStringList{"unloadScript brisa-active-window"});
    EXPECT_FALSE(std::filesystem::exists(scriptFile));
}

TEST(PortalTriggers, TriggerNamesAreWrittenAsTheDesktopReadsThem)
{
    EXPECT_EQ(PortalGlobalHotkeys::triggerName('v', 4 | 1), "CTRL+SHIFT+v");
    EXPECT_EQ(PortalGlobalHotkeys::triggerName('1', 8 | 64), "ALT+LOGO+1");
    EXPECT_EQ(PortalGlobalHotkeys::triggerName(0xffbe, 0), "F1");
    EXPECT_EQ(PortalGlobalHotkeys::triggerName(0x12345678, 4), "");
}

} // namespace

#include "WaylandDBusTest.moc"
