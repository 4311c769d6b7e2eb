// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/paste/PasteChord.h"
#include "platform/KeyWatcher.h"

#include <vector>

namespace brisa {

/// Types keystrokes into whichever window has the keyboard focus, as if the user had.
class KeySynthesizer {
public:
    virtual ~KeySynthesizer() = default;
    /// True when this desktop lets Brisa type into other applications.
    virtual bool available() = 0;
    /// Types the paste chord. Modifiers the user still holds are lifted for the chord and put back
    /// after it. False when nothing could be typed.
    virtual bool sendPaste(PasteChord chord) = 0;
    /// Presses and lets go of BackSpace count times. False when nothing could be typed.
    virtual bool sendBackSpaces(int count)
    {
        (void)count;
        return false;
    }
    /// Types the delimiter's key with no modifier (held ones are lifted and put back). False when
    /// nothing could be typed.
    virtual bool sendDelimiter(Delimiter delimiter)
    {
        (void)delimiter;
        return false;
    }
    /// Sends these key events as they are, in order (keys the user typed, typed again). False when
    /// nothing could be typed.
    virtual bool sendStrokes(const std::vector<KeyStroke>& strokes)
    {
        (void)strokes;
        return false;
    }
};

} // namespace brisa
