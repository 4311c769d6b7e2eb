// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/notch/PanelLinks.h"

namespace brisa {

class PasteService;
class Storage;

/// Steps through the history, newest first, pasting one clip per shortcut press. Keeps nothing on disk.
class SequentialPasteService final : public PasteCursor {
public:
    /// storage and paster must outlive the service.
    SequentialPasteService(Storage& storage, PasteService& paster) : storage_(storage), paster_(paster) {}

    /// Pastes the clip at index of the newest-first history and moves the cursor there. A negative
    /// index or one past the end does nothing and leaves the cursor alone.
    void paste(int index);
    /// The "next" shortcut: paste(cursor + 1).
    void pasteNext();
    /// The "back" shortcut: paste(max(cursor - 1, 0)).
    void pasteBack();

    /// Back to before the first clip (the panel opened for keyboard use).
    void resetCursor() override { cursor = -1; }

    /// Position of the clip pasted last; -1 before the first and after a reset (the panel resets it
    /// when it opens for keyboard use).
    int cursor = -1;

private:
    Storage& storage_;
    PasteService& paster_;
};

} // namespace brisa
