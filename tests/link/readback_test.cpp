#include <gtest/gtest.h>

#include "link/latch_protocol.h"
#include "link/readback.h"
#include "link/sim_board.h"
#include "model/supply.h"
#include "tests/support/recording_port.h"

using testing_support::bits_of;
using testing_support::RecordingPort;
using testing_support::serve_bits;
using V = std::vector<uint8_t>;
using boardlink::SetupResult;

namespace {
constexpr uint16_t kPort = boardlink::kDataRegister;
}  // namespace

// How a read samples STATUS between the clock's edges is checked, byte for byte, through the USB
// adapter, whose transfers show where each read falls.
TEST(ReadbackWire, WriteClocksTheByteMsbFirstWithClockHighIdle) {
    RecordingPort port;
    boardlink::readback_write(port, kPort, kPort, 0xA5);  // 1010 0101
    EXPECT_EQ(port.writes(), (V{10, 2, 10, 0, 8, 2, 10, 0, 8, 0, 8, 2, 10, 0, 8, 2, 10, 26, 24}));
}

TEST(ReadbackWire, AdcReadSendsTheCommandThenReadsWithDataHigh) {
    RecordingPort port;
    port.status = serve_bits(bits_of(0x8001, 16), 0);
    EXPECT_EQ(boardlink::adc_read(port, kPort, kPort, 56, 16), 32769.0);
    V expected{8, 0, 8, 0, 8, 2, 10, 2, 10, 2, 10, 0, 8, 0, 8, 0, 8, 10, 24};  // 56 = 0011 1000
    for (int i = 0; i < 16; ++i) expected.insert(expected.end(), {2, 10});
    expected.push_back(24);
    EXPECT_EQ(port.writes(), expected);
    EXPECT_EQ(port.read_count(), 16u);
}

// The converter's commands: the set-up's, each operation ended by a poll, and each supply input's
// selection, as the byte writes and reads above put them on the wire.
TEST(ReadbackWire, SetupAndSupplySelectionSendTheConvertersCommands) {
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
}

TEST(ReadbackSetup, StatusStuckHighStopsAfterTheFirstReadAndABusyConverterAtThePollBound) {
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

TEST(ReadbackSetup, SimulatedConverterGetsReadyAndAMissingOneIsAbsent) {
    struct Case { boardlink::SimBoard::Converter converter; SetupResult expected; };
    const Case cases[] = {
        {{true, 0}, SetupResult::Ready}, {{true, 3}, SetupResult::Ready},
        {{false}, SetupResult::Absent}, {{true, -1}, SetupResult::TimedOut},
    };
    for (const auto& c : cases) {
        boardlink::SimBoard board(c.converter);
        EXPECT_EQ(boardlink::readback_setup(board, kPort, kPort, 20), c.expected);
    }
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
