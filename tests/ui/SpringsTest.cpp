// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Springs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace brisa;

namespace {

struct Motion {
    double peak = 0;        // highest value reached on the way from 0 to 1
    double peakSeconds = 0; // when it was reached
};

// Steps the way SpringAnimation does, 16 ms at a time, from 0 towards 1.
Motion run(SpringParameters p)
{
    double x = 0, v = 0;
    Motion m;
    for (int step = 1; step <= 400; ++step) {
        v = v + p.spring * (1 - x) - p.damping * v;
        x += v * 0.016;
        if (x > m.peak) {
            m.peak = x;
            m.peakSeconds = step * 0.016;
        }
    }
    return m;
}

double overshootOf(double zeta)
{
    return std::exp(-std::numbers::pi * zeta / std::sqrt(1 - zeta * zeta));
}

double peakTimeOf(double response, double zeta)
{
    return response / 2 / std::sqrt(1 - zeta * zeta);
}

} // namespace

TEST(Springs, MoveLikeTheSpringTheyAreNamedAfter)
{
    for (auto [response, zeta] : {std::pair{0.42, 0.58}, {0.3, 0.7}, {0.4, 0.55}}) {
        SCOPED_TRACE(testing::Message() << response << " s, " << zeta);
        const Motion m = run(springFor(response, zeta));
        EXPECT_NEAR(m.peak - 1, overshootOf(zeta), 0.005);
        EXPECT_NEAR(m.peakSeconds, peakTimeOf(response, zeta), 0.016);
    }
}

TEST(Springs, ACriticallyDampedSpringDoesNotOvershoot)
{
    EXPECT_LE(run(springFor(0.3, 1.0)).peak, 1.0);
    EXPECT_LE(run(springFor(0.3, 1.5)).peak, 1.0);
}

TEST(Springs, NonsenseGivesNoSpring)
{
    EXPECT_EQ(springFor(0, 0.5).spring, 0);
    EXPECT_EQ(springFor(-1, 0.5).spring, 0);
    EXPECT_EQ(springFor(std::nan(""), 0.5).spring, 0);
    EXPECT_EQ(springFor(0.3, -0.1).spring, 0);
}

TEST(Springs, QmlGetsTheSameNumbers)
{
    EXPECT_DOUBLE_EQ(Springs::spring(0.3, 0.7), springFor(0.3, 0.7).spring);
    EXPECT_DOUBLE_EQ(Springs::damping(0.3, 0.7), springFor(0.3, 0.7).damping);
}
