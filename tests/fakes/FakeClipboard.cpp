// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeClipboard.h"

#include <algorithm>

namespace brisa::test {

void FakeClipboard::read(Chooser choose, ReadDone done)
{
    ++readCount_;
    std::optional<ClipboardSnapshot> result;
    if (!readsFail_) {
        ClipboardSnapshot snapshot;
        snapshot.types = types_;
        lastChosen_ = choose ? choose(types_) : std::vector<std::string>{};
        for (const auto& name : lastChosen_) {
            const auto it = std::find_if(data_.begin(), data_.end(), [&](const auto& t) { return t.first == name; });
            if (it != data_.end())
                snapshot.contents.emplace(it->first, it->second);
        }
        result = std::move(snapshot);
    }
    scheduler_.post([done = std::move(done), result = std::move(result)]() mutable {
        if (done)
            done(std::move(result));
    });
}

bool FakeClipboard::write(std::vector<std::pair<std::string, Bytes>> targets)
{
    note("write");
    if (writesFail_)
        return false;
    written_ = targets;
    ++writeCount_;
    copy(std::move(targets));
    return true;
}

void FakeClipboard::copy(std::vector<std::pair<std::string, Bytes>> targets)
{
    types_.clear();
    for (const auto& t : targets)
        types_.push_back(t.first);
    data_ = std::move(targets);
    ++changeCount_;
}

void FakeClipboard::copyText(const std::string& text)
{
    copy({{"UTF8_STRING", toBytes(text)}, {"text/plain;charset=utf-8", toBytes(text)}});
}

void FakeClipboard::offerWithoutData(std::vector<std::string> types)
{
    types_ = std::move(types);
    data_.clear();
    ++changeCount_;
}

} // namespace brisa::test
