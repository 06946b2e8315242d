#include <gtest/gtest.h>

#include <random>

#include "link/latch_fields.h"
#include "link/latch_protocol.h"
#include "link/sim_board.h"
#include "tests/support/recording_port.h"

using testing_support::load_word;

// The idle write (RBCLK and D4 high), then per bit, most significant first, DATA set up with CLK
// low, CLK high and low again with DATA held. The pulse after it is checked with write_latch.
TEST(ShiftWord, ClocksEveryBitMsbFirstWithDataHeldAcrossTheRisingEdge) {
    // 0x800002: bit 23 first, and the N latch's control bits end the word with 1 then 0.
    for (uint32_t word : {0u, 0xFFFFFFu, 0x800002u}) {
        std::vector<uint8_t> expected{24};
        for (int bit = 23; bit >= 0; --bit) {
            const uint8_t data = (word >> bit) & 1 ? 26 : 24;
            expected.insert(expected.end(), {data, uint8_t(data + 1), data});
        }
        testing_support::RecordingPort port;
        boardlink::shift_word(port, boardlink::kDataRegister, word, 24);
        EXPECT_EQ(port.writes(), expected) << std::hex << word;
        for (const auto& a : port.accesses) EXPECT_EQ(a.address, boardlink::kDataRegister);
    }
    testing_support::RecordingPort port;
    boardlink::shift_word(port, boardlink::kDataRegister, 0xABCDEF, 0);
    EXPECT_EQ(port.writes(), std::vector<uint8_t>{24}) << "a zero-length word is the idle write alone";
}

TEST(SimBoard, LatchesEveryGeneratedWordIntoTheLatchItsControlBitsName) {
    boardlink::SimBoard board;
    std::mt19937 rng(7100);
    std::uniform_int_distribution<uint32_t> word(0, 0xFFFFFF);
    for (int i = 0; i < 2000; ++i) {
        const uint32_t w = word(rng);
        load_word(board, w);
        ASSERT_EQ(board.latches()[w & 3], w) << "word " << i;
        ASSERT_EQ(board.history().back(), w);
    }
    EXPECT_EQ(board.words_loaded(), 2000u);
}

TEST(SimBoard, IgnoresOtherAddressesAndKeepsWordWithoutLatchEnable) {
    boardlink::SimBoard board;
    boardlink::shift_word(board, boardlink::kDataRegister, 0x123455, 24);
    EXPECT_FALSE(board.latches()[1].has_value());
    load_word(board, 0xFFFFFF, 0x278);  // shifted on another port's address: no effect
    EXPECT_EQ(board.latches()[1], 0x123455u);
}

TEST(SimBoard, OutputFrequencyFromHeldLatches) {
    struct Case { uint32_t control, r, n; bool single; std::optional<double> hz; };
    const Case cases[] = {
        {0x8FF108, 0x0000C9, 0x017702, false, 2400e6},            // 32/33, R 50, B 375
        {0x8FF108, 0x0000C9, 0x017702 | 0x400000, false, 1200e6},  // output divide-by-2
        {0x4FF108, 0x0000C9, 0x02EE02, false, 2400e6},            // 16/17, B 750
        {0x0FF100, 0x0000C9, 0x008C52, false, 228e6},             // 8/9, B 140, A 20
        {0x0FF100, 0x000029, 0x007802, true, 120e6},              // single modulus, R 10, B 120
        {0x8FF108, 0x000001, 0x017702, false, std::nullopt},      // R of 0
    };
    for (const auto& c : cases) {
        boardlink::SimBoard board;
        board.set_single_modulus(c.single);
        for (uint32_t w : {c.control, c.r, c.n}) load_word(board, w);
        EXPECT_EQ(board.output_frequency_hz(), c.hz) << std::hex << c.n;
    }
}

// The fields the simulated board's window shows for a latch cover the word's 24 bits from bit 23
// down, each bit once, and their values added back in place make the word.
TEST(LatchFields, TileTheWordFromItsTopBitDown) {
    for (int latch = 0; latch < 4; ++latch) {
        const uint32_t word = 0xA5C3F0u | uint32_t(latch);
        int next = 23;
        uint32_t rebuilt = 0;
        for (const auto& f : boardlink::latch_fields(latch, word)) {
            EXPECT_EQ(f.high, next) << boardlink::latch_name(latch) << ": " << f.name;
            next = f.low - 1;
            rebuilt += f.value << f.low;
        }
        EXPECT_EQ(std::pair(next, rebuilt), std::pair(-1, word)) << boardlink::latch_name(latch);
    }
}
