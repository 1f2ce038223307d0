#pragma once

#include "CutCascade.h"

// The high-cut filter: sections c (1 + z^-1)/(1 + a z^-1) with c = K/(1 + K). The order factor
// puts the section corner above the requested f below 1000 Hz and fades out along a parabola
// from 1000 Hz to half the sample rate:
//   f_s = x f (f < 1000),   f_s = f (1 + (x - 1)(f - fs/2)^2/(1000 - fs/2)^2) otherwise.
class LowPassCascade : public CutCascade {
public:
    // x(N) for N = 1..12.
    static constexpr double kOrderFactor[kMaxOrder] = {1.0,  1.55, 1.95, 2.3,  2.55, 2.83,
                                                       3.05, 3.26, 3.47, 3.65, 3.82, 4.0};

    LowPassCascade();
    ~LowPassCascade() override = default;
};
