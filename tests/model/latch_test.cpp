#include <gtest/gtest.h>

#include <cmath>

#include "model/latch.h"
#include "model/test_modes.h"
#include "model/variants.h"
#include "tests/support/recording_port.h"

using test_modes::List;
using testing_support::RecordingPort;
using variants::start_state;

namespace {

void send(EvalState& s, boardlink::Port& port, uint8_t latch) {
    s.latch_select = latch;
    write_latch(s, port);
}

}  // namespace

TEST(LatchAssembly, FieldsLandOnTheirBits) {
    struct Case { void (*set)(EvalState&); uint8_t latch; int64_t word; };
    const Case cases[] = {
        {[](EvalState& e) { e.core_power = 3, e.output_power = 2; }, kControlLatch, 0x00200C},
        {[](EvalState& e) { e.core_power = 3, e.test_mode_code = 15, e.ext_band_en_bits = 32768, e.readback_code = 3; },
         kTestLatch, 0x00F98F},
        {[](EvalState& e) { e.ext_band_code = 7; }, kTestLatch, 0x000073},
        {[](EvalState& e) { e.r_counter = 16383, e.r_aux_bits = 0xC00000; }, kRLatch, 0xC0FFFD},
        {[](EvalState& e) { e.b_counter = 8191, e.a_counter = 31, e.div_sel_bits = 8388608, e.out_div2_bits = 4194304; },
         kNLatch, 0xDFFF7E},
        {[](EvalState& e) { e.a_counter = 32; }, kNLatch, 0x000082},  // not masked: spills into bit 7
    };
    for (const auto& c : cases) {
        EvalState e;  // all zero
        c.set(e);
        EXPECT_EQ(assemble_latch(e, c.latch), c.word) << std::hex << c.word;
    }
}

// The flush belongs to the action the write is part of, so a batching link sends an action whole.
TEST(WriteLatch, ALatchWriteIs76PortWritesAndLeavesTheFlushToItsActionAndASelectorAboveThreeTouchesNothing) {
    EvalState s = start_state("ksy7100-3");
    RecordingPort port;
    send(s, port, kRLatch);
    const auto w = port.writes();
    EXPECT_EQ(std::tuple(w.size(), port.flushes), std::tuple(76u, 0));
    EXPECT_EQ(std::vector<uint8_t>(w.end() - 3, w.end()), (std::vector<uint8_t>{24, 28, 24}));
    port.clear();
    for (uint8_t select : {4, 255}) {
        EvalState before = s;
        send(s, port, select);
        before.latch_select = select;
        EXPECT_EQ(s, before);
    }
    EXPECT_TRUE(port.accesses.empty());
}

TEST(WriteLatch, NameOutsideTheNineResendsNothingButTheLatchEnablePulse) {
    for (std::string device : {"ksy7102", "KSY7100-1"}) {
        EvalState s = start_state("ksy7100-1");
        RecordingPort port;
        send(s, port, kNLatch);  // tx_word now holds the N word
        s.device = device, s.b_counter = 1;  // would change the word, were it assembled
        const EvalState before = s;
        port.clear();
        send(s, port, kRLatch);
        EXPECT_EQ(port.writes(), (std::vector<uint8_t>{24, 24, 28, 24})) << device;
        EXPECT_EQ(std::tuple(s.r_word, s.r_word_assembled, s.tx_word), std::tuple(0x017702, before.r_word_assembled, before.tx_word))
            << "the previous word stands";
    }
}

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
