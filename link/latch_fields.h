#pragma once
// The fields of the synthesizer's four latch words, as the chip reads them: used to show what
// a board holds, decoded from the bits alone.
#include <cstdint>
#include <string>
#include <vector>

namespace boardlink {

struct LatchField {
    const char* name;
    int high, low;  // bit positions, high >= low
    uint32_t value;
};

// latch: 0 control, 1 R counter, 2 N counter, 3 test.
const char* latch_name(int latch);
std::vector<LatchField> latch_fields(int latch, uint32_t word);

}  // namespace boardlink
