#pragma once

#include "CutCascade.h"

// The low-cut filter: sections c (1 - z^-1)/(1 + a z^-1) with c = 1/(1 + K). The order factor
// puts the section corner below the requested f and fades out linearly toward half the sample
// rate:
//   f_s = f / (1 + (x - 1)(f - fs/2)/(-fs/2)).
class HighPassCascade : public CutCascade {
public:
    // x(N) for N = 1..12.
    static constexpr double kOrderFactor[kMaxOrder] = {1.0,  1.55, 1.95, 2.3,  2.55, 2.83,
                                                       3.05, 3.26, 3.47, 3.65, 3.82, 4.1};

    HighPassCascade();
    ~HighPassCascade() override = default;
};
