#pragma once

#include "RenderContext.h"

// Base of the signal components of a key voice and of the key voice itself. Components
// exchange blocks of 32-bit float samples through buffers and process `frameCount` samples of
// their `context` per call. A component given a null input reads the silent buffer (process-wide,
// never written), one given a null output writes its context's discard buffer (one per engine
// core); both hold kMaxFrames floats. The base operations do nothing.
class VoiceComponent {
public:
    static constexpr int kMaxFrames = RenderContext::kMaxFrames;

    explicit VoiceComponent(RenderContext* renderContext) noexcept : context(renderContext) {}
    virtual ~VoiceComponent() = default;
    VoiceComponent(const VoiceComponent&) = delete;
    VoiceComponent& operator=(const VoiceComponent&) = delete;

    virtual void setInput(int index, float* buffer) noexcept;
    virtual void setOutput(int index, float* buffer) noexcept;
    virtual void init();
    virtual void reset() noexcept;
    virtual void trigger() noexcept;
    virtual void release() noexcept;
    virtual void process() noexcept;

    // The shared all-zero input; no component writes into it.
    static float* silentBuffer() noexcept;
    // The context's sink for outputs nobody reads.
    float* discardBuffer() const noexcept { return context->discard; }

protected:
    // Frames of the current slice, kept within 0..kMaxFrames so no buffer is overrun.
    int frames() const noexcept {
        const int n = context->frameCount;
        return n < 0 ? 0 : (n > kMaxFrames ? kMaxFrames : n);
    }

    static float* inputOrSilent(float* buffer) noexcept {
        return buffer != nullptr ? buffer : silentBuffer();
    }
    float* outputOrDiscard(float* buffer) const noexcept {
        return buffer != nullptr ? buffer : discardBuffer();
    }

    RenderContext* context;
};
