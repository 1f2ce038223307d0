// The kernel's wide loops compiled for AVX-512: sixteen lanes (two registers of floats, the
// doubles of each resonator step in two), eight lanes with the doubles of the resonator steps in
// one 512-bit register, and four lanes, which gain the 32 registers (the state of the
// loop no longer passes through the stack every sample). Chosen at run time only on processors
// that have AVX-512; nothing else is compiled here. The instruction set brings fused multiply-add,
// which this file is compiled never to use: each product is rounded before its sum, as everywhere
// else.

#include "FusedVoiceKernel.h"
#include "FusedVoiceLanes.h"

void FusedVoiceKernel::runWidest(FusedVoiceLanes<8>& lanes) noexcept {
    renderFusedLanes<8, 8>(lanes);
}

void FusedVoiceKernel::runWidestSixteen(FusedVoiceLanes<16>& lanes) noexcept {
    renderFusedLanes<16, 8>(lanes);
}

void FusedVoiceKernel::runWidestFour(FusedVoiceLanes<4>& lanes) noexcept {
    renderFusedLanes<4, 4>(lanes);
}
