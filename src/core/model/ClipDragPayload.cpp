// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/model/ClipDragPayload.h"

namespace brisa {
namespace {

// The name is joined to the images folder by whoever reads the file: a name that could leave the
// folder (edited into the database by hand) is not handed out.
bool isPlainFileName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos
        && name.find('\0') == std::string::npos;
}

} // namespace

std::optional<ClipDragPayload> ClipDragPayload::from(const ClipItem& item)
{
    switch (item.type()) {
    case ClipType::Image:
    case ClipType::Screenshot:
        if (item.imageFileName && isPlainFileName(*item.imageFileName))
            return imageFile(*item.imageFileName);
        return std::nullopt;
    case ClipType::File:
        if (item.textContent && !item.textContent->empty())
            return filePath(*item.textContent);
        return std::nullopt;
    case ClipType::Text:
    case ClipType::Code:
    case ClipType::Link:
    case ClipType::Color:
        break;
    }
    if (item.textContent)
        return text(*item.textContent);
    return std::nullopt;
}

} // namespace brisa
