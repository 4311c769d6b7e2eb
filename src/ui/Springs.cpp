// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Springs.h"

#include <cmath>
#include <numbers>

namespace brisa {

namespace {
constexpr double kStepSeconds = 0.016;
}

SpringParameters springFor(double response, double dampingFraction)
{
    if (!(response > 0) || !(dampingFraction >= 0) || !std::isfinite(response) || !std::isfinite(dampingFraction))
        return {};
    const double omega = 2 * std::numbers::pi / response;
    const double decay = std::exp(-dampingFraction * omega * kStepSeconds);
    const double spread = std::sqrt(std::abs(1 - dampingFraction * dampingFraction)) * omega * kStepSeconds;
    // The sum of the eigenvalues: a turning pair below critical damping, two real decays above.
    const double sum = 2 * decay * (dampingFraction < 1 ? std::cos(spread) : std::cosh(spread));
    const double damping = 1 - decay * decay;
    return {(2 - damping - sum) / kStepSeconds, damping};
}

double Springs::spring(double response, double dampingFraction)
{
    return springFor(response, dampingFraction).spring;
}

double Springs::damping(double response, double dampingFraction)
{
    return springFor(response, dampingFraction).damping;
}

} // namespace brisa
