// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/CommandLine.h"

#include <QObject>

#include <functional>
#include <string>

namespace brisa {

/// One Brisa per session: holds Brisa's name on the D-Bus session bus and takes the actions
/// other brisa processes (and desktop shortcuts or scripts) ask for.
class InstanceBus final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.brisa.Brisa")
public:
    static constexpr const char* kService = "org.brisa.Brisa";
    static constexpr const char* kPath = "/org/brisa/Brisa";

    explicit InstanceBus(QObject* parent = nullptr);

    enum class Claim { Claimed, AlreadyRunning, NoBus };
    /// Takes the name for this process, unless another Brisa holds it.
    Claim claim();

    /// Asks the running Brisa to act; false (with the reason in error) when none answers.
    static bool send(const RemoteCommand& command, std::string& error);
    /// True when a Brisa holds the name on the session bus (asking starts none).
    static bool isRunning();

    /// Runs each command received; set by the app.
    std::function<void(const RemoteCommand&)> onCommand;

public Q_SLOTS:
    /// Opens or closes the panel.
    void Toggle();
    /// Opens the quick note.
    void QuickNote();
    /// Switches bulk copy on or off.
    void BulkCopy();
    /// Opens the library window.
    void Library();
    /// Pastes the clip in slot (0 is the newest) into the application in front.
    void PasteSlot(int slot);
    /// Opens the settings window.
    void Settings();
    /// Stops recording copies and screenshots for minutes (0: until Resume).
    void Pause(int minutes);
    /// Records again.
    void Resume();
    /// Reads the text snippets again from the settings file.
    void ReloadSnippets();

private:
    void run(RemoteCommand command);
};

} // namespace brisa
