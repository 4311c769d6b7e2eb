// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipItem.h"
#include "core/capture/CaptureLinks.h"
#include "core/notch/PanelLinks.h"
#include "core/paste/PasteChord.h"
#include "core/paste/PasteTargets.h"
#include "core/paste/PermissionAlert.h"
#include "core/support/Clock.h"
#include "platform/Clipboard.h"
#include "platform/KeySynthesizer.h"
#include "platform/WindowActivation.h"

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

class ImageLibrary;

/// Asks the user what to do when Brisa may not type into other applications.
class PermissionPrompt {
public:
    virtual ~PermissionPrompt() = default;
    /// Shows the alert modally; the index of the chosen button (-1: dismissed).
    virtual int ask(const PermissionAlert& alert) = 0;
    /// Opens Brisa's settings ("Abrir Ajustes" of the alert).
    virtual void openSettings() = 0;
};

/// Gives a clip back: puts it on the clipboard, then types the paste chord into the window the user
/// was working in. The two steps can be used alone. Main thread only.
class PasteService {
public:
    /// Time between giving the focus back and typing the chord, so the window is ready to take it.
    static constexpr Duration kPasteDelay{120};

    /// What the desktop offers a paste; a null member is skipped (null keys: no keystrokes, null
    /// clipboard: every write fails).
    struct Desktop {
        Clipboard* clipboard = nullptr;
        KeySynthesizer* keys = nullptr;
        /// Tells the class of the window the chord goes to.
        WindowActivation* windows = nullptr;
    };

    /// imagesDir: the folder of full-size images (Storage::imagesDir()); images makes the PNG
    /// renditions. What desktop names, scheduler and images must outlive the service.
    PasteService(Desktop desktop, Scheduler& scheduler, std::filesystem::path imagesDir, const ImageLibrary& images);
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
    /// Around the chord of one paste, for a caller that types keys of its own next to it.
    struct ChordHooks {
        /// Right before the chord; false: the chord is not typed.
        std::function<bool()> before{};
        /// Once the chord was typed (true) or given up (false, also when no keystrokes are possible).
        std::function<void(bool typed)> after{};
    };

    /// Collapses the panel, gives the focus back and, when keystrokes are possible, types the paste
    /// chord kPasteDelay later; otherwise shows the permission alert. Each call schedules its own chord.
    void pasteFromPasteboard();
    /// As above, calling hooks around the chord.
    void pasteFromPasteboard(ChordHooks hooks);
    /// writeToPasteboard(item), then pasteFromPasteboard(). The chord waits for a pending image write.
    void paste(const ClipItem& item);
    /// Waits until the PNG renditions being made are done (their writes are posted to the scheduler).
    void waitForRenditions();

    /// The targets a clip is written as; nullopt when nothing is to be written (no text for a text or
    /// file kind, no image file name, an unsafe name, or an unreadable file). images makes the PNG
    /// rendition of an image in another format.
    static std::optional<PasteTargets> targetsFor(const ClipItem& item, const std::filesystem::path& imagesDir,
                                                  const ImageLibrary& images);

    /// Window classes that take another chord than Ctrl+V (see TerminalClasses.h); the application
    /// sets it from the settings.
    std::vector<std::string> terminalClasses;
    /// Said in the alert when no keystrokes are possible: a Wayland session, not a missing XTest.
    bool waylandSession = false;

    /// The capture of the clipboard, told to skip each write of Brisa's own; null: none.
    CaptureSkip* capture = nullptr;
    /// The capture of the mouse selection, likewise for the chord that pastes from it; null while none runs.
    CaptureSkip* selectionCapture = nullptr;
    /// The panel a paste is made from: it closes and gives the focus back first; null: none.
    PasteOrigin* origin = nullptr;
    /// Shows the alert when no keystrokes are possible; null: the log line only.
    PermissionPrompt* prompt = nullptr;

private:
    bool typeChord();
    void typeChord(ChordHooks hooks);
    KeyAccess keyAccess() const;
    bool mirrorToPrimary();
    void startRendition(std::string mime, Bytes bytes);
    void finishRendition(std::uint64_t write, PasteTargets targets);

    Desktop desktop_;
    Scheduler& scheduler_;
    std::filesystem::path imagesDir_;
    const ImageLibrary& images_;
    /// Expires with the service, so a chord still pending finds out it is gone.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
    /// Counts writes asked for; the one whose rendition is being made, 0 when none, and the one a
    /// typed chord waits for.
    std::uint64_t writes_ = 0;
    std::uint64_t pendingWrite_ = 0;
    std::uint64_t chordWaitsFor_ = 0;
    ChordHooks waitingHooks_;
    struct Rendition {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::vector<Rendition> renditions_;
};

} // namespace brisa
