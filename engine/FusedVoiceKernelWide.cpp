// The kernel's eight-lane loop, compiled for AVX2 (floats in one 256-bit register, the doubles
// of the resonator steps in two). Chosen at run time only on processors that have AVX2; nothing
// else is compiled here, so no code for that instruction set is shared with the rest.

#include "FusedVoiceKernel.h"
#include "FusedVoiceLanes.h"

void FusedVoiceKernel::runWide(FusedVoiceLanes<8>& lanes) noexcept {
    renderFusedLanes<8, 4>(lanes);
}
