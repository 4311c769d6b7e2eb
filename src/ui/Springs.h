// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace brisa {

/// SpringAnimation's parameters for a spring given as a response (the period of the undamped
/// oscillation, in seconds) and a damping fraction (1 = critically damped).
struct SpringParameters {
    double spring = 0;
    double damping = 0;
};

/// SpringAnimation advances in fixed 16 ms steps: v ← (1 − damping) v + spring × (to − x), then
/// x ← x + 0.016 v. The parameters are chosen so that these steps land exactly on the motion of
/// the continuous spring x″ = ω²(to − x) − 2ζω x′ (ω = 2π / response) at every step: the step's
/// two eigenvalues become e^(0.016 λ) for the spring's two roots λ. Their product gives
/// 1 − damping = e^(−2ζω × 0.016), their sum 2 − damping − 0.016 × spring.
SpringParameters springFor(double response, double dampingFraction);

/// The same for QML: `SpringAnimation { spring: Springs.spring(0.3, 0.7);
/// damping: Springs.damping(0.3, 0.7) }`, so every view quotes the response and damping it
/// means rather than a hand-made pair of numbers.
class Springs : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;
    Q_INVOKABLE static double spring(double response, double dampingFraction);
    Q_INVOKABLE static double damping(double response, double dampingFraction);
};

} // namespace brisa
