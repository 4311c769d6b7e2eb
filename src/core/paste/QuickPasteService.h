// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace brisa {

class PasteService;
class Storage;

/// Pastes the n-th newest clip from a global shortcut, without opening the panel.
class QuickPasteService {
public:
    /// storage and paster must outlive the service.
    QuickPasteService(Storage& storage, PasteService& paster) : storage_(storage), paster_(paster) {}

    /// Pastes the clip at position slot of the history, newest first (0 = newest), pinned or not,
    /// of any kind. Nothing happens when the history has slot or fewer clips or slot is negative.
    void paste(int slot);

private:
    Storage& storage_;
    PasteService& paster_;
};

} // namespace brisa
