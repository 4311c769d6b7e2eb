// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/Clock.h"

#include <optional>
#include <string>

namespace brisa {

class Storage;

/// A colour sampled from the screen as "rgba(R, G, B, A)": red, green and blue (0...1) times 255,
/// truncated; alpha in its shortest decimal form, always with a decimal point ("1.0", "0.5").
std::string sampledColorText(double red, double green, double blue, double alpha);

/// Stores a sampled colour as a new colour clip ("#RRGGBB", or "#RRGGBBAA" when translucent) with
/// no source application, hash or batch, then applies the retention rules. There is no duplicate
/// test: sampling the same colour twice makes two clips. Returns the hex, or nullopt when the
/// colour parser refused the text or the store did not take it.
std::optional<std::string> saveSampledColor(Storage& storage, const Clock& clock, double red, double green,
                                            double blue, double alpha);

} // namespace brisa
