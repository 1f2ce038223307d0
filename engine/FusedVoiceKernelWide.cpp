// The kernel's wide loops, compiled for AVX2: eight lanes (floats in one 256-bit register, the
// doubles of the resonator steps in two) and four (floats in half a register, the doubles in
// one). Chosen at run time only on processors that have AVX2; nothing
// else is compiled here, so no code for that instruction set is shared with the rest.

#include "FusedVoiceKernel.h"
#include "FusedVoiceLanes.h"

void FusedVoiceKernel::runWide(FusedVoiceLanes<8>& lanes) noexcept {
    renderFusedLanes<8, 4>(lanes);
}

void FusedVoiceKernel::runWideFour(FusedVoiceLanes<4>& lanes) noexcept {
    renderFusedLanes<4, 4>(lanes);
}
