#include "VoiceComponent.h"

namespace {

// Static storage: zero before the first component exists and for the life of the process.
alignas(64) float silent[VoiceComponent::kMaxFrames];

}  // namespace

void VoiceComponent::setInput(int /*index*/, float* /*buffer*/) noexcept {}
void VoiceComponent::setOutput(int /*index*/, float* /*buffer*/) noexcept {}
void VoiceComponent::init() {}
void VoiceComponent::reset() noexcept {}
void VoiceComponent::trigger() noexcept {}
void VoiceComponent::release() noexcept {}
void VoiceComponent::process() noexcept {}

float* VoiceComponent::silentBuffer() noexcept {
    return silent;
}
