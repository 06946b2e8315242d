#include <gtest/gtest.h>

#include <random>

#include "link/latch_protocol.h"
#include "link/sim_board.h"
#include "tests/support/recording_port.h"

using testing_support::RecordingPort;

namespace {

std::vector<uint8_t> shifted(uint32_t word, int bits = 24) {
    RecordingPort port;
    boardlink::shift_word(port, boardlink::kDataRegister, word, bits);
    for (const auto& a : port.accesses) EXPECT_EQ(a.address, boardlink::kDataRegister);
    return port.writes();
}

}  // namespace

TEST(ShiftWord, ZeroWordClocksOnlyIdleAndClockValues) {
    auto w = shifted(0);
    ASSERT_EQ(w.size(), 73u);
    EXPECT_EQ(w[0], 24);
    for (size_t i = 1; i < w.size(); i += 3) {
        EXPECT_EQ(w[i], 24);
        EXPECT_EQ(w[i + 1], 25);
        EXPECT_EQ(w[i + 2], 24);
    }
}

TEST(ShiftWord, AllOnesClocksDataHigh) {
    auto w = shifted(0xFFFFFF);
    ASSERT_EQ(w.size(), 73u);
    EXPECT_EQ(w[0], 24);
    for (size_t i = 1; i < w.size(); i += 3) {
        EXPECT_EQ(w[i], 26);
        EXPECT_EQ(w[i + 1], 27);
        EXPECT_EQ(w[i + 2], 26);
    }
}

TEST(ShiftWord, MostSignificantBitFirstAndNLatchEndsWithOneThenZero) {
    auto w = shifted(0x800002);  // bit 23 and the N latch's control bits 1, 0
    ASSERT_EQ(w.size(), 73u);
    EXPECT_EQ(std::vector<uint8_t>(w.begin() + 1, w.begin() + 4), (std::vector<uint8_t>{26, 27, 26}));
    EXPECT_EQ(std::vector<uint8_t>(w.end() - 6, w.end()), (std::vector<uint8_t>{26, 27, 26, 24, 25, 24}));
}

TEST(ShiftWord, ZeroLengthMakesOnlyTheIdleWrite) {
    EXPECT_EQ(shifted(0xABCDEF, 0), std::vector<uint8_t>{24});
}

TEST(PulseLe, IdleHighIdle) {
    RecordingPort port;
    boardlink::pulse_le(port, boardlink::kDataRegister);
    EXPECT_EQ(port.writes(), (std::vector<uint8_t>{24, 28, 24}));
}

TEST(SimBoard, LatchesEveryGeneratedWordIntoTheLatchItsControlBitsName) {
    boardlink::SimBoard board;
    std::mt19937 rng(7100);
    std::uniform_int_distribution<uint32_t> word(0, 0xFFFFFF);
    for (int i = 0; i < 2000; ++i) {
        uint32_t w = word(rng);
        boardlink::shift_word(board, boardlink::kDataRegister, w, 24);
        boardlink::pulse_le(board, boardlink::kDataRegister);
        ASSERT_EQ(board.latches()[w & 3], w) << "word " << i;
        ASSERT_EQ(board.history().back(), w);
    }
    EXPECT_EQ(board.words_loaded(), 2000u);
}

TEST(SimBoard, IgnoresOtherAddressesAndKeepsWordWithoutLatchEnable) {
    boardlink::SimBoard board;
    boardlink::shift_word(board, boardlink::kDataRegister, 0x123455, 24);
    EXPECT_FALSE(board.latches()[1].has_value());
    boardlink::shift_word(board, 0x278, 0xFFFFFF, 24);  // another port's address: no effect
    boardlink::pulse_le(board, boardlink::kDataRegister);
    EXPECT_EQ(board.latches()[1], 0x123455u);
}

TEST(SimBoard, OutputFrequencyFromHeldLatches) {
    struct Case {
        uint32_t control, r, n;
        bool single;
        std::optional<double> hz;
    };
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
        for (uint32_t w : {c.control, c.r, c.n}) {
            boardlink::shift_word(board, boardlink::kDataRegister, w, 24);
            boardlink::pulse_le(board, boardlink::kDataRegister);
        }
        EXPECT_EQ(board.output_frequency_hz(), c.hz) << std::hex << c.n;
    }
}
