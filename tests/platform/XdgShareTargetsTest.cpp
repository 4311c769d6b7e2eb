// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/XdgShareTargets.h"
#include "fakes/QtCoreApp.h"
#include "core/support/AtomicFile.h"
#include "fakes/TempDir.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QMutex>
#include <QMutexLocker>
#include <QTest>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace brisa;
using Kind = ShareContent::Kind;

namespace {

/// What the fake services were handed, one line each ("shareText hola", "OpenFile /a.png ask").
using Received = test::CallLog;

Received received;

/// The file a descriptor passed over the bus refers to.
QString pathOf(const QDBusUnixFileDescriptor& fd)
{
    return QFile::symLinkTarget(QStringLiteral("/proc/self/fd/%1").arg(fd.fileDescriptor()));
}

class FakeConnectDaemon : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kdeconnect.daemon")
public Q_SLOTS:
    // "old" is paired but out of reach.
    QStringList devices(bool onlyReachable, bool onlyPaired)
    {
        return onlyReachable && onlyPaired ? QStringList{"phone", "tv"} : QStringList{"phone", "tv", "old"};
    }
};

class FakeConnectDevice : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kdeconnect.device")
    Q_PROPERTY(QString name READ name)
public:
    FakeConnectDevice(QString name, bool shares, QObject* parent) : QObject(parent), name_(std::move(name)), shares_(shares) {}
    QString name() const { return name_; }
public Q_SLOTS:
    bool hasPlugin(const QString& plugin) { return shares_ && plugin == QLatin1String("kdeconnect_share"); }

private:
    QString name_;
    bool shares_;
};

class FakeConnectShare : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kdeconnect.device.share")
public:
    using QObject::QObject;
public Q_SLOTS:
    void shareUrl(const QString& url) { received.add("shareUrl " + url); }
    void shareText(const QString& text) { received.add("shareText " + text); }
};

class FakeEmailPortal : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Email")
public:
    explicit FakeEmailPortal(QObject* parent) : QDBusAbstractAdaptor(parent) {}
public Q_SLOTS:
    QDBusObjectPath ComposeEmail(const QString&, const QVariantMap& options)
    {
        QString line = "ComposeEmail";
        if (options.contains("body"))
            line += " body=" + options.value("body").toString();
        if (options.contains("attachment_fds")) {
            QList<QDBusUnixFileDescriptor> fds;
            options.value("attachment_fds").value<QDBusArgument>() >> fds;
            for (const auto& fd : fds)
                line += " attach=" + pathOf(fd);
        }
        received.add(line);
        return QDBusObjectPath("/org/freedesktop/portal/desktop/request/1");
    }
};

class FakeOpenUriPortal : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.OpenURI")
public:
    explicit FakeOpenUriPortal(QObject* parent) : QDBusAbstractAdaptor(parent) {}
public Q_SLOTS:
    QDBusObjectPath OpenFile(const QString&, const QDBusUnixFileDescriptor& fd, const QVariantMap& options)
    {
        received.add("OpenFile " + pathOf(fd) + (options.value("ask").toBool() ? " ask" : ""));
        return QDBusObjectPath("/org/freedesktop/portal/desktop/request/2");
    }
};

constexpr const char* kConnection = "fake-share-services";
QDBusConnection fakeBus() { return QDBusConnection(QString::fromUtf8(kConnection)); }

/// The fake daemon and portal, on a connection and thread of their own so that the blocking
/// calls of the code under test are answered while the test thread waits. Only their bus names
/// come and go between cases.
void startFakesOnce()
{
    static bool started = [] {
        qDBusRegisterMetaType<QList<QDBusUnixFileDescriptor>>();
        auto* thread = new QThread; // lives to the end of the process, like the fakes
        thread->start();
        auto* root = new QObject;
        auto* daemon = new FakeConnectDaemon;
        daemon->setParent(root);
        auto* phone = new FakeConnectDevice("Pixel 8", true, root);
        auto* tv = new FakeConnectDevice("Tele", false, root); // no share plugin: not listed
        auto* share = new FakeConnectShare(root);
        auto* portal = new QObject(root);
        new FakeEmailPortal(portal);
        new FakeOpenUriPortal(portal);
        root->moveToThread(thread);
        auto bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QString::fromUtf8(kConnection));
        const auto exported = QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties;
        bus.registerObject("/modules/kdeconnect", daemon, exported);
        bus.registerObject("/modules/kdeconnect/devices/phone", phone, exported);
        bus.registerObject("/modules/kdeconnect/devices/phone/share", share, exported);
        bus.registerObject("/modules/kdeconnect/devices/tv", tv, exported);
        bus.registerObject("/org/freedesktop/portal/desktop", portal, QDBusConnection::ExportAdaptors);
        return true;
    }();
    (void)started;
}

class XdgShareTargetsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureCoreApp();
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "needs a D-Bus session bus (run under dbus-run-session)";
        startFakesOnce();
        received.take();
        path_ = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString((dir / "bin").string()));
        std::filesystem::create_directories(dir / "bin");
        test::writeFile(dir / "foto.png", "PNG");
        test::writeFile(dir / "informe.pdf", "PDF");
        live_ = true;
    }
    void TearDown() override
    {
        if (!live_)
            return; // skipped: no bus, nothing was changed
        qputenv("PATH", path_);
        for (const char* name : {"org.kde.kdeconnect", "org.freedesktop.portal.Desktop"})
            setService(name, false);
    }

    static void setService(const QString& name, bool on)
    {
        auto bus = fakeBus();
        const bool registered = bus.interface()->isServiceRegistered(name);
        if (on && !registered) {
            ASSERT_TRUE(bus.registerService(name));
        } else if (!on && registered) {
            ASSERT_TRUE(bus.unregisterService(name));
        }
    }
    /// A program on PATH that writes its arguments, NUL-ended, to NAME.args and exits with code.
    void stub(const std::string& name, int code = 0)
    {
        const auto path = dir / "bin" / name;
        test::writeFile(path, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$0.args\"\nexit "
                                  + std::to_string(code) + "\n");
        ::chmod(path.c_str(), 0755);
    }
    QStringList argsOf(const std::string& name)
    {
        auto text = readWholeFile(dir / "bin" / (name + ".args"));
        std::filesystem::remove(dir / "bin" / (name + ".args"));
        return text ? QString::fromStdString(*text).split(QChar(0), Qt::SkipEmptyParts) : QStringList{};
    }
    /// Sends and waits for the answer: empty when the target took it.
    std::string send(ShareTargetKind kind, const ShareContent& content, const std::string& device = {})
    {
        std::optional<std::string> result;
        targets.send({kind, "x", device}, content, [&](const std::string& error) { result = error; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 10000));
        return result.value_or("no answer");
    }

    test::TempDir dir;
    XdgShareTargets targets{dir / "share"};
    QByteArray path_;
    bool live_ = false;
    const ShareContent text{Kind::Text, "hola\nmundo", "hola.txt", "CLIP-1"};
    const ShareContent image{Kind::Image, (dir / "foto.png").string(), "foto.png", "CLIP-2"};
    const ShareContent file{Kind::File, (dir / "informe.pdf").string(), "informe.pdf", "CLIP-3"};
};

} // namespace

TEST_F(XdgShareTargetsTest, OffersOnlyWhatTheSessionHas)
{
    const struct {
        bool connect, portal, xdgEmail, blueman;
        std::vector<std::string> devices;
        bool email, bluetooth, openWith;
    } cases[] = {
        {false, false, false, false, {}, false, false, false},
        {false, false, true, true, {}, true, true, false},
        {true, true, false, false, {"phone Pixel 8"}, true, false, true},
        {true, true, true, true, {"phone Pixel 8"}, true, true, true},
    };
    for (const auto& c : cases) {
        setService("org.kde.kdeconnect", c.connect);
        setService("org.freedesktop.portal.Desktop", c.portal);
        std::filesystem::remove_all(dir / "bin");
        std::filesystem::create_directories(dir / "bin");
        if (c.xdgEmail)
            stub("xdg-email");
        if (c.blueman)
            stub("blueman-sendto");
        const auto got = targets.available();
        std::vector<std::string> devices;
        for (const auto& d : got.devices)
            devices.push_back(d.id + " " + d.name);
        EXPECT_EQ(devices, c.devices);
        EXPECT_EQ(got.email, c.email);
        EXPECT_EQ(got.bluetooth, c.bluetooth);
        EXPECT_EQ(got.openWith, c.openWith);
    }
}

