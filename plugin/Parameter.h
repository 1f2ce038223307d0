#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

class ParameterOwner;

// One control of the instrument held as an integer step 0..N (N = `steps`), with a mapping
// from step to real value (per kind), the inverse mapping, and display text. The step is one
// atomic word: host automation, the editor and the chunk loader write it from any thread, the
// audio thread reads it when the module sends the values to the engine.
//
// Display text: the real value printed with six decimals ("%f") and cut (not rounded) to the
// number of decimals that the kind's steps need, found once by a survey of every step.
class Parameter {
public:
    Parameter(const char* name, const char* shortName, const char* unit, int32_t steps,
              ParameterOwner* owner, bool showSign);
    virtual ~Parameter() = default;
    Parameter(const Parameter&) = delete;
    Parameter& operator=(const Parameter&) = delete;

    void setName(const char* text);
    const char* name() const { return longName.c_str(); }

    // The real value plus 0.5, truncated toward zero.
    int32_t roundedValue() const noexcept;
    // The real value of the current step.
    float realValue() const noexcept { return realValueAt(value()); }
    // The real value of step s (per kind; a step count below 1 gives the minimum).
    virtual float realValueAt(int32_t s) const noexcept = 0;

    void setValueFromInt(int32_t value, bool notify) noexcept;
    // Sets the step whose real value is r; values outside the range or not finite change nothing
    // (with fewer than one step, any finite value sets step 0).
    void setRealValue(float r, bool notify) noexcept;

    int32_t value() const noexcept { return current.load(std::memory_order_relaxed); }
    // Clamps to 0..N; a change stores the step and, with notify, tells the owner once.
    void setValue(int32_t step, bool notify) noexcept;
    int32_t stepCount() const noexcept { return steps; }
    // A plug-in format's normalised value 0..1: the step over N (0 when N is below 1).
    float normalisedValue() const noexcept;
    // Sets the nearest step to value x N, halves up, clamped to 0..N; not finite changes nothing.
    void setNormalisedValue(float value, bool notify) noexcept;
    // The lowest step whose real value lies nearest r (halfway goes down); the current step
    // when r is not finite. Real values never fall as the step rises.
    int32_t nearestStep(float r) const noexcept;

    // Copies at most maxLength characters of the short name and a terminating NUL.
    void getShortName(char* text, int32_t maxLength) const noexcept;
    // Reads the text as a decimal number and sets that real value; other text changes nothing.
    void setFromText(const char* text, bool notify) noexcept;
    // The display text of step s, at most maxLength characters plus NUL.
    virtual void formatValue(char* text, int32_t maxLength, int32_t s) noexcept = 0;
    // Cuts a "%f" number text to the parameter's decimals (and sign), at most maxLength chars.
    void trimNumber(const char* number, char* text, int32_t maxLength) noexcept;
    // Copies the unit text, at most maxLength characters plus NUL.
    void getUnit(char* text, int32_t maxLength) const noexcept;

    // Two spare integer attributes of the framework; unused by the instrument.
    int32_t attribute() const noexcept { return firstAttribute; }
    int32_t secondAttribute() const noexcept { return extraAttribute; }
    void setSecondAttribute(int32_t v) noexcept { extraAttribute = v; }

protected:
    // Per kind: the step of the finite real value r plus 0.5, before truncation; none when r
    // lies outside the range or the range is empty. Called with at least one step.
    virtual std::optional<float> stepPosition(float r) const noexcept = 0;
    // "%f" text of v (six decimals, always '.' as the point).
    static void printFixed(double v, char* text, size_t size) noexcept;
    // Empty text when there is room for the NUL.
    static void clearText(char* text, int32_t maxLength) noexcept;

    int32_t steps;

private:
    // The first-display survey of every step's printed real value: decimals and sign.
    void surveyDecimals() noexcept;

    std::string longName;
    std::string shortName;
    std::string unit;
    std::atomic<int32_t> current{-1};
    ParameterOwner* owner;
    bool showSign;
    int32_t decimals = 0;
    bool decimalsKnown = false;
    std::once_flag surveyOnce;
    int32_t firstAttribute = 0;
    int32_t extraAttribute = 0;
};
