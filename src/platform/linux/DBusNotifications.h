// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Notifications.h"

#include <QObject>
#include <QString>

#include <map>

namespace brisa {

/// Notifications through org.freedesktop.Notifications on the session bus, whichever daemon
/// serves it.
class DBusNotifications final : public QObject, public Notifications {
    Q_OBJECT
public:
    static constexpr const char* kDesktopEntry = "org.brisa.Brisa";
    static constexpr const char* kSoundName = "message-new-instant";

    explicit DBusNotifications(QObject* parent = nullptr);
    bool show(const Notice& notice) override;

    /// body with &, < and > escaped, for a server that reads markup in bodies.
    static QString escapeMarkup(const std::string& body);

private Q_SLOTS:
    void actionInvoked(uint id, const QString& action);
    void notificationClosed(uint id, uint reason);

private:
    bool failed(const QString& why);

    std::map<uint, std::string> keys_; ///< notifications on screen, by server id
    bool outageLogged_ = false;
};

} // namespace brisa
