// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/SampledColor.h"

#include "core/capture/ColorParser.h"
#include "core/model/ClipItem.h"
#include "core/store/Storage.h"

#include <fmt/format.h>

namespace brisa {

std::string sampledColorText(double red, double green, double blue, double alpha)
{
    auto alphaText = fmt::format("{}", alpha); // shortest form that reads back the same
    if (alphaText.find_first_of(".eEn") == std::string::npos)
        alphaText += ".0";
    const auto byte = [](double c) { return static_cast<long long>(c * 255.0); }; // toward zero
    return fmt::format("rgba({}, {}, {}, {})", byte(red), byte(green), byte(blue), alphaText);
}

std::optional<std::string> saveSampledColor(Storage& storage, const Clock& clock, double red, double green,
                                            double blue, double alpha)
{
    auto hex = ColorParser::normalizedHex(sampledColorText(red, green, blue, alpha));
    if (!hex)
        return std::nullopt;
    const auto size = static_cast<std::int64_t>(hex->size());
    if (!storage.insertCaptured(makeClipItem({.type = ClipType::Color, .textContent = *hex, .byteSize = size}, clock)))
        return std::nullopt;
    return hex;
}

} // namespace brisa
