// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QImage>

#include <algorithm>
#include <cstdlib>

namespace brisa::test {

/// How far a control's label stands out from its face: the largest difference (summed over red,
/// green and blue) from the face colour beside it, through the middle half of its height. A
/// disabled control drawn as one shows less of it.
inline int inkContrast(const QImage& control)
{
    const int y0 = control.height() / 4, y1 = control.height() * 3 / 4;
    int most = 0;
    for (int y = y0; y < y1; ++y) {
        const QColor face = control.pixelColor(4, y);
        for (int x = 4; x < control.width() - 4; ++x) {
            const QColor c = control.pixelColor(x, y);
            most = std::max(most, std::abs(c.red() - face.red()) + std::abs(c.green() - face.green()) +
                                      std::abs(c.blue() - face.blue()));
        }
    }
    return most;
}

} // namespace brisa::test
