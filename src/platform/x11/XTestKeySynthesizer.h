// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/KeySynthesizer.h"

#include <functional>
#include <memory>
#include <string>

namespace brisa {

class X11Display;

/// Keystrokes through the X server's XTest extension, on a connection of its own. The V key is looked
/// up in the current keyboard map at every paste, so any layout that has a V works; a map without
/// one is refused with a log line rather than remapping a spare key behind the user's back (that
/// would race with the desktop's own layout switching).
class XTestKeySynthesizer final : public KeySynthesizer {
public:
    /// Opens displayName (empty: $DISPLAY); available() is false when that fails or XTest is absent.
    explicit XTestKeySynthesizer(const std::string& displayName = {});
    ~XTestKeySynthesizer() override;
    XTestKeySynthesizer(const XTestKeySynthesizer&) = delete;
    XTestKeySynthesizer& operator=(const XTestKeySynthesizer&) = delete;

    bool available() override { return xtest_; }
    bool sendPaste(PasteChord chord) override;
    bool sendBackSpaces(int count) override;
    bool sendDelimiter(Delimiter delimiter) override;
    /// Shift and AltGr (Mod5) of each stroke's modifiers are pressed around it; the modifiers the
    /// user holds are lifted meanwhile.
    bool sendStrokes(const std::vector<KeyStroke>& strokes) override;

    /// False when the display could not be opened.
    bool isConnected() const { return display_ != nullptr; }

private:
    /// Lifts the modifiers held, runs type (which presses keys), puts them back and sends it all.
    bool typeLifted(const char* what, const std::function<bool()>& type);
    void press(unsigned code, bool down);

    std::unique_ptr<X11Display> display_;
    bool xtest_ = false;
};

} // namespace brisa
