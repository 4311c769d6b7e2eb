// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

namespace brisa {

/// Desktop notifications (the session's notification server).
class Notifications {
public:
    struct Notice {
        std::string title;
        std::string body; ///< plain text; escaped here when the server reads markup
        std::string key;  ///< handed back to onActivated when the user clicks the notification
    };

    virtual ~Notifications() = default;
    /// Shows one notification; false when no server took it (logged once per outage).
    virtual bool show(const Notice& notice) = 0;

    /// The user clicked a notification shown by show() (its default action).
    std::function<void(const std::string& key)> onActivated;
};

} // namespace brisa
