#include "TempoClock.h"

#include <array>
#include <cstddef>

namespace {

// Numbers 1 to 21: (count, divisor), fastest first.
constexpr std::array<TempoClock::NoteValue, 21> kRateValues = {{
    {96, 1, 0}, {64, 1, 0}, {128, 3, 0}, {48, 1, 0}, {32, 1, 0}, {64, 3, 0}, {24, 1, 0},
    {16, 1, 0}, {32, 3, 0}, {12, 1, 0},  {8, 1, 0},  {16, 3, 0}, {6, 1, 0},  {4, 1, 0},
    {8, 3, 0},  {3, 1, 0},  {2, 1, 0},   {4, 3, 0},  {3, 2, 0},  {1, 1, 0},  {2, 3, 0},
}};

// Numbers 22 to 34: bars per cycle.
constexpr std::array<int32_t, 13> kBarValues = {1, 2, 3, 4, 5, 6, 8, 10, 12, 16, 20, 24, 28};

constexpr int32_t kLongestBars = 32;

}  // namespace

TempoClock::NoteValue TempoClock::noteValue(int number) noexcept {
    if (number < kFirstNumber) {
        number = kFirstNumber;
    }
    if (number <= kLastRateNumber) {
        return kRateValues[static_cast<std::size_t>(number - kFirstNumber)];
    }
    if (number <= kLastBarNumber) {
        return {0, 1, kBarValues[static_cast<std::size_t>(number - kLastRateNumber - 1)]};
    }
    return {0, 1, kLongestBars};
}

void TempoClock::selectNoteValue(int noteNumber, float cyclePhase) noexcept {
    number = noteNumber;
    phase = cyclePhase;
}
