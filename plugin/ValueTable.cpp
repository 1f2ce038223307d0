#include "ValueTable.h"

ValueTable::ValueTable(const char*, const char*, std::initializer_list<double> list)
    : size(static_cast<int32_t>(list.size())), values(new float[list.size()]) {
    int32_t i = 0;
    for (const double v : list) {
        values[static_cast<size_t>(i++)] = static_cast<float>(v);
    }
}

float ValueTable::valueAt(int32_t index) const noexcept {
    return index >= 0 && index < size ? values[static_cast<size_t>(index)] : 0.0f;
}
