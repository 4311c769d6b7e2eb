// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stores/TextSnippetStore.h"

#include "core/stores/JsonText.h"
#include "core/support/Utf8.h"

#include <algorithm>

namespace brisa {

namespace {

// All or nothing: one incomplete element makes the whole stored list unreadable.
std::optional<std::vector<TextSnippet>> decodeSnippets(const nlohmann::json& array)
{
    if (!array.is_array())
        return std::nullopt;
    std::vector<TextSnippet> snippets;
    snippets.reserve(array.size());
    for (const auto& element : array) {
        if (!element.is_object())
            return std::nullopt;
        auto id = stringMember(element, "id");
        auto shortcut = stringMember(element, "shortcut");
        auto content = stringMember(element, "content");
        if (!id || !shortcut || !content)
            return std::nullopt;
        auto uuid = Uuid::parse(*id);
        if (!uuid)
            return std::nullopt;
        snippets.push_back({*uuid, *shortcut, *content});
    }
    return snippets;
}

} // namespace

TextSnippetStore::TextSnippetStore(UserDefaults& defaults)
    : defaults_(defaults)
{
    if (auto stored = readJsonText(defaults_, key))
        if (auto snippets = decodeSnippets(*stored))
            snippets_ = std::move(*snippets);
}

void TextSnippetStore::reload()
{
    snippets_.clear();
    if (auto stored = readJsonText(defaults_, key))
        if (auto snippets = decodeSnippets(*stored))
            snippets_ = std::move(*snippets);
    changed_.emit();
}

void TextSnippetStore::setSnippets(std::vector<TextSnippet> snippets)
{
    for (auto& s : snippets) {
        s.shortcut = validUtf8(s.shortcut);
        s.content = validUtf8(s.content);
    }
    snippets_ = std::move(snippets);
    save();
    changed_.emit();
}

void TextSnippetStore::add(std::string_view shortcut, std::string_view content)
{
    auto trigger = validUtf8(shortcut);
    if (!trigger.starts_with(';'))
        trigger.insert(trigger.begin(), ';');
    if (content.empty())
        return;
    if (std::any_of(snippets_.begin(), snippets_.end(), [&](const TextSnippet& s) { return s.shortcut == trigger; }))
        return;
    snippets_.push_back({Uuid::random(), std::move(trigger), validUtf8(content)});
    save();
    changed_.emit();
}

void TextSnippetStore::remove(const TextSnippet& snippet)
{
    std::erase_if(snippets_, [&](const TextSnippet& s) { return s.id == snippet.id; });
    save();
    changed_.emit();
}

std::optional<TextSnippet> TextSnippetStore::match(std::string_view text) const
{
    for (const auto& s : snippets_) {
        // An empty trigger (possible only in a stored or replaced list) would fire on every key.
        if (!s.shortcut.empty() && text.ends_with(s.shortcut))
            return s;
    }
    return std::nullopt;
}

void TextSnippetStore::save()
{
    auto array = nlohmann::json::array();
    for (const auto& s : snippets_)
        array.push_back({{"id", s.id.toString()}, {"shortcut", s.shortcut}, {"content", s.content}});
    writeJsonText(defaults_, key, array);
}

} // namespace brisa
