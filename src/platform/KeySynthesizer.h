// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/paste/PasteChord.h"

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
};

} // namespace brisa
