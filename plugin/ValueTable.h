#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>

// A row of values, e.g. the default value of every parameter slot, stored as 32-bit floats.
// The names given at construction are not kept.
class ValueTable {
public:
    ValueTable(const char* name, const char* shortName, std::initializer_list<double> values);
    virtual ~ValueTable() = default;

    void setName(const char*) {}
    const char* name() const { return ""; }
    const char* label() const { return ""; }
    int32_t count() const noexcept { return size; }
    // The value at index; 0 outside 0..count-1.
    float valueAt(int32_t index) const noexcept;

private:
    int32_t size;
    std::unique_ptr<float[]> values;
};
