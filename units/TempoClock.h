#pragma once

#include <cstdint>

// The tremolo's tempo clock for tempo-synchronised rates. A note value number selects how long
// one oscillator cycle lasts relative to the host's beat: numbers 1 to 21 give a cycle rate
// proportional to count / divisor, numbers 22 to 34 one cycle per 1 to 28 bars, and every
// larger number one cycle per 32 bars.
//
// The instrument's host reports neither tempo nor position, so the clock has no timing source:
// it only keeps the note value table, the selection and the sample rate it was told. The
// tremolo treats a tempo-synchronised rate as rate 0 (oscillator frozen).
class TempoClock {
public:
    // One note value: a cycle rate of count / divisor (bars = 0), or one cycle per `bars` bars.
    struct NoteValue {
        int32_t count = 0;
        int32_t divisor = 1;
        int32_t bars = 0;
    };

    static constexpr int kFirstNumber = 1;
    static constexpr int kLastRateNumber = 21;
    static constexpr int kLastBarNumber = 34;

    // The note value of a number; numbers below 1 read as 1, above 34 as 32 bars.
    static NoteValue noteValue(int number) noexcept;

    // Records the sample rate the tremolo computes with, in Hz.
    void setSampleRate(float rate) noexcept { sampleRate = rate; }
    float sampleRateNow() const noexcept { return sampleRate; }

    // Selects note value `number` with the cycle phase at which a synchronised cycle begins.
    void selectNoteValue(int noteNumber, float cyclePhase) noexcept;
    int noteValueNumber() const noexcept { return number; }
    float startPhase() const noexcept { return phase; }

private:
    float sampleRate = 0.0f;
    int32_t number = 0;
    float phase = 0.0f;
};
