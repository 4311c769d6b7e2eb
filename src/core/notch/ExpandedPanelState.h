// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/NotchTab.h"

namespace brisa {

/// The keys the open panel reacts to; the UI maps its toolkit's keys onto these.
enum class PanelKey { Left, Right, Up, Down, Return, Escape, Delete, Backspace, Other };

/// What the panel asks its owner to do after a key press.
enum class PanelAction { None, PasteSelected, DeleteSelected, CloseAndRestoreFocus };

/// The answer to a key press: ignored keys are passed on to the system unchanged.
struct PanelKeyResult {
    bool handled = false;
    PanelAction action = PanelAction::None;
    bool operator==(const PanelKeyResult&) const = default;
};

/// Tab, favourites switch, selection and scroll-reset counter of the open panel. It lives as
/// long as the panel, so the choice of tab survives closing and reopening. Counts passed in are
/// the length of the filtered card list at that moment.
class ExpandedPanelState {
public:
    NotchTab selectedTab() const { return selectedTab_; }
    bool onlyFavorites() const { return onlyFavorites_; }
    int selectedIndex() const { return selectedIndex_; }
    /// Bumped whenever the strip must jump back to its start.
    int scrollReset() const { return scrollReset_; }
    /// Whether the card list holds the keyboard focus.
    bool listHasFocus() const { return listHasFocus_; }

    /// Selects a tab; a different tab resets the selection and the scroll position.
    void setSelectedTab(NotchTab tab);
    void setOnlyFavorites(bool on) { onlyFavorites_ = on; }
    void toggleOnlyFavorites() { onlyFavorites_ = !onlyFavorites_; }

    /// Moves the selection by delta within 0 … count − 1, without wrapping; nothing on an empty list.
    void moveSelection(int delta, int count);
    /// Moves to the neighbouring tab in chip order, stopping at the first and last.
    void moveTab(int delta);
    /// Brings the selection back into 0 … count − 1 (0 for an empty list), e.g. after a delete.
    void clampSelection(int count);
    /// A click on a card: selects it when it exists. Returns whether it did.
    bool selectCard(int index, int count);
    /// Whether the selection points at an existing card.
    bool hasValidSelection(int count) const { return selectedIndex_ >= 0 && selectedIndex_ < count; }

    /// Reacts to a key press while the list has the focus.
    PanelKeyResult handleKey(PanelKey key, int count);

    /// Taking the keyboard starts on the default tab with the first card and focuses the list;
    /// giving it back clears the focus.
    void onKeyboardActiveChanged(bool active, NotchTab defaultTab);
    /// Opening the panel starts again at the first card, scrolled to the start.
    void onExpandedChanged(bool expanded);
    /// The selected tab changed: first card, strip back to its start.
    void onTabChanged();

private:
    void bumpScrollReset();

    NotchTab selectedTab_ = NotchTab::History;
    bool onlyFavorites_ = false;
    int selectedIndex_ = 0;
    int scrollReset_ = 0;
    bool listHasFocus_ = false;
};

} // namespace brisa
