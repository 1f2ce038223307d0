#pragma once

// Added to every input sample of a recursive filter (and to the damper contact signal) so that
// decaying state stays out of the denormal range.
inline constexpr float kAntiDenormal = 1e-7f;
