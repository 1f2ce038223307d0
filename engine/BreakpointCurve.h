#pragma once

// A key-scaling curve: six values v0..v5 at the breakpoint notes 36, 55, 67, 79, 91 and 103,
// flat below the first and above the last breakpoint and linear in the note number between
// them. A view onto a row of a voicing set; it owns nothing. An empty curve answers 0.
class BreakpointCurve {
public:
    static constexpr int kBreakpoints = 6;
    static constexpr int breakpointNotes[kBreakpoints] = {36, 55, 67, 79, 91, 103};

    BreakpointCurve() = default;

    // Points the curve at six values (null empties it).
    void pointAt(const float* row) noexcept { values = row; }

    // The curve's value at a MIDI note.
    float value(int note) const noexcept;

private:
    const float* values = nullptr;
};
