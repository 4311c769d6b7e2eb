// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/paste/PasteService.h"
#include "core/support/Clock.h"
#include "platform/FrontmostApplication.h"
#include "platform/KeySynthesizer.h"
#include "platform/KeyWatcher.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace brisa {

class TextSnippetStore;
struct TextSnippet;

/// Watches what the user types in any application and, when a snippet's shortcut is followed by a
/// delimiter (space, tab, return, keypad enter), replaces the shortcut with the snippet's text: it
/// erases the shortcut and the delimiter, pastes the text through the clipboard and types the
/// delimiter again after it. Keys the user types meanwhile are typed again after the delimiter, so
/// nothing typed is lost or reordered. Nothing is watched while a password manager or a blocked
/// application has the focus. Main thread only.
class TextExpander {
public:
    /// The buffer keeps the latest characters typed, at most this many.
    static constexpr std::size_t kMaxBufferLength = 60;
    /// From the erasing of the shortcut to the writing of the clipboard.
    static constexpr Duration kWriteDelay{30};
    /// From the paste chord to the delimiter: time for the pasted text to land before it.
    static constexpr Duration kDelimiterDelay{40};
    /// How long keys of our own are waited for to come back through the watcher; later they are
    /// taken for the user's.
    static constexpr Duration kOwnKeysTimeout{1000};

    /// What the desktop offers; a null member disables what needs it (no watcher: nothing is seen;
    /// no keys: nothing is expanded; no frontmost: the focus is never taken for a secret one).
    struct Desktop {
        KeyWatcher* watcher = nullptr;
        KeySynthesizer* keys = nullptr;
        FrontmostApplication* frontmost = nullptr;
    };

    /// All must outlive the expander.
    TextExpander(Desktop desktop, const TextSnippetStore& snippets, PasteService& paster, Scheduler& scheduler);
    ~TextExpander();
    TextExpander(const TextExpander&) = delete;
    TextExpander& operator=(const TextExpander&) = delete;

    /// Starts watching and logs it; a second call does nothing. False (with a log line) when keys
    /// cannot be watched or typed here.
    bool start();
    bool isRunning() const { return running_; }

    /// Identifiers (WM_CLASS) of applications where nothing is watched; replaced whole by the settings.
    void setBlockedBundleIDs(std::set<std::string> ids);
    /// True when the identifier names a password manager (case-insensitive).
    static bool isPasswordManager(std::string_view bundleID);

    /// A key seen by the watcher.
    void observe(const ObservedKey& key);
    /// Another window took the focus.
    void focusChanged();
    /// A mouse button went down.
    void buttonDown();
    /// A key held down repeated.
    void keyHeld();

    /// The characters typed since the last reset.
    const std::string& buffer() const { return buffer_; }
    /// True from the delimiter that starts an expansion until its last key is typed.
    bool expanding() const { return expansion_ != nullptr; }
    /// True while the focused application is one where nothing is watched.
    bool secretFocus() const { return secret_; }

private:
    /// A key of our own that will come back through the watcher.
    struct OwnKey {
        enum class What { BackSpace, Chord, Delimiter, Code } what;
        Delimiter delimiter = Delimiter::Space;
        std::uint32_t code = 0;
    };
    struct Expansion;

    /// A snippet and the delimiter that asks for it.
    struct Trigger;
    /// Applies the buffer rules to a key press; the expansion it asks for, if any.
    std::optional<Trigger> handle(const ObservedKey& key);
    void clearBuffer();
    void append(std::string_view text);
    void dropLastCharacter();
    bool isOwnKey(const ObservedKey& key);
    void expectOwn(OwnKey key, int count = 1);
    void holdOver(const ObservedKey& key);
    /// heldOver: keys of the user not typed yet, to be typed after this expansion's delimiter.
    void expand(const Trigger& trigger, std::vector<ObservedKey> heldOver = {});
    /// Runs step after delay, unless the expansion under way by then is another one or none.
    void schedule(Duration delay, std::function<void()> step);
    void writeAndPaste();
    bool beforeChord();
    void afterChord(bool typed);
    void finish();
    void abort();
    void refreshFocus();

    Desktop desktop_;
    const TextSnippetStore& snippets_;
    PasteService& paster_;
    Scheduler& scheduler_;
    bool running_ = false;

    std::string buffer_;
    /// Characters (code points) in buffer_.
    std::size_t bufferLength_ = 0;
    std::set<std::string> blocked_;
    bool secret_ = false;

    std::unique_ptr<Expansion> expansion_;
    std::deque<OwnKey> ownKeys_;
    TimePoint ownKeysUntil_{};
    /// Expires with the expander, so a step still scheduled finds out it is gone.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

} // namespace brisa
