// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/paste/SequentialPasteService.h"

#include "core/paste/PasteService.h"
#include "core/store/Storage.h"

#include <algorithm>
#include <climits>
#include <cstddef>

namespace brisa {

void SequentialPasteService::paste(int index)
{
    if (index < 0)
        return;
    const auto position = static_cast<std::size_t>(index);
    const auto clips = storage_.fetchAll({.limit = position + 1});
    if (clips.size() <= position)
        return;
    paster_.paste(clips[position]);
    cursor = index;
}

void SequentialPasteService::pasteNext()
{
    // A cursor at INT_MAX cannot step further; there is no such history anyway.
    if (cursor < INT_MAX)
        paste(cursor + 1);
}

void SequentialPasteService::pasteBack()
{
    paste(std::max(cursor - 1, 0));
}

} // namespace brisa
