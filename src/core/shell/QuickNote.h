// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipItem.h"

#include <string>

namespace brisa {

class Storage;

/// The fields of a note stored as a text clip: its text and its size in UTF-8 bytes, and nothing
/// else (no source application, no hash: notes are never taken for duplicates).
NewClip quickNoteClip(std::string text);

/// Stores a note like every capture path does (insert, then both retention rules); the note is
/// expected trimmed already. False when the store refused it, so the caller can keep the text.
bool saveQuickNote(Storage& storage, const Clock& clock, std::string text);

} // namespace brisa
