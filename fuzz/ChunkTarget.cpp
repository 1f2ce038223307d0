// effSetChunk with arbitrary bytes and sizes. The host's buffer is exactly as long as the size
// it passes (or longer when it passes less), so any read past it is the plug-in's fault. After
// the load every parameter must still read a value in 0..1 and the instrument must play.
#include <cstdlib>
#include <vector>

#include "FuzzInput.h"
#include "FuzzPlugin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const uint8_t mode = in.byte();
    std::vector<uint8_t> chunk(in.left());
    in.take(chunk.data(), chunk.size());

    // The size the host passes: the buffer's, a shorter one, zero or negative.
    intptr_t passed = static_cast<intptr_t>(chunk.size());
    if (mode % 4 == 1 && !chunk.empty()) {
        passed = static_cast<intptr_t>(mode) % static_cast<intptr_t>(chunk.size());
    } else if (mode % 4 == 2) {
        passed = -static_cast<intptr_t>(mode);
    }
    FuzzPlugin plugin;
    // A buffer that is empty is handed over as no buffer at all.
    void* pointer = chunk.empty() ? nullptr : chunk.data();
    if (plugin.dispatch(vst2::effSetChunk, 0, passed, pointer) != passed) {
        std::abort();
    }
    for (int32_t index = 0; index <= 10; ++index) {
        const float v = plugin.effect->getParameter(plugin.effect, index);
        if (!(v >= 0.0f && v <= 1.0f)) {
            std::abort();
        }
    }
    // The state saved now is a chunk the instrument itself accepts.
    void* saved = nullptr;
    if (plugin.dispatch(vst2::effGetChunk, 0, 0, &saved) != 68 || saved == nullptr) {
        std::abort();
    }
    std::vector<uint8_t> copy(static_cast<uint8_t*>(saved), static_cast<uint8_t*>(saved) + 68);
    plugin.dispatch(vst2::effSetChunk, 0, 68, copy.data());
    plugin.render(64);
    return 0;
}
