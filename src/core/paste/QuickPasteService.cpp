// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/paste/QuickPasteService.h"

#include "core/paste/PasteService.h"
#include "core/store/Storage.h"

#include <cstddef>

namespace brisa {

void QuickPasteService::paste(int slot)
{
    if (slot < 0)
        return;
    const auto index = static_cast<std::size_t>(slot);
    const auto clips = storage_.fetchAll({.limit = index + 1});
    if (clips.size() <= index)
        return;
    paster_.paste(clips[index]);
}

} // namespace brisa
