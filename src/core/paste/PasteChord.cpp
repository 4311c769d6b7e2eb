// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/paste/PasteChord.h"

#include <algorithm>

namespace brisa {

std::string_view chordName(PasteChord chord)
{
    switch (chord) {
    case PasteChord::ControlV:
        return "ctrl+v";
    case PasteChord::ControlShiftV:
        return "ctrl+shift+v";
    case PasteChord::ShiftInsert:
        return "shift+insert";
    }
    return "ctrl+v";
}

std::optional<PasteChord> chordFromName(std::string_view name)
{
    const auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; };
    for (PasteChord chord : {PasteChord::ControlV, PasteChord::ControlShiftV, PasteChord::ShiftInsert}) {
        const std::string_view known = chordName(chord);
        if (known.size() == name.size()
            && std::equal(known.begin(), known.end(), name.begin(), [&](char a, char b) {
                   return lower(static_cast<unsigned char>(a)) == lower(static_cast<unsigned char>(b));
               }))
            return chord;
    }
    return std::nullopt;
}

} // namespace brisa
