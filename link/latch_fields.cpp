#include "link/latch_fields.h"

namespace boardlink {
namespace {

struct Layout {
    const char* name;
    int high, low;
};

const std::vector<Layout>& layout_of(int latch) {
    static const std::vector<Layout> kLayouts[4] = {
        {{"prescaler", 23, 22}, {"power-down", 21, 20}, {"current 2", 19, 17}, {"current 1", 16, 14},
         {"output power", 13, 12}, {"mute till LD", 11, 11}, {"CP gain", 10, 10}, {"CP 3-state", 9, 9},
         {"PD polarity", 8, 8}, {"muxout", 7, 5}, {"counter reset", 4, 4}, {"core power", 3, 2},
         {"control bits", 1, 0}},
        {{"reserved", 23, 22}, {"band-select divider", 21, 20}, {"test enable", 19, 19}, {"LD precision", 18, 18},
         {"anti-backlash", 17, 16}, {"R", 15, 2}, {"control bits", 1, 0}},
        {{"divide select", 23, 23}, {"output divide-by-2", 22, 22}, {"CP gain", 21, 21}, {"B", 20, 8},
         {"reserved", 7, 7}, {"A", 6, 2}, {"control bits", 1, 0}},
        {{"reserved", 23, 16}, {"ext band enable", 15, 15}, {"test mode", 14, 11}, {"band control", 10, 10},
         {"ADC control", 9, 9}, {"readback", 8, 7}, {"ext band", 6, 4}, {"core power", 3, 2},
         {"control bits", 1, 0}},
    };
    return kLayouts[latch & 3];
}

}  // namespace

const char* latch_name(int latch) {
    static const char* const kNames[] = {"control latch", "R counter latch", "N counter latch", "test latch"};
    return kNames[latch & 3];
}

std::vector<LatchField> latch_fields(int latch, uint32_t word) {
    std::vector<LatchField> fields;
    for (const Layout& l : layout_of(latch)) {
        uint32_t mask = (uint32_t{1} << (l.high - l.low + 1)) - 1;
        fields.push_back({l.name, l.high, l.low, (word >> l.low) & mask});
    }
    return fields;
}

}  // namespace boardlink
