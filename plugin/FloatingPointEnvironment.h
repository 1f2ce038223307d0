#pragma once

#include <cstdint>

// The one owner of the floating-point environment of the threads that call the instrument.
//
// setControlWord: all exceptions masked, 53-bit (double) precision, rounding to nearest, set on
// the calling thread wherever the module resets (x87 control word on x86; elsewhere nothing).
// DenormalGuard: for the length of one process call, flush-to-zero and denormals-are-zero in
// the SSE control register, so that decaying filter state never runs into the slow denormal
// range; the host's mode is restored when the guard goes out of scope.
class FloatingPointEnvironment {
public:
    // Whether this build can set the x87 control word / the SSE flush modes.
    static const bool controlWordSupported;
    static const bool flushSupported;

    static void setControlWord() noexcept;
    // The x87 control word of the calling thread (0 where there is none).
    static uint32_t controlWord() noexcept;
    // Whether flush-to-zero and denormals-are-zero are both on for the calling thread.
    static bool flushesDenormals() noexcept;

    class DenormalGuard {
    public:
        DenormalGuard() noexcept;
        ~DenormalGuard();
        DenormalGuard(const DenormalGuard&) = delete;
        DenormalGuard& operator=(const DenormalGuard&) = delete;

    private:
        [[maybe_unused]] uint32_t saved = 0;
    };
};
