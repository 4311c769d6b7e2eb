// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace brisa {

/// What the tray menu and the global shortcuts ask the running program for.
enum class AppCommand {
    TogglePanel,
    OpenLibrary,
    OpenQuickNote,
    ToggleBulkCopy,
    PauseCapture,
    ResumeCapture,
    OpenSettings,
    SequentialPaste,
    SequentialPasteBack,
    Quit,
};

/// Does those commands; BrisaApp is the one, the tests' fakes record them. Everything runs on the
/// main thread.
class AppCommands {
public:
    virtual void run(AppCommand command) = 0;
    /// Pastes slot 0 (the newest clip) to 9.
    virtual void pasteSlot(int slot) = 0;
    /// False while what the command needs is missing: the tray shows its item greyed.
    virtual bool isAvailable(AppCommand) const { return true; }

protected:
    ~AppCommands() = default;
};

} // namespace brisa
