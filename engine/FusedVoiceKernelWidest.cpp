// The kernel's eight-lane loop compiled for AVX-512: the doubles of the resonator steps in one
// 512-bit register. Chosen at run time only on processors that have AVX-512; nothing else is
// compiled here. The instruction set brings fused multiply-add, which this file is compiled
// never to use: each product is rounded before its sum, as everywhere else.

#include "FusedVoiceKernel.h"
#include "FusedVoiceLanes.h"

void FusedVoiceKernel::runWidest(FusedVoiceLanes<8>& lanes) noexcept {
    renderFusedLanes<8, 8>(lanes);
}