TEST_F(XdgShareTargetsTest, PairedDevicesAndThePortalReceiveTheFileOrTheText)
{
    setService("org.kde.kdeconnect", true);
    setService("org.freedesktop.portal.Desktop", true);
    const QString png = QString::fromStdString(image.value), pdf = QString::fromStdString(file.value);
    const struct {
        ShareTargetKind kind;
        ShareContent content;
        QString received;
    } cases[] = {
        {ShareTargetKind::Device, text, "shareText hola\nmundo"},
        {ShareTargetKind::Device, image, "shareUrl file://" + png},
        {ShareTargetKind::Device, file, "shareUrl file://" + pdf},
        {ShareTargetKind::Email, text, "ComposeEmail body=hola\nmundo"},
        {ShareTargetKind::Email, image, "ComposeEmail attach=" + png},
        {ShareTargetKind::Email, file, "ComposeEmail attach=" + pdf},
        {ShareTargetKind::OpenWith, image, "OpenFile " + png + " ask"},
        {ShareTargetKind::OpenWith, file, "OpenFile " + pdf + " ask"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(send(c.kind, c.content, "phone"), "") << c.received.toStdString();
        EXPECT_EQ(received.take(), QStringList{c.received});
    }
}

TEST_F(XdgShareTargetsTest, MailAndBluetoothProgramsReceiveTheFileOrTheText)
{
    stub("xdg-email");
    stub("blueman-sendto");
    const QString png = QString::fromStdString(image.value), pdf = QString::fromStdString(file.value);
    const QString textFile = QString::fromStdString((dir / "share" / "CLIP-1" / "hola.txt").string());
    const QString longFile = QString::fromStdString((dir / "share" / "CLIP-9" / "largo.txt").string());
    const ShareContent longText{Kind::Text, std::string(XdgShareTargets::kMaxMailBodyBytes + 1, 'a'), "largo.txt", "CLIP-9"};
    const struct {
        ShareTargetKind kind;
        ShareContent content;
        std::string program;
        QStringList arguments;
    } cases[] = {
        {ShareTargetKind::Email, text, "xdg-email", {"--utf8", "--body", "hola\nmundo"}},
        {ShareTargetKind::Email, image, "xdg-email", {"--attach", png}},
        {ShareTargetKind::Email, file, "xdg-email", {"--attach", pdf}},
        {ShareTargetKind::Email, longText, "xdg-email", {"--attach", longFile}},
        {ShareTargetKind::Bluetooth, text, "blueman-sendto", {textFile}},
        {ShareTargetKind::Bluetooth, image, "blueman-sendto", {png}},
        {ShareTargetKind::Bluetooth, file, "blueman-sendto", {pdf}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(send(c.kind, c.content), "") << c.program << " " << c.content.value.substr(0, 20);
        EXPECT_EQ(argsOf(c.program), c.arguments);
    }
    // The text went as a private file of its own.
    EXPECT_EQ(readWholeFile(textFile.toStdString()), "hola\nmundo");
    struct stat st {};
    ASSERT_EQ(::stat((dir / "share").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(XdgShareTargetsTest, AFailedSendSaysWhy)
{
    stub("xdg-email", 3);
    stub("blueman-sendto");
    const ShareContent missing{Kind::Image, (dir / "borrada.png").string(), "borrada.png", "CLIP-4"};
    const struct {
        ShareTargetKind kind;
        ShareContent content;
        bool portal;
        std::string error; ///< part of the answer
    } cases[] = {
        {ShareTargetKind::Email, text, false, "xdg-email terminó con el código 3"},
        {ShareTargetKind::Bluetooth, missing, false, "borrada.png"},
        {ShareTargetKind::Device, text, false, "org.kde.kdeconnect"}, // the daemon has gone
        {ShareTargetKind::OpenWith, missing, true, "borrada.png"},
        {ShareTargetKind::OpenWith, text, true, "texto"},
    };
    for (const auto& c : cases) {
        setService("org.freedesktop.portal.Desktop", c.portal);
        const std::string error = send(c.kind, c.content, "phone");
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
    EXPECT_EQ(received.take(), QStringList{});
}

#include "XdgShareTargetsTest.moc"
