#include <gtest/gtest.h>

#include "link/sim_board.h"
#include "model/latch.h"
#include "model/variants.h"
#include "tests/support/recording_port.h"

using testing_support::FaultInjectingPort;
using testing_support::RecordingPort;

namespace {

EvalState variant_state(std::string_view device) { return variants::start_state(device); }

void send(EvalState& s, boardlink::Port& port, uint8_t latch) {
    s.latch_select = latch;
    write_latch(s, port);
}

}  // namespace

TEST(LatchAssembly, WorkedWordsOfTheDefaults) {
    EvalState one = variant_state("ksy7100-1");
    EXPECT_EQ(assemble_latch(one, kControlLatch), 0x8FF108);
    EXPECT_EQ(assemble_latch(one, kRLatch), 0x0000C9);
    EXPECT_EQ(assemble_latch(one, kNLatch), 0x017702);
    EXPECT_EQ(assemble_latch(one, kTestLatch), 0x00000B);  // core power 2, control bits 11
    EXPECT_EQ(assemble_latch(variant_state("ksy7100-7"), kControlLatch), 0x0FF100);
}

TEST(LatchAssembly, EveryVariantsDefaultWordsFitIn24BitsAndCarryTheirControlBits) {
    for (auto device : variants::kNames) {
        EvalState s = variant_state(device);
        for (uint8_t latch = 0; latch < 4; ++latch) {
            int64_t w = assemble_latch(s, latch);
            EXPECT_GE(w, 0);
            EXPECT_LT(w, 1 << 24) << device;
            EXPECT_EQ(w & 3, latch) << device;
        }
    }
}

TEST(LatchAssembly, FieldsLandOnTheirBits) {
    EvalState s;  // all zero
    struct Case { void (*set)(EvalState&); uint8_t latch; int64_t word; };
    const Case cases[] = {
        {[](EvalState& e) { e.core_power = 3; }, kControlLatch, 0x00000C},
        {[](EvalState& e) { e.core_power = 3; }, kTestLatch, 0x00000F},
        {[](EvalState& e) { e.output_power = 2; }, kControlLatch, 0x002000},
        {[](EvalState& e) { e.r_counter = 16383; }, kRLatch, 0x00FFFD},
        {[](EvalState& e) { e.b_counter = 8191; }, kNLatch, 0x1FFF02},
        {[](EvalState& e) { e.a_counter = 31; }, kNLatch, 0x00007E},
        {[](EvalState& e) { e.a_counter = 32; }, kNLatch, 0x000082},  // not masked: spills into bit 7
        {[](EvalState& e) { e.div_sel_bits = 8388608; e.out_div2_bits = 4194304; }, kNLatch, 0xC00002},
        {[](EvalState& e) { e.test_mode_code = 15; e.ext_band_en_bits = 32768; }, kTestLatch, 0x00F803},
        {[](EvalState& e) { e.readback_code = 3; e.ext_band_code = 7; }, kTestLatch, 0x0001F3},
        {[](EvalState& e) { e.r_aux_bits = 0xC00000; }, kRLatch, 0xC00001},
    };
    for (const auto& c : cases) {
        EvalState e = s;
        c.set(e);
        EXPECT_EQ(assemble_latch(e, c.latch), c.word) << std::hex << c.word;
    }
}

TEST(WriteLatch, TheBoardReceivesTheAssembledWordAndTheCopiesAreKept) {
    EvalState s = variant_state("ksy7100-1");
    boardlink::SimBoard board;
    for (uint8_t latch : {kTestLatch, kNLatch, kRLatch, kControlLatch}) send(s, board, latch);
    EXPECT_EQ(board.latches()[0], 0x8FF108u);
    EXPECT_EQ(board.latches()[1], 0x0000C9u);
    EXPECT_EQ(board.latches()[2], 0x017702u);
    EXPECT_EQ(s.control_word, 0x8FF108);
    EXPECT_EQ(s.r_word_assembled, 0xC9);
    EXPECT_EQ(s.r_word, 0xC9);
    EXPECT_EQ(s.n_word_assembled, 0x017702);
    EXPECT_EQ(s.n_word, 0x017702);
    EXPECT_EQ(s.test_word, 0x0B);
    EXPECT_EQ(s.tx_word, 0x8FF108);
    EXPECT_EQ(board.output_frequency_hz(), 2400e6);
}

// The flush belongs to the action the write is part of, so a batching link sends an action whole.
TEST(WriteLatch, ALatchWriteIs76PortWritesAndLeavesTheFlushToItsAction) {
    EvalState s = variant_state("ksy7100-3");
    RecordingPort port;
    send(s, port, kRLatch);
    EXPECT_EQ(port.writes().size(), 76u);
    EXPECT_EQ(port.flushes, 0);
    auto w = port.writes();
    EXPECT_EQ(std::vector<uint8_t>(w.end() - 3, w.end()), (std::vector<uint8_t>{24, 28, 24}));
}

TEST(WriteLatch, SelectorAboveThreeTouchesNothing) {
    EvalState s = variant_state("ksy7100-1");
    RecordingPort port;
    EvalState before = s;
    for (uint8_t select : {4, 5, 255}) {
        s.latch_select = select;
        before.latch_select = select;
        write_latch(s, port);
        EXPECT_EQ(s, before);
    }
    EXPECT_TRUE(port.accesses.empty());
}

TEST(WriteLatch, NameOutsideTheNineResendsNothingButTheLatchEnablePulse) {
    for (std::string device : {"", "ksy7102", "KSY7100-1", "ksy7100-9"}) {
        EvalState s = variant_state("ksy7100-1");
        RecordingPort first;
        send(s, first, kNLatch);  // tx_word now holds the N word
        s.device = device;
        s.b_counter = 1;  // would change the word, were it assembled
        EvalState before = s;
        RecordingPort port;
        send(s, port, kRLatch);
        EXPECT_EQ(port.writes(), (std::vector<uint8_t>{24, 24, 28, 24})) << device;
        EXPECT_EQ(s.r_word, 0x017702) << "the previous word stands";
        EXPECT_EQ(s.r_word_assembled, before.r_word_assembled);
        EXPECT_EQ(s.tx_word, before.tx_word);
    }
}

TEST(WriteLatch, CorePowerReachesBothControlAndTestLatch) {
    EvalState s = variant_state("ksy7100-2");
    boardlink::SimBoard board;
    s.core_power = 1;
    send(s, board, kControlLatch);
    send(s, board, kTestLatch);
    EXPECT_EQ((*board.latches()[0] >> 2) & 3, 1u);
    EXPECT_EQ((*board.latches()[3] >> 2) & 3, 1u);
}

TEST(WriteLatch, ALinkThatDiesMidTransferDropsTheRestAndSaysWhy) {
    EvalState s = variant_state("ksy7100-1");
    boardlink::SimBoard board;
    FaultInjectingPort dying(board, 40, "USB adapter unplugged");
    send(s, dying, kControlLatch);
    send(s, dying, kNLatch);  // must not crash or reach the board
    EXPECT_EQ(dying.failure(), "USB adapter unplugged");
    EXPECT_EQ(board.words_loaded(), 0u);
}
