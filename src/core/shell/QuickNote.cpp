// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/shell/QuickNote.h"

#include "core/store/Storage.h"

namespace brisa {

NewClip quickNoteClip(std::string text)
{
    const auto size = static_cast<std::int64_t>(text.size());
    return {.type = ClipType::Text, .textContent = std::move(text), .byteSize = size};
}

bool saveQuickNote(Storage& storage, const Clock& clock, std::string text)
{
    return storage.insertCaptured(makeClipItem(quickNoteClip(std::move(text)), clock));
}

} // namespace brisa
