// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/settings/UserDefaults.h"
#include "core/stores/TextSnippet.h"
#include "core/support/Signal.h"

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace brisa {

/// The text snippets, in insertion order, kept as one JSON array under "textSnippets".
/// Every change is written at once.
class TextSnippetStore {
public:
    static constexpr std::string_view key = "textSnippets";

    /// Loads the list; a missing value, or one with any incomplete element, gives an empty list
    /// and writes nothing.
    explicit TextSnippetStore(UserDefaults& defaults);

    const std::vector<TextSnippet>& snippets() const { return snippets_; }
    /// Replaces the whole list and saves it.
    void setSnippets(std::vector<TextSnippet> snippets);

    /// Appends a snippet; ";" is put in front of a shortcut that lacks it. Does nothing when content
    /// is empty or a snippet with that exact shortcut exists. No trimming.
    void add(std::string_view shortcut, std::string_view content);
    /// Removes every snippet with snippet's id and saves, even when none was there.
    void remove(const TextSnippet& snippet);

    /// The first snippet, in list order, whose shortcut text ends with; nullopt when none.
    std::optional<TextSnippet> match(std::string_view text) const;

    /// Reads the list again from the defaults (another process changed them) and tells of the change.
    void reload();

    /// f runs after every change of the list.
    void onChanged(std::function<void()> f) { changed_.connect(std::move(f)); }

private:
    void save();

    UserDefaults& defaults_;
    std::vector<TextSnippet> snippets_;
    Signal<> changed_;
};

} // namespace brisa
