// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipItem.h"
#include "core/paste/PasteChord.h"
#include "core/paste/PasteTargets.h"
#include "core/paste/PermissionAlert.h"
#include "core/support/Clock.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace brisa {

/// Gives a clip back: puts it on the clipboard, then types the paste chord into the window the user
/// was working in. The two steps can be used alone. Main thread only.
class PasteService {
public:
    /// Time between giving the focus back and typing the chord, so the window is ready to take it.
    static constexpr Duration kPasteDelay{120};

    /// What the platform and the rest of the application provide. Absent ports are skipped, except
    /// keyAccess (absent: no keystrokes possible) and write (absent: every write fails).
    struct Ports {
        /// Sets the clipboard monitor's one-shot skip flag: true right before our own write, false
        /// again when that write failed (no change will come to consume it).
        std::function<void(bool)> ignoreNextChange;
        /// Takes the clipboard with these targets in one go (an empty list clears it); false on failure.
        std::function<bool(PasteTargets)> write;
        /// Hides the panel and stops it taking keys.
        std::function<void()> collapsePanel;
        /// Gives the focus back to the window that had it before Brisa's panel; false when there is none.
        std::function<bool()> restorePreviousWindow;
        /// Whether keystrokes can be typed into other applications.
        std::function<KeyAccess()> keyAccess;
        /// WM_CLASS of the window that has the focus now; nullopt when unknown.
        std::function<std::optional<std::string>()> focusedWindowClass;
        /// Types the chord into the focused window; false when it could not.
        std::function<bool(PasteChord)> sendPaste;
        /// Offers what Brisa wrote on the mouse selection too, for a chord that pastes from there.
        std::function<bool()> mirrorToPrimary;
        /// Shows the alert modally and returns the index of the chosen button (-1: dismissed).
        std::function<int(const PermissionAlert&)> showAlert;
        /// Opens Brisa's settings ("Abrir Ajustes" of the alert).
        std::function<void()> openSettings;
    };

    /// imagesDir: the folder of full-size images (Storage::imagesDir()). scheduler must outlive the service.
    PasteService(Ports ports, Scheduler& scheduler, std::filesystem::path imagesDir);
    ~PasteService();
    PasteService(const PasteService&) = delete;
    PasteService& operator=(const PasteService&) = delete;

    /// Puts the clip on the clipboard (monitor flag first, one write). When the clip has nothing to
    /// give (no text, no readable image) the clipboard is cleared instead. True when content was written.
    /// An image stored as HEIC, JPEG or TIFF is written a moment later, once its PNG rendition is made
    /// off the main thread (true then means it will be); any write in between supersedes it.
    bool writeToPasteboard(const ClipItem& item);
    /// Sets the monitor flag and writes targets in one go; false (flag reset, log line) on failure.
    bool writeTargets(PasteTargets targets);
    /// Collapses the panel, gives the focus back and, when keystrokes are possible, types the paste
    /// chord kPasteDelay later; otherwise shows the permission alert. Each call schedules its own chord.
    void pasteFromPasteboard();
    /// writeToPasteboard(item), then pasteFromPasteboard(). The chord waits for a pending image write.
    void paste(const ClipItem& item);
    /// Waits until the PNG renditions being made are done (their writes are posted to the scheduler).
    void waitForRenditions();

    /// The targets a clip is written as; nullopt when nothing is to be written (no text for a text or
    /// file kind, no image file name, an unsafe name, or an unreadable file).
    static std::optional<PasteTargets> targetsFor(const ClipItem& item, const std::filesystem::path& imagesDir);

    /// Window classes that take another chord than Ctrl+V (see TerminalClasses.h); the application
    /// sets it from the settings.
    std::vector<std::string> terminalClasses;

private:
    void typeChord();
    void startRendition(std::string mime, Bytes bytes);
    void finishRendition(std::uint64_t write, PasteTargets targets);

    Ports ports_;
    Scheduler& scheduler_;
    std::filesystem::path imagesDir_;
    /// Expires with the service, so a chord still pending finds out it is gone.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
    /// Counts writes asked for; the one whose rendition is being made, 0 when none, and the one a
    /// typed chord waits for.
    std::uint64_t writes_ = 0;
    std::uint64_t pendingWrite_ = 0;
    std::uint64_t chordWaitsFor_ = 0;
    struct Rendition {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::vector<Rendition> renditions_;
};

} // namespace brisa
