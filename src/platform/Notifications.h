// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace brisa {

/// Hears the clicks on the notifications shown.
class NotificationClicks {
public:
    /// The user clicked a notification (its default action); key is the one it was shown with.
    virtual void notificationClicked(const std::string& key) = 0;

protected:
    ~NotificationClicks() = default;
};

/// Desktop notifications (the session's notification server).
class Notifications {
public:
    struct Notice {
        std::string title;
        std::string body; ///< plain text; escaped here when the server reads markup
        std::string key;  ///< handed back to clicks when the user clicks the notification
    };

    virtual ~Notifications() = default;
    /// Shows one notification; false when no server took it (logged once per outage).
    virtual bool show(const Notice& notice) = 0;

    /// Told of the clicks on notifications shown by show(); null: nobody. It must outlive them.
    NotificationClicks* clicks = nullptr;
};

} // namespace brisa
