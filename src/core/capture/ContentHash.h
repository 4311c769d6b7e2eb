// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/DetectedClip.h"

#include <string>

namespace brisa {

/// SHA-256 over the kind's raw value, the text and the image bytes, with nothing between them,
/// as 64 lower-case hex digits. What the duplicate check compares.
std::string contentHash(const DetectedClip& clip);

} // namespace brisa
