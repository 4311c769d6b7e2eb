// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>

namespace brisa {

/// Lets the user pick the colour of any pixel on the screen.
class ColorSampler {
public:
    struct Sample {
        double red = 0, green = 0, blue = 0, alpha = 1; ///< sRGB, 0...1
    };
    using Done = std::function<void(std::optional<Sample>)>;

    virtual ~ColorSampler() = default;
    /// Starts sampling; done runs once, with nullopt when the user cancelled (Escape).
    virtual void pick(Done done) = 0;
};

} // namespace brisa
