#include <gtest/gtest.h>

#include <cmath>

#include "model/latch.h"
#include "model/test_modes.h"
#include "model/variants.h"

using test_modes::List;

TEST(TestModeLists, EveryChoiceLandsInItsOwnBitsAndShowsAgainAndNoOtherIsStored) {
    const std::tuple<List, int, int> fields[] = {{List::TestMode, 14, 11}, {List::Readback, 8, 7}, {List::ExtBand, 6, 4}};
    for (const auto& [list, high, low] : fields) {
        const int size = int(test_modes::entries(list).size());
        EXPECT_EQ(size, 1 << (high - low + 1)) << "one entry per code";
        const int64_t mask = int64_t(size - 1) << low;
        for (int index = -1; index <= size; ++index) {
            EvalState s = variants::start_state("ksy7100-5");
            s.ext_band_en_bits = 32768, s.adc_ctrl_bits = 512;  // neighbours that must not move
            test_modes::store_choice(s, list, 1);
            const int64_t before = assemble_latch(s, kTestLatch);
            const bool inside = index >= 0 && index < size;
            EXPECT_EQ(test_modes::store_choice(s, list, index), inside) << index;
            const int64_t after = assemble_latch(s, kTestLatch);
            EXPECT_EQ((after & mask) >> low, inside ? index : 1) << high << " " << index;
            EXPECT_EQ(after & ~mask, before & ~mask) << "bits outside the field moved";
            EXPECT_EQ(test_modes::choice_shown(s, list), inside ? index : 1);
        }
    }
    EvalState s;
    for (double code : {-1.0, 2.5, 16.0, std::nan("")}) {
        s.test_mode_code = code;
        EXPECT_EQ(test_modes::choice_shown(s, List::TestMode), std::nullopt) << code;
    }
}
