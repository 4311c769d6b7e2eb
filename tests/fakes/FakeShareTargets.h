// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ShareTargets.h"

#include <string>
#include <utility>
#include <vector>

namespace brisa::test {

/// Offers what a test sets and keeps what it was asked to send, answering at once.
class FakeShareTargets final : public ShareTargets {
public:
    ShareAvailability offer;
    std::string answer; ///< the error every send ends with; empty: taken
    std::vector<std::pair<ShareTarget, ShareContent>> sent;

    ShareAvailability available() override { return offer; }
    void send(const ShareTarget& target, const ShareContent& content, Done done) override
    {
        sent.emplace_back(target, content);
        done(answer);
    }
};

} // namespace brisa::test
