// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Clock.h"
#include "platform/Clipboard.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brisa::test {

/// A clipboard in memory. Reads answer through the scheduler's post(), like the real one, so the
/// test delivers them with VirtualScheduler::runPosted().
class FakeClipboard final : public Clipboard {
public:
    explicit FakeClipboard(Scheduler& scheduler) : scheduler_(scheduler) {}

    std::int64_t changeCount() const override { return changeCount_; }
    void read(Chooser choose, ReadDone done) override;
    bool write(std::vector<std::pair<std::string, Bytes>> targets) override;
    /// Notes "primary" in the journal; mirrorSucceeds.
    bool mirrorToPrimary() override
    {
        note("primary");
        return mirrorSucceeds;
    }
    bool mirrorSucceeds = true;

    /// Another application copies: these targets (in order) with their data, and one change.
    void copy(std::vector<std::pair<std::string, Bytes>> targets);
    /// Another application copies text offered as "UTF8_STRING" and "text/plain;charset=utf-8".
    void copyText(const std::string& text);
    /// Another application copies, offering targets it then refuses to convert (one change).
    void offerWithoutData(std::vector<std::string> types);
    /// Counts one change without touching the content.
    void bumpChangeCount() { ++changeCount_; }
    /// From now on reads fail as a whole (a vanished or hung owner) until set back.
    void setReadsFail(bool fail) { readsFail_ = fail; }
    /// From now on writes fail (ownership refused) until set back.
    void setWritesFail(bool fail) { writesFail_ = fail; }

    /// The targets of the last successful write, in order; empty before any.
    const std::vector<std::pair<std::string, Bytes>>& written() const { return written_; }
    /// Number of successful writes.
    std::size_t writeCount() const { return writeCount_; }
    /// When set, every write and mirror is noted here ("write", "primary"), failed ones included.
    std::vector<std::string>* journal = nullptr;

    /// Number of reads started.
    std::size_t readCount() const { return readCount_; }
    /// The targets the last read's chooser asked for.
    const std::vector<std::string>& lastChosen() const { return lastChosen_; }

private:
    void note(const char* what)
    {
        if (journal)
            journal->push_back(what);
    }

    Scheduler& scheduler_;
    std::int64_t changeCount_ = 0;
    std::vector<std::string> types_;
    std::vector<std::pair<std::string, Bytes>> data_;
    std::vector<std::pair<std::string, Bytes>> written_;
    std::vector<std::string> lastChosen_;
    std::size_t writeCount_ = 0;
    std::size_t readCount_ = 0;
    bool readsFail_ = false;
    bool writesFail_ = false;
};

} // namespace brisa::test
