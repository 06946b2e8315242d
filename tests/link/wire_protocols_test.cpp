// The two protocols on the data register's lines, byte by byte: the latch words and the supply
// converter's readback; and the simulated board at their far end.
#include <gtest/gtest.h>

#include "actions/supplies.h"
#include "link/latch_fields.h"
#include "link/latch_protocol.h"
#include "link/readback.h"
#include "link/sim_board.h"
#include "model/supply.h"
#include "tests/support/recording_port.h"

using boardlink::SetupResult;
using testing_support::bits_of;
using testing_support::RecordingPort;
using testing_support::serve_bits;
using V = std::vector<uint8_t>;
constexpr uint16_t kPort = boardlink::kDataRegister;

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

// A byte written is clocked MSB first with the clock high at idle; a conversion is its command,
// then 16 reads with DATA high. The converter's commands: the set-up's, each operation ended by a
// poll, and each supply input's selection, as those byte writes and reads put them on the wire.
TEST(ReadbackWire, BytesClockMsbFirstAndTheConvertersCommandsGoAsBytes) {
    RecordingPort write;
    boardlink::readback_write(write, kPort, kPort, 0xA5);  // 1010 0101
    EXPECT_EQ(write.writes(), (V{10, 2, 10, 0, 8, 2, 10, 0, 8, 0, 8, 2, 10, 0, 8, 2, 10, 26, 24}));

    RecordingPort conversion;
    conversion.status = serve_bits(bits_of(0x8001, 16), 0);
    EXPECT_EQ(boardlink::adc_read(conversion, kPort, kPort, 56, 16), 32769.0);
    V clocked{8, 0, 8, 0, 8, 2, 10, 2, 10, 2, 10, 0, 8, 0, 8, 0, 8, 10, 24};  // 56 = 0011 1000
    for (int i = 0; i < 16; ++i) clocked.insert(clocked.end(), {2, 10});
    clocked.push_back(24);
    EXPECT_EQ(conversion.writes(), clocked);
    EXPECT_EQ(conversion.read_count(), 16u);

    using boardlink::SupplyInput;
    auto wire = [](std::initializer_list<int> script) {  // a byte written, or -1: a byte read
        RecordingPort port;
        port.status = [](size_t) -> uint8_t { return 0; };  // a converter ready at once
        for (int v : script) {
            if (v < 0) boardlink::readback_read(port, kPort, kPort, 8);
            else boardlink::readback_write(port, kPort, kPort, uint8_t(v));
        }
        return port;
    };
    RecordingPort setup = wire({});
    ASSERT_EQ(boardlink::readback_setup(setup, kPort, kPort), SetupResult::Ready);
    EXPECT_EQ(setup.accesses, wire({0, 8, -1, 16, 68, 8, -1, 17, 68, 9, -1, 19, 68, 11, -1}).accesses);
    for (const auto& [input, code] : {std::pair{SupplyInput::Vp, 16}, {SupplyInput::Vdd, 17}, {SupplyInput::IddSense, 19}}) {
        RecordingPort port;
        boardlink::select_supply_input(port, kPort, kPort, input);
        RecordingPort expected = wire({code, 5, code, 4});
        if (input == SupplyInput::IddSense) expected.out(kPort, boardlink::kIdle);
        EXPECT_EQ(port.accesses, expected.accesses) << code;
    }
    // A reading's four steps: each input selected, then read in the step after; nothing is read
    // before the first selection.
    EvalState s;
    s.data_port = s.readback_port = int16_t(kPort);
    RecordingPort steps, expected;
    steps.status = expected.status = [](size_t) -> uint8_t { return 0; };
    actions::SupplyReading reading;
    for (int k = 0; k < actions::SupplyReading::kSteps; ++k) reading.step(s, steps, k);
    for (SupplyInput input : {SupplyInput::Vp, SupplyInput::Vdd, SupplyInput::IddSense}) {
        boardlink::select_supply_input(expected, kPort, kPort, input);
        boardlink::read_supply_code(expected, kPort, kPort, input);
    }
    EXPECT_EQ(steps.accesses, expected.accesses);
}

// A converter ready at once or after some polls, one that never answers (STATUS stuck high: the
// first read byte says so) and one busy past the poll bound.
TEST(ReadbackSetup, ReadyAbsentOrTimedOut) {
    const std::pair<boardlink::SimBoard::Converter, SetupResult> simulated[] = {
        {{true, 0}, SetupResult::Ready}, {{true, 3}, SetupResult::Ready}, {{false}, SetupResult::Absent}, {{true, -1}, SetupResult::TimedOut}};
    for (const auto& [converter, expected] : simulated) {
        boardlink::SimBoard board(converter);
        EXPECT_EQ(boardlink::readback_setup(board, kPort, kPort, 20), expected);
    }

    RecordingPort stuck;  // every status read gives 0xFF
    EXPECT_EQ(boardlink::readback_setup(stuck, kPort, kPort), SetupResult::Absent);
    EXPECT_EQ(stuck.read_count(), 8u);
    EXPECT_EQ(stuck.accesses.size(), 19u + 19u + 26u);  // write 0, write 8, read one byte

    RecordingPort busy;
    // First byte 0 (a converter answers), then every byte has the busy flag set.
    busy.status = [](size_t n) -> uint8_t { return n >= 8 && n % 8 == 0 ? 0x10 : 0x00; };
    EXPECT_EQ(boardlink::readback_setup(busy, kPort, kPort, 5), SetupResult::TimedOut);
    EXPECT_EQ(busy.read_count(), 8u * (1 + 6));  // the first byte, then six polls of one operation
}

TEST(SupplyTexts, ThresholdsAndFormats) {
    struct Case { uint16_t c1, c2, c3; const char *vp, *vdd, *idd; bool warn; };
    const Case cases[] = {
        {99, 99, 99, "0", "0", "0", false},
        {100, 100, 499, ".008", ".008", "0", false},      // 399 above Vdd: no current shown
        {100, 100, 500, ".008", ".008", "1.53", false},   // 400: 1.53 mA
        {1000, 1000, 1400, ".076", ".076", "1.53", false},  // 400 above Vp: no warning
        {1000, 1000, 1401, ".076", ".076", "1.53", true},   // 401: warning
        {58982, 43254, 51118, "4.5", "3.3", "30.00", false},
    };
    for (const auto& c : cases) {
        const SupplyTexts t = supply_texts(c.c1, c.c2, c.c3);
        EXPECT_EQ(std::tuple(t.vp, t.vdd, t.idd, t.vp_below_vdd),
                  std::tuple(std::string(c.vp), std::string(c.vdd), std::string(c.idd), c.warn))
            << c.c1 << " " << c.c2 << " " << c.c3;
    }
}
