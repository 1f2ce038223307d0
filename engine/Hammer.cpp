#include "Hammer.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include "ReferenceRate.h"

namespace {

// Loudness correction per pulse order, so that orders 1 to 3 sound about equally strong.
double orderWeight(int n) {
    switch (n) {
        case 1:
            return 2.0;
        case 2:
            return 1.37;
        case 3:
            return 1.14;
        default:
            return 1.0;
    }
}

constexpr float kMaxPole = 0.99f;
constexpr double kMaxLength = 9.9e6;  // stays well inside the exact integer range of a float

}  // namespace

Hammer::Hammer(RenderContext* renderContext) noexcept
    : VoiceComponent(renderContext), output(discardBuffer()) {
    reset();
}

void Hammer::setOutput(int index, float* buffer) noexcept {
    if (index == 0) {
        output = outputOrDiscard(buffer);
    }
}

void Hammer::reset() noexcept {
    level = 0.0f;
    amplitude = 0.0f;
    velocitySens = 0.0f;
    velocity = 0.0f;
    pole = 0.0f;
    order = 0;
    length = 0.0f;
    timeStep = 1.0f;
    poleStep = 0.0f;
    firstPower = 0.0f;
    time = 0.0f;
    power = 0.0f;
}

void Hammer::configure(int n, float p, float pulseLevel, float sensitivity) noexcept {
    pole = p;
    order = n;
    velocitySens = sensitivity;
    // The clock's step for the rates hosts use; a rate below 8 kHz steps as at 8 kHz, so that
    // p^(2 − s) stays finite for any pole.
    const double s = reference_rate::step(reference_rate::computedRate(context->sampleRate));
    timeStep = static_cast<float>(s);
    if (s == 1.0 || !(p > 0.0f)) {
        poleStep = p;
        firstPower = p;
    } else {
        poleStep = static_cast<float>(std::pow(static_cast<double>(p), s));
        firstPower = static_cast<float>(std::pow(static_cast<double>(p), 2.0 - s));
    }
    const float limited = p > kMaxPole ? kMaxPole : p;
    if (!(limited > 0.0f)) {
        // A pole at or below 0 (or not a number) gives no pulse: p^(k + 2) is 0 or undefined.
        level = 0.0f;
        length = 0.0f;
        return;
    }
    const double q = limited;
    const double tau = -static_cast<double>(n) / std::log(q);      // peak of t^n · q^t
    const double g = 1.0 / (std::pow(tau, n) * std::pow(q, tau));  // peak normalised to 1
    level = static_cast<float>(g * pulseLevel * std::pow(28.0, 1.0 - q) * orderWeight(n));
    length = static_cast<float>(std::min(5.0 * tau, kMaxLength));
}

namespace {

// |Σ x_k·e^(−iωk)| over the pulse's samples x_k = (1 + k·step)^n · p^(2 + k·step) until the
// clock passes `length`, with the hammer's own recurrences.
double pulseSpectrum(int n, double p, double length, double step, double omega) {
    const std::complex<double> turn = std::polar(1.0, -omega);
    std::complex<double> phase = 1.0;
    std::complex<double> sum = 0.0;
    const double fall = std::pow(p, step);
    double q = std::pow(p, 2.0 - step);
    for (double t = 1.0; t <= length; t += step) {
        q *= fall;
        sum += std::pow(t, n) * q * phase;
        phase *= turn;
    }
    return std::abs(sum);
}

}  // namespace

double Hammer::pulseWeight(double omega) const noexcept {
    const double s = timeStep;
    if (s == 1.0 || !(level > 0.0f) || order == 0) {
        return 1.0;
    }
    const double here = pulseSpectrum(order, pole, length, s, omega * s);
    const double reference = pulseSpectrum(order, pole, length, 1.0, omega);
    return here > 0.0 ? reference / (s * here) : 1.0;
}

void Hammer::trigger() noexcept {
    const float w = velocitySens * velocity + (1.0f - velocitySens);
    amplitude = level * (w * w);
    time = 1.0f;
    power = firstPower;
}

template <int Order>
void Hammer::pulse(float* out, int n) noexcept {
    const float p = poleStep;
    const float dt = timeStep;
    const float a = amplitude;
    float t = time;
    float q = power;
    for (int i = 0; i < n; ++i) {
        q *= p;
        float tn = t;
        for (int k = 1; k < Order; ++k) {
            tn *= t;
        }
        out[i] = a * tn * q;
        t += dt;
    }
    time = t;
    power = q;
}

void Hammer::pulseOfAnyOrder(float* out, int n) noexcept {
    const float p = poleStep;
    const float dt = timeStep;
    const float a = amplitude;
    const int m = order;
    float t = time;
    float q = power;
    for (int i = 0; i < n; ++i) {
        q *= p;
        float tn = t;
        for (int k = 1; k < m; ++k) {
            tn *= t;
        }
        out[i] = a * tn * q;
        t += dt;
    }
    time = t;
    power = q;
}

void Hammer::process() noexcept {
    const int n = frames();
    float* out = output;
    if (time > length || order == 0) {
        std::fill(out, out + n, 0.0f);
        time += static_cast<float>(n) * timeStep;
        return;
    }
    switch (order) {
        case 1:
            pulse<1>(out, n);
            break;
        case 2:
            pulse<2>(out, n);
            break;
        case 3:
            pulse<3>(out, n);
            break;
        case 4:
            pulse<4>(out, n);
            break;
        case 5:
            pulse<5>(out, n);
            break;
        case 6:
            pulse<6>(out, n);
            break;
        default:
            pulseOfAnyOrder(out, n);
            break;
    }
}
