// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/DBusNotifications.h"
#include "fakes/QtCoreApp.h"
#include "fakes/LogCapture.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QMutex>
#include <QMutexLocker>
#include <QTest>
#include <QThread>

#include <memory>

#include <gtest/gtest.h>

using namespace brisa;

namespace {

/// A notification server on its own connection and thread, so the blocking calls of the code
/// under test get their answers while the test thread waits.
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Received {
        QString app, icon, summary, body;
        QStringList actions;
        QVariantMap hints;
    };
    QStringList capabilities;

    void reset()
    {
        QMutexLocker lock(&mutex_);
        received_.clear();
    }
    std::vector<Received> received()
    {
        QMutexLocker lock(&mutex_);
        return received_;
    }

public Q_SLOTS:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString& app, uint, const QString& icon, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int)
    {
        QMutexLocker lock(&mutex_);
        received_.push_back({app, icon, summary, body, actions, hints});
        return static_cast<uint>(received_.size()) + 40;
    }

private:
    QMutex mutex_;
    std::vector<Received> received_;
};

class DBusNotificationsTest : public ::testing::Test {
protected:
    static constexpr const char* kConnection = "fake-notifications";

    void SetUp() override
    {
        test::ensureCoreApp();
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "needs a D-Bus session bus (run under tests/support/with-display.sh)";
        // One server connection for the whole run: only its name comes and goes between cases.
        static FakeNotificationServer* made = [] {
            auto* thread = new QThread; // lives to the end of the process, like the server
            thread->start();
            auto* server = new FakeNotificationServer;
            server->moveToThread(thread);
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QString::fromUtf8(kConnection))
                .registerObject(QStringLiteral("/org/freedesktop/Notifications"), server,
                                QDBusConnection::ExportAllSlots);
            return server;
        }();
        server_ = made;
        server_->reset();
    }
    void TearDown() override { stopServer(); }

    static QDBusConnection bus() { return QDBusConnection(QString::fromUtf8(kConnection)); }
    void startServer(QStringList capabilities)
    {
        server_->capabilities = std::move(capabilities);
        ASSERT_TRUE(bus().registerService(QStringLiteral("org.freedesktop.Notifications")));
    }
    void stopServer()
    {
        if (server_ && bus().interface()->isServiceRegistered(QStringLiteral("org.freedesktop.Notifications"))) {
            EXPECT_TRUE(bus().unregisterService(QStringLiteral("org.freedesktop.Notifications")));
        }
    }
    static void emitAction(uint id, const QString& action)
    {
        auto signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                 QStringLiteral("org.freedesktop.Notifications"),
                                                 QStringLiteral("ActionInvoked"));
        signal << id << action;
        bus().send(signal);
    }

    test::LogCapture log;
    FakeNotificationServer* server_ = nullptr;
};

} // namespace

TEST_F(DBusNotificationsTest, SendsTitleBodyAndHintsEscapingTheBodyOnlyForAMarkupServer)
{
    for (const bool markup : {true, false}) {
        server_->reset();
        startServer(markup ? QStringList{"body", "body-markup", "actions"} : QStringList{"body", "actions"});
        DBusNotifications notifications;
        ASSERT_TRUE(notifications.show({"Recordatorio de Brisa", "a < b & <i>c</i>", "K"}));
        const auto got = server_->received();
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].summary, "Recordatorio de Brisa");
        EXPECT_EQ(got[0].body, markup ? "a &lt; b &amp; &lt;i&gt;c&lt;/i&gt;" : "a < b & <i>c</i>");
        EXPECT_EQ(got[0].hints.value("desktop-entry").toString(), "org.brisa.Brisa");
        EXPECT_FALSE(got[0].hints.value("sound-name").toString().isEmpty());
        EXPECT_TRUE(got[0].actions.contains("default"));
        stopServer();
    }
}

TEST_F(DBusNotificationsTest, TheDefaultActionHandsBackTheKey)
{
    startServer({"body", "actions"});
    DBusNotifications notifications;
    struct Clicks final : NotificationClicks {
        void notificationClicked(const std::string& key) override { activated.push_back(key); }
        std::vector<std::string> activated;
    } clicks;
    notifications.clicks = &clicks;
    auto& activated = clicks.activated;
    ASSERT_TRUE(notifications.show({"t", "b", "CLIP-1"}));
    emitAction(41, "otra");
    emitAction(99, "default"); // not ours
    emitAction(41, "default");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !activated.empty(); }, 5000));
    EXPECT_EQ(activated, std::vector<std::string>{"CLIP-1"});
}

TEST_F(DBusNotificationsTest, WithoutAServerItFailsWithOneLogLine)
{
    DBusNotifications notifications;
    ASSERT_FALSE(QDBusConnection::sessionBus().interface()->isServiceRegistered("org.freedesktop.Notifications"));
    EXPECT_FALSE(notifications.show({"t", "b", "k"}));
    EXPECT_FALSE(notifications.show({"t", "b", "k"}));
    int lines = 0;
    for (const auto& line : log.lines())
        lines += line.starts_with("[Brisa] Notificaciones: ");
    EXPECT_EQ(lines, 1);
    // Once a server appears, it is used.
    startServer({"body"});
    EXPECT_TRUE(notifications.show({"t", "b", "k"}));
}

#include "DBusNotificationsTest.moc"
