// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Clock.h"
#include "fakes/FakeClipboard.h"
#include "platform/KeySynthesizer.h"
#include "platform/KeyWatcher.h"

#include <string>
#include <utility>
#include <vector>

namespace brisa::test {

/// A keyboard, a text field with the focus and the watcher between them. The test types text
/// (the field gets each key at once, the watcher right after); what Brisa synthesizes goes into
/// the field at once and comes back through the watcher `echoDelay` later, as from a real server.
/// Key codes are the code point of the character typed; BackSpace is 8, Return 13, keypad Enter 0xFF8D.
class FakeKeyboard final : public KeyWatcher, public KeySynthesizer {
public:
    static constexpr std::uint32_t kBackSpace = 8;
    static constexpr std::uint32_t kKeypadEnter = 0xFF8D;
    static constexpr std::uint32_t kLeft = 0xFF51;
    static constexpr std::uint32_t kShift = 0xFFE1;

    FakeKeyboard(Scheduler& scheduler, FakeClipboard& clipboard) : scheduler_(scheduler), clipboard_(clipboard) {}

    void setHandlers(Handlers handlers) override { handlers_ = std::move(handlers); }
    bool available() override { return available_; }
    bool sendPaste(PasteChord chord) override
    {
        note(std::string("paste ") + std::string(chordName(chord)));
        for (const auto& [type, data] : clipboard_.written())
            if (type == "UTF8_STRING") {
                text.append(data.begin(), data.end());
                break;
            }
        ObservedKey key{.kind = ObservedKey::Kind::Text, .text = "v", .chord = true, .code = 'v'};
        echo(key);
        return true;
    }
    bool sendBackSpaces(int count) override
    {
        note("backspace x" + std::to_string(count));
        for (int i = 0; i < count; ++i) {
            apply(kBackSpace);
            echo(keyFor(kBackSpace));
        }
        return true;
    }
    bool sendDelimiter(Delimiter delimiter) override
    {
        const std::uint32_t code = delimiter == Delimiter::Space  ? ' '
                                   : delimiter == Delimiter::Tab  ? '\t'
                                   : delimiter == Delimiter::Return ? '\r'
                                                                  : kKeypadEnter;
        note("delimiter " + std::to_string(code));
        apply(code);
        echo(keyFor(code));
        return true;
    }
    bool sendStrokes(const std::vector<KeyStroke>& strokes) override
    {
        std::string typed;
        for (const KeyStroke& s : strokes)
            if (s.down) {
                apply(s.code);
                echo(keyFor(s.code));
                typed += character(s.code);
            }
        note("again " + typed);
        return true;
    }

    // Test control.

    /// The user types these characters, one key each ('\b' BackSpace, '\r' Return); UTF-8.
    void type(std::string_view characters)
    {
        for (std::size_t i = 0; i < characters.size();) {
            std::size_t n = 1;
            while (i + n < characters.size() && (static_cast<unsigned char>(characters[i + n]) & 0xC0) == 0x80)
                ++n;
            press(keyFor(decode(characters.substr(i, n))));
            i += n;
        }
    }
    /// The user presses a key (it goes to the field, then to the watcher) and lets it go.
    void press(ObservedKey key)
    {
        apply(key.chord ? 0 : key.code);
        deliver(key);
        key.down = false;
        deliver(key);
    }
    /// Another window takes the focus.
    void switchFocus()
    {
        if (auto f = handlers_.onFocusChanged)
            f();
    }
    /// The user lets go of a key held until it repeated.
    void holdKey()
    {
        if (auto f = handlers_.onKeyHeld)
            f();
    }
    /// The user clicks somewhere.
    void click()
    {
        if (auto f = handlers_.onButtonDown)
            f();
    }
    /// What the watcher reports for the key of this code.
    static ObservedKey keyFor(std::uint32_t code)
    {
        ObservedKey key{.code = code};
        switch (code) {
        case kBackSpace:
            key.kind = ObservedKey::Kind::BackSpace;
            break;
        case ' ':
        case '\t':
        case '\r':
        case kKeypadEnter:
            key.kind = ObservedKey::Kind::Delimiter;
            key.delimiter = code == ' ' ? Delimiter::Space
                            : code == '\t' ? Delimiter::Tab
                            : code == '\r' ? Delimiter::Return
                                           : Delimiter::KeypadEnter;
            key.text = code == '\r' || code == kKeypadEnter ? "\n" : std::string(1, static_cast<char>(code));
            break;
        case kLeft:
            key.kind = ObservedKey::Kind::Navigation;
            break;
        case kShift:
            key.kind = ObservedKey::Kind::Modifier;
            break;
        default:
            key.kind = ObservedKey::Kind::Text;
            key.text = character(code);
        }
        return key;
    }

    /// The text field's content.
    std::string text;
    /// What was synthesized, in order: "backspace xN", "paste ctrl+v", "delimiter CODE", "again TEXT".
    std::vector<std::string> journal;
    /// When each entry of journal was synthesized.
    std::vector<TimePoint> times;
    Duration echoDelay{1};
    bool available_ = true;

private:
    static std::uint32_t decode(std::string_view c)
    {
        const auto b = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(c[i])); };
        if (c.size() == 1)
            return c[0] == '\b' ? kBackSpace : b(0);
        if (c.size() == 2)
            return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
        if (c.size() == 3)
            return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
        return ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
    }
    static std::string character(std::uint32_t code)
    {
        if (code == '\r' || code == kKeypadEnter)
            return "\n";
        if (code == kBackSpace || code >= 0xFF00)
            return "";
        std::string out;
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
        return out;
    }
    void apply(std::uint32_t code)
    {
        if (code == kBackSpace) {
            while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80)
                text.pop_back();
            if (!text.empty())
                text.pop_back();
            return;
        }
        if (code)
            text += character(code);
    }
    void note(std::string what)
    {
        journal.push_back(std::move(what));
        times.push_back(scheduler_.now());
    }
    void deliver(const ObservedKey& key)
    {
        if (auto f = handlers_.onKey)
            f(key);
    }
    void echo(ObservedKey key)
    {
        scheduler_.runAfter(echoDelay, [this, key] {
            deliver(key);
            ObservedKey up = key;
            up.down = false;
            deliver(up);
        });
    }

    Scheduler& scheduler_;
    FakeClipboard& clipboard_;
    Handlers handlers_;
};

} // namespace brisa::test
