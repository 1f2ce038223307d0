#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "BlockScheduler.h"
#include "vst2/Vst2Abi.h"

class SharedLibrary;

// The host side of one VST 2.x plug-in, driven as a DAW drives it: the library is loaded, its
// entry point (VSTPluginMain, else main) is called with the host callback, and the
// effect record is then talked to through its dispatcher, parameter and process entries.
// Everything runs on the calling thread; the plug-in is closed and unloaded by the destructor.
class PluginHost {
public:
    // Loads the library and opens the effect, telling it the sample rate and the block size.
    // Throws ToolError when the library cannot be loaded or is not a usable VST 2.x plug-in.
    PluginHost(const std::string& path, uint32_t sampleRate, int blockSize, int maxEvents);
    ~PluginHost();
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    int parameterCount() const { return effect->numParams; }
    std::string parameterName(int index) const;
    std::string parameterLabel(int index) const;
    std::string parameterDisplay(int index) const;
    float parameter(int index) const;
    void setParameter(int index, float value);

    bool usesChunks() const { return (effect->flags & vst2::effFlagsProgramChunks) != 0; }
    std::vector<uint8_t> chunk() const;
    void setChunk(const std::vector<uint8_t>& data);

    int outputCount() const { return effect->numOutputs; }
    int inputCount() const { return effect->numInputs; }
    std::string effectName() const;

    // effMainsChanged(1) / effMainsChanged(0).
    void resume();
    void suspend();

    // Sends one block's events (effProcessEvents, only when there are any) with deltaFrames
    // measured from blockStart, then renders the block into outputs (processReplacing, or the
    // accumulating process on cleared buffers for a plug-in without it).
    void renderBlock(const ScheduledEvent* events, size_t count, int64_t blockStart, float** inputs,
                     float** outputs, int frames);

    // The host callback: answers the version, sample rate and block size and the few
    // questions a plug-in asks while loading.
    static intptr_t hostCallback(vst2::AEffect* effect, int32_t opcode, int32_t index,
                                 intptr_t value, void* ptr, float opt);

private:
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f) const;
    std::string text(int32_t opcode, int32_t index) const;

    std::unique_ptr<SharedLibrary> library;
    vst2::AEffect* effect = nullptr;
    uint32_t rate;
    int block;
    bool running = false;
    std::vector<vst2::VstMidiEvent> midiEvents;  // storage of the events of one block
    std::vector<intptr_t> eventList;             // a VstEvents record with maxEvents pointers
};
