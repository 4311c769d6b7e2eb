// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipItem.h"
#include "core/model/ClipType.h"
#include "core/search/LocalizedText.h"

#include <optional>
#include <string>
#include <string_view>

namespace brisa {

/// The parsed text of a search field: plain words plus "@kind" and "@app" filters.
///
/// The input is split at spaces (U+0020 only). A word of at least two characters starting with
/// "@" is a filter: "@image" and the other kind names (any case) filter by kind, any other
/// "@word" by source application (lower-cased). A later filter of the same sort replaces an
/// earlier one. Every other word, a lone "@" included, is free text.
class SearchQuery {
public:
    explicit SearchQuery(std::string_view input, CaseRules rules = currentCaseRules());

    /// The plain words joined by one space; empty when there are none.
    const std::string& freeText() const { return freeText_; }
    /// Lower-cased application filter without the "@".
    const std::optional<std::string>& appFilter() const { return appFilter_; }
    std::optional<ClipType> typeFilter() const { return typeFilter_; }
    /// True when the query keeps every clip.
    bool isEmpty() const { return freeText_.empty() && !appFilter_ && !typeFilter_; }

    /// Kind filter, then application filter, then free text against textContent, sourceAppName
    /// and ocrText joined with nothing between them.
    bool matches(const ClipItem& item) const;
    /// The same test over the fields it reads, for callers that keep them apart from a ClipItem
    /// (an absent field is the empty string).
    bool matches(ClipType type, std::string_view textContent, std::string_view sourceAppName,
                 std::string_view ocrText) const;

    /// The same test, given foldedJoined: foldJoinedForComparison of textContent, sourceAppName
    /// and ocrText under rules(), made beforehand, which spares folding them again for every query.
    bool matches(ClipType type, std::string_view textContent, std::string_view sourceAppName,
                 std::string_view ocrText, std::string_view foldedJoined) const;
    /// Whether the free text folds to more than ASCII: then every text beyond ASCII is folded to
    /// be compared with it.
    bool foldsEveryText() const { return textNeedle_ && !textNeedle_->ascii(); }
    /// The free text as it is compared (folded); empty when there is none.
    std::string_view foldedText() const { return textNeedle_ ? std::string_view(textNeedle_->folded()) : std::string_view(); }
    /// The case rules the query compares by.
    CaseRules rules() const { return rules_; }

private:
    CaseRules rules_;
    std::string freeText_;
    std::optional<std::string> appFilter_;
    std::optional<ClipType> typeFilter_;
    std::optional<FoldedNeedle> appNeedle_;
    std::optional<FoldedNeedle> textNeedle_;
};

} // namespace brisa
