// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace brisa {

/// The few colours a launcher tile can be tinted with; the views map them to the theme's colours.
enum class TileTint { SystemBlue, SystemOrange };

} // namespace brisa
