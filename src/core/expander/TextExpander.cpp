// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/expander/TextExpander.h"

#include "core/paste/PasteTargets.h"
#include "core/stores/TextSnippetStore.h"
#include "core/support/Graphemes.h"
#include "core/support/Log.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace brisa {
namespace {

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::size_t codePoints(std::string_view text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) { return !isContinuationByte(c); }));
}

/// What a BackSpace erases in most programs: one user-perceived character.
int characters(std::string_view text)
{
    GraphemeWalker walker(text);
    if (!walker.ok())
        return static_cast<int>(codePoints(text));
    int n = 0;
    while (walker.next())
        ++n;
    return n;
}

std::string lowercase(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

struct TextExpander::Trigger {
    std::string shortcut;
    std::string content;
    /// Characters of the shortcut, each erased by one BackSpace.
    int shortcutLength = 0;
    Delimiter delimiter = Delimiter::Space;
};

/// One expansion under way: what it pastes, and the keys the user typed meanwhile.
struct TextExpander::Expansion {
    Trigger trigger;
    /// The user's keys typed since the delimiter, to be typed again after it. They reached the
    /// application at once, where they stand before the pasted text: the ones erased so far are
    /// keys[0, erased), the characters of the rest not erased yet are pendingCharacters.
    std::vector<ObservedKey> keys;
    std::size_t erased = 0;
    int pendingCharacters = 0;
    /// Codes the user pressed during the expansion, whose releases are typed again too.
    std::set<std::uint32_t> pressed;
    /// The user edited (BackSpace, an arrow, a shortcut) during the expansion: keys from then on are
    /// left where they landed.
    bool edited = false;
    std::optional<Scheduler::TaskId> task;
};

TextExpander::TextExpander(Desktop desktop, const TextSnippetStore& snippets, PasteService& paster,
                           Scheduler& scheduler)
    : desktop_(desktop)
    , snippets_(snippets)
    , paster_(paster)
    , scheduler_(scheduler)
{
}

TextExpander::~TextExpander()
{
    if (running_ && desktop_.watcher)
        desktop_.watcher->setHandlers({});
    if (expansion_ && expansion_->task)
        scheduler_.cancel(*expansion_->task);
}

bool TextExpander::start()
{
    if (running_)
        return true;
    if (!desktop_.watcher) {
        logLine("TextExpander: no se pueden observar las teclas en esta sesión, no arranca");
        return false;
    }
    if (!desktop_.keys || !desktop_.keys->available()) {
        logLine("TextExpander: no se pueden enviar pulsaciones en esta sesión, no arranca");
        return false;
    }
    running_ = true;
    desktop_.watcher->setHandlers({
        .onKey = [this](const ObservedKey& key) { observe(key); },
        .onFocusChanged = [this] { focusChanged(); },
        .onButtonDown = [this] { buttonDown(); },
        .onKeyHeld = [this] { keyHeld(); },
    });
    refreshFocus();
    logLine("TextExpander activo");
    return true;
}

void TextExpander::setBlockedBundleIDs(std::set<std::string> ids)
{
    blocked_ = std::move(ids);
    if (running_)
        refreshFocus();
}

bool TextExpander::isPasswordManager(std::string_view bundleID)
{
    // Window classes of the common password managers and of the desktop's passphrase prompts.
    static constexpr std::array<std::string_view, 14> known = {
        "keepassxc", "org.keepassxc.keepassxc", "keepass", "keepass2", "bitwarden", "1password", "enpass",
        "seahorse", "gcr-prompter", "kwalletmanager5", "kwalletd5", "polkit-gnome-authentication-agent-1",
        "lxpolkit", "org.gnome.world.secrets"};
    const std::string id = lowercase(bundleID);
    if (std::find(known.begin(), known.end(), id) != known.end())
        return true;
    return id.starts_with("pinentry") || id.ends_with("askpass");
}

void TextExpander::refreshFocus()
{
    secret_ = false;
    if (!desktop_.frontmost)
        return;
    const auto app = desktop_.frontmost->frontmost();
    if (app && app->bundleID)
        secret_ = blocked_.contains(*app->bundleID) || isPasswordManager(*app->bundleID);
}

void TextExpander::clearBuffer()
{
    buffer_.clear();
    bufferLength_ = 0;
}

void TextExpander::focusChanged()
{
    clearBuffer();
    // Keys meant for the old window must not land in the new one.
    if (expansion_)
        abort();
    refreshFocus();
}

void TextExpander::buttonDown()
{
    // A click moves the caret: a shortcut finished after it would be erased from the wrong place.
    clearBuffer();
}

void TextExpander::keyHeld()
{
    // Its repeats are not seen one by one: the buffer no longer matches the text.
    clearBuffer();
    if (expansion_ && !expansion_->edited) {
        expansion_->edited = true;
        expansion_->keys.resize(expansion_->erased);
        expansion_->pendingCharacters = 0;
    }
}

void TextExpander::observe(const ObservedKey& key)
{
    if (!running_)
        return;
    if (key.down && isOwnKey(key))
        return;
    if (expansion_) {
        holdOver(key);
        return;
    }
    if (!key.down)
        return;
    if (auto trigger = handle(key))
        expand(*trigger);
}

std::optional<TextExpander::Trigger> TextExpander::handle(const ObservedKey& key)
{
    if (secret_) {
        clearBuffer();
        return std::nullopt;
    }
    // Modifier keys alone change nothing; Shift, Caps Lock and AltGr are not chords.
    if (key.kind == ObservedKey::Kind::Modifier)
        return std::nullopt;
    if (key.chord) {
        clearBuffer();
        return std::nullopt;
    }
    switch (key.kind) {
    case ObservedKey::Kind::BackSpace:
        dropLastCharacter();
        return std::nullopt;
    case ObservedKey::Kind::Delimiter: {
        const auto snippet = bufferLength_ ? snippets_.match(buffer_) : std::nullopt;
        clearBuffer();
        if (!snippet)
            return std::nullopt;
        return Trigger{snippet->shortcut, snippet->content, characters(snippet->shortcut), key.delimiter};
    }
    case ObservedKey::Kind::Text:
        append(key.text);
        return std::nullopt;
    case ObservedKey::Kind::Navigation:
    case ObservedKey::Kind::Other:
    case ObservedKey::Kind::Modifier:
        // The caret moved or something else happened: what came before cannot end in a shortcut
        // typed from here on.
        clearBuffer();
        return std::nullopt;
    }
    return std::nullopt;
}

void TextExpander::append(std::string_view text)
{
    if (text.empty())
        return; // a dead key: its character comes with the next key
    buffer_.append(text);
    bufferLength_ += codePoints(text);
    if (bufferLength_ <= kMaxBufferLength)
        return;
    std::size_t cut = 0;
    while (bufferLength_ > kMaxBufferLength && cut < buffer_.size()) {
        ++cut;
        while (cut < buffer_.size() && isContinuationByte(buffer_[cut]))
            ++cut;
        --bufferLength_;
    }
    buffer_.erase(0, cut);
}

void TextExpander::dropLastCharacter()
{
    if (buffer_.empty())
        return;
    std::size_t end = buffer_.size() - 1;
    while (end > 0 && isContinuationByte(buffer_[end]))
        --end;
    buffer_.erase(end);
    --bufferLength_;
}

void TextExpander::expectOwn(OwnKey key, int count)
{
    for (int i = 0; i < count; ++i)
        ownKeys_.push_back(key);
    ownKeysUntil_ = scheduler_.now() + kOwnKeysTimeout;
}

bool TextExpander::isOwnKey(const ObservedKey& key)
{
    if (ownKeys_.empty())
        return false;
    if (scheduler_.now() > ownKeysUntil_) {
        // Never came back (a key the server dropped): what comes now is the user's.
        ownKeys_.clear();
        return false;
    }
    if (key.kind == ObservedKey::Kind::Modifier)
        return false; // the chord's and the lifted modifiers: ignored by every rule anyway
    const OwnKey& next = ownKeys_.front();
    bool own = false;
    switch (next.what) {
    case OwnKey::What::BackSpace:
        own = key.kind == ObservedKey::Kind::BackSpace;
        break;
    case OwnKey::What::Chord:
        own = key.chord || key.kind == ObservedKey::Kind::Other;
        break;
    case OwnKey::What::Delimiter:
        own = key.kind == ObservedKey::Kind::Delimiter && key.delimiter == next.delimiter;
        break;
    case OwnKey::What::Code:
        own = key.code == next.code;
        break;
    }
    if (own)
        ownKeys_.pop_front();
    return own;
}

void TextExpander::holdOver(const ObservedKey& key)
{
    Expansion& e = *expansion_;
    if (e.edited || key.kind == ObservedKey::Kind::Modifier)
        return; // the state of the modifiers travels with each key
    if (!key.down) {
        if (e.pressed.contains(key.code))
            e.keys.push_back(key);
        return;
    }
    const bool typesText = !key.chord && (key.kind == ObservedKey::Kind::Text || key.kind == ObservedKey::Kind::Delimiter);
    if (!typesText) {
        // An edit lands where the user meant it; what it touched cannot be told, so the keys not
        // erased yet stay where they are too.
        e.edited = true;
        e.keys.resize(e.erased);
        e.pendingCharacters = 0;
        return;
    }
    e.keys.push_back(key);
    e.pressed.insert(key.code);
    e.pendingCharacters += key.kind == ObservedKey::Kind::Delimiter ? 1 : characters(key.text);
}

void TextExpander::expand(const Trigger& trigger, std::vector<ObservedKey> heldOver)
{
    // The shortcut, and the delimiter the application already received.
    const int count = trigger.shortcutLength + 1;
    if (!desktop_.keys->sendBackSpaces(count)) {
        logLine("TextExpander: no se pudieron enviar las pulsaciones de borrado");
        return;
    }
    expectOwn({OwnKey::What::BackSpace}, count);
    expansion_ = std::make_unique<Expansion>();
    expansion_->trigger = trigger;
    expansion_->keys = std::move(heldOver);
    expansion_->erased = expansion_->keys.size();
    for (const ObservedKey& k : expansion_->keys)
        if (k.down)
            expansion_->pressed.insert(k.code);
    schedule(kWriteDelay, [this] { writeAndPaste(); });
}

void TextExpander::schedule(Duration delay, std::function<void()> step)
{
    Expansion* e = expansion_.get();
    const auto id = scheduler_.runAfter(delay, [this, e, step = std::move(step), alive = std::weak_ptr<char>(alive_)] {
        if (alive.lock() && expansion_.get() == e)
            step();
    });
    // A scheduler that runs the step at once may have finished the expansion already.
    if (expansion_.get() == e)
        e->task = id;
}

void TextExpander::writeAndPaste()
{
    Expansion* e = expansion_.get();
    e->task.reset();
    // Through the paste service: it tells the clipboard monitor to skip this write.
    if (!paster_.writeTargets(textTargets(e->trigger.content))) {
        finish();
        return;
    }
    paster_.pasteFromPasteboard({
        .before = [this, e, alive = std::weak_ptr<char>(alive_)] { return alive.lock() && expansion_.get() == e && beforeChord(); },
        .after = [this, e, alive = std::weak_ptr<char>(alive_)](bool typed) {
            if (alive.lock() && expansion_.get() == e)
                afterChord(typed);
        },
    });
}

bool TextExpander::beforeChord()
{
    Expansion& e = *expansion_;
    // Keys typed since the delimiter stand where the text is about to go: out of the way with them.
    if (e.pendingCharacters > 0 && desktop_.keys->sendBackSpaces(e.pendingCharacters))
        expectOwn({OwnKey::What::BackSpace}, e.pendingCharacters);
    e.erased = e.keys.size();
    e.pendingCharacters = 0;
    expectOwn({OwnKey::What::Chord});
    return true;
}

void TextExpander::afterChord(bool typed)
{
    if (!typed) {
        if (!ownKeys_.empty() && ownKeys_.back().what == OwnKey::What::Chord)
            ownKeys_.pop_back();
        finish();
        return;
    }
    schedule(kDelimiterDelay, [this] { finish(); });
}

void TextExpander::finish()
{
    auto e = std::move(expansion_);
    e->task.reset();
    // Keys typed after the chord followed the pasted text: they make way for the delimiter too.
    if (e->pendingCharacters > 0 && desktop_.keys->sendBackSpaces(e->pendingCharacters))
        expectOwn({OwnKey::What::BackSpace}, e->pendingCharacters);
    if (desktop_.keys->sendDelimiter(e->trigger.delimiter))
        expectOwn({OwnKey::What::Delimiter, e->trigger.delimiter});
    logf("TextExpander: «{}» expandido", e->trigger.shortcut);
    // The keys held over go through the buffer rules as they are typed again, so a shortcut among
    // them expands in its turn; the keys after it wait for that expansion.
    clearBuffer();
    std::optional<Trigger> next;
    std::size_t end = 0;
    while (end < e->keys.size() && !next) {
        const ObservedKey& key = e->keys[end++];
        if (key.down)
            next = handle(key);
    }
    std::vector<KeyStroke> strokes;
    for (std::size_t i = 0; i < end; ++i)
        strokes.push_back({e->keys[i].code, e->keys[i].down, e->keys[i].modifiers});
    if (!strokes.empty() && desktop_.keys->sendStrokes(strokes))
        for (const KeyStroke& s : strokes)
            if (s.down)
                expectOwn({OwnKey::What::Code, Delimiter::Space, s.code});
    if (next)
        expand(*next, std::vector<ObservedKey>(e->keys.begin() + static_cast<std::ptrdiff_t>(end), e->keys.end()));
}

void TextExpander::abort()
{
    if (expansion_->task)
        scheduler_.cancel(*expansion_->task);
    expansion_.reset();
    ownKeys_.clear();
    logLine("TextExpander: el foco cambió durante una expansión; se deja a medias");
}

} // namespace brisa
