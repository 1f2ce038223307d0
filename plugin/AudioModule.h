#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "ChannelBuffers.h"
#include "ParameterOwner.h"
#include "ValueTable.h"

class Parameter;

// The framework's engine module: the object between the plug-in and a sound engine. It holds
// the change counter that parameter writes raise from any thread and the audio thread takes in
// one exchange at the start of each block, the sample rate the engine runs at and the one the
// host asked for, the channel counts, and the default-value table.
class AudioModule : public ParameterOwner {
public:
    AudioModule() = default;
    ~AudioModule() override = default;
    AudioModule(const AudioModule&) = delete;
    AudioModule& operator=(const AudioModule&) = delete;

    // Sends the parameters' values to the engine.
    virtual void applyParameters() noexcept = 0;
    void controllerChanged(int32_t) {}
    // Audio thread: the sample position at which the block starts for the engine.
    void setBlockStart(int32_t position) noexcept { blockStart = position; }
    // Control thread: records the host's rate; the audio thread adopts it at the next block.
    void setSampleRate(float rate) noexcept;
    void setTempo(float bpm) { tempo = bpm; }
    virtual int32_t parameterCount() const = 0;
    virtual Parameter* parameterAt(int32_t index) const noexcept = 0;
    void setMaxBlockSize(int32_t frames) { maxBlockSize = frames; }
    // Any thread: raises the change counter.
    void parameterChanged() noexcept override;
    // Audio thread: renders one block.
    virtual void render(const ChannelBuffers& input, ChannelBuffers& output) noexcept = 0;
    virtual bool setup() = 0;
    virtual bool reset() noexcept = 0;
    virtual bool supportsChannels(int32_t, int32_t) const { return false; }
    // Index 0 loads every parameter's default, any other index only that one's.
    void loadDefaults(int32_t index) noexcept;
    virtual int32_t chunkSize() const = 0;
    virtual int32_t writeChunk(uint8_t* buffer) const noexcept = 0;
    virtual bool readChunk(const void* data, intptr_t size) noexcept = 0;
    void setChannels(int32_t inputs, int32_t outputs);
    void setDefaults(std::unique_ptr<ValueTable> table);

    float engineSampleRate() const noexcept { return sampleRate; }
    float requestedSampleRate() const noexcept { return hostRate.load(std::memory_order_relaxed); }
    int32_t changes() const noexcept { return changeCounter.load(std::memory_order_relaxed); }

protected:
    // Takes the change counter and clears it in one step, so no raise in between is lost.
    int32_t takeChanges() noexcept { return changeCounter.exchange(0, std::memory_order_acquire); }

    float sampleRate = 44100.0f;  // the rate the engine runs at (audio thread after setup)
    std::atomic<float> hostRate{44100.0f};
    float tempo = 120.0f;
    int32_t blockStart = 0;
    int32_t maxBlockSize = 4096;
    std::atomic<int32_t> changeCounter{1};
    int32_t inputChannels = 0;
    int32_t outputChannels = 0;
    std::unique_ptr<ValueTable> defaults;
};
