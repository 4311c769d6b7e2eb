// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/search/SearchQuery.h"

#include <vector>

namespace brisa {
namespace {

std::vector<std::string_view> splitAtSpaces(std::string_view input)
{
    std::vector<std::string_view> words;
    std::size_t pos = 0;
    while (pos < input.size()) {
        const auto end = std::min(input.find(' ', pos), input.size());
        if (end > pos)
            words.push_back(input.substr(pos, end - pos));
        pos = end + 1;
    }
    return words;
}

/// "@" followed by at least one more user-perceived character: "@" plus a lone combining mark
/// is still one character.
bool isFilterWord(std::string_view word)
{
    if (word.size() < 2 || word.front() != '@')
        return false;
    // An ASCII byte after "@" always starts a new character; only then is ICU needed.
    if (static_cast<unsigned char>(word[1]) < 0x80)
        return true;
    return characterCount(word, 2) >= 2;
}

std::string_view orEmpty(const std::optional<std::string>& s) { return s ? std::string_view(*s) : std::string_view(); }

} // namespace

SearchQuery::SearchQuery(std::string_view input, CaseRules rules) : rules_(rules)
{
    for (auto word : splitAtSpaces(input)) {
        if (!isFilterWord(word)) {
            if (!freeText_.empty())
                freeText_ += ' ';
            freeText_ += word;
            continue;
        }
        auto rest = lowercased(word.substr(1));
        if (auto kind = clipTypeFromRaw(rest))
            typeFilter_ = kind;
        else
            appFilter_ = std::move(rest);
    }
    if (appFilter_)
        appNeedle_.emplace(*appFilter_, rules);
    if (!freeText_.empty())
        textNeedle_.emplace(freeText_, rules);
}

bool SearchQuery::matches(const ClipItem& item) const
{
    return matches(item.type(), orEmpty(item.textContent), orEmpty(item.sourceAppName), orEmpty(item.ocrText));
}

bool SearchQuery::matches(ClipType type, std::string_view textContent, std::string_view sourceAppName,
                          std::string_view ocrText) const
{
    if (typeFilter_ && type != *typeFilter_)
        return false;
    if (appNeedle_ && !appNeedle_->in(sourceAppName))
        return false;
    if (!textNeedle_)
        return true;
    return textNeedle_->inJoined({textContent, sourceAppName, ocrText});
}

bool SearchQuery::matches(ClipType type, std::string_view textContent, std::string_view sourceAppName,
                          std::string_view ocrText, std::string_view foldedJoined) const
{
    if (typeFilter_ && type != *typeFilter_)
        return false;
    if (appNeedle_ && !appNeedle_->in(sourceAppName))
        return false;
    if (!textNeedle_)
        return true;
    return textNeedle_->inJoined({textContent, sourceAppName, ocrText}, foldedJoined);
}

} // namespace brisa
