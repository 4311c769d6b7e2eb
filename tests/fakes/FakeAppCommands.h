// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AppCommands.h"

#include <set>
#include <string>
#include <vector>

namespace brisa::test {

/// Records the commands asked for, by short names ("togglePanel", "quickPaste3"); those in
/// unavailable are reported as such.
class FakeAppCommands final : public AppCommands {
public:
    void run(AppCommand command) override { ran.push_back(name(command)); }
    void pasteSlot(int slot) override { ran.push_back("quickPaste" + std::to_string(slot)); }
    bool isAvailable(AppCommand command) const override { return !unavailable.contains(command); }

    static std::string name(AppCommand command)
    {
        switch (command) {
        case AppCommand::TogglePanel: return "togglePanel";
        case AppCommand::OpenLibrary: return "library";
        case AppCommand::OpenQuickNote: return "quickNote";
        case AppCommand::ToggleBulkCopy: return "bulkCopyToggle";
        case AppCommand::PauseCapture: return "pause";
        case AppCommand::ResumeCapture: return "resume";
        case AppCommand::OpenSettings: return "settings";
        case AppCommand::SequentialPaste: return "sequentialPaste";
        case AppCommand::SequentialPasteBack: return "sequentialPasteBack";
        case AppCommand::Quit: return "quit";
        }
        return {};
    }

    std::vector<std::string> ran;
    std::set<AppCommand> unavailable;
};

} // namespace brisa::test
