// The adapters' backends through a recording device: what each action puts in a USB adapter's
// transfers and where its reads sample (the supplies read back: the device tests); the lines a
// GPIO chip takes and the sets each write makes. Readback and failures: the adapter trace tests.
#include <gtest/gtest.h>

#include "actions/options.h"
#include "link/latch_protocol.h"
#include "link/readback.h"
#include "model/variants.h"
#include "tests/link/adapter_rig.h"
#include "tests/support/recording_port.h"

using boardlink::AdapterKind;
using boardlink::FtdiPort;
using boardlink::kDataRegister;
using boardlink::kStatusRegister;
using boardlink::PinMap;
using testing_support::kGpioFull;
using testing_support::WiredAdapter;

namespace {

// The adapter bytes for data-register values: each of bits 0..4 on its line's pin.
std::vector<uint8_t> on_pins(const std::vector<uint8_t>& values, const PinMap& map) {
    std::vector<uint8_t> bytes;
    for (uint8_t value : values) {
        uint8_t byte = 0;
        for (int line = 0; line < boardlink::kDataLines; ++line)
            if ((value >> line) & 1) byte |= uint8_t(1u << map.pin[size_t(line)]);
        bytes.push_back(byte);
    }
    return bytes;
}

}  // namespace

// Opened, the adapter drives the five data lines, resting at their idle levels (RBCLK and D4 high),
// nothing clocked; then one action is one transfer, and writes never flushed go once the queue is full.
TEST(UsbAdapter, OpensAtTheIdleLevelsAndSendsOneActionAsOneTransferThroughThePinMap) {
    // Every line moved, STATUS below the outputs: the bytes are the pin map's.
    for (const auto& [map_text, outputs] :
         {std::pair{"CLK=D0", 0x1F}, {"CLK=D7,DATA=D6,LE=D5,RBCLK=D4,D4=D3,STATUS=D0", 0xF8}, {"RBCLK=D7,STATUS=D3", 0x97}}) {
        SCOPED_TRACE(map_text);
        WiredAdapter adapter(AdapterKind::UsbBitbang, map_text);
        auto port = adapter.open();
        ASSERT_TRUE(port) << adapter.error;
        EXPECT_EQ(adapter.ftdi->outputs, outputs);
        EXPECT_EQ(adapter.ftdi->transfers, std::vector<std::vector<uint8_t>>{on_pins({24}, adapter.wired.pins)});
        EvalState on_adapter = variants::start_state("ksy7100-1"), on_recorder = on_adapter;
        testing_support::RecordingPort recorder;
        actions::resend_all(on_adapter, *port);
        actions::resend_all(on_recorder, recorder);
        const auto& transfers = adapter.ftdi->transfers;
        ASSERT_EQ(transfers.size(), 2u) << "the idle levels at opening, then the action as one transfer";
        EXPECT_EQ(transfers[1], on_pins(recorder.writes(), adapter.wired.pins));
        EXPECT_EQ(static_cast<FtdiPort&>(*port).transfers(), 2u);
        EXPECT_EQ(static_cast<FtdiPort&>(*port).bytes_sent(), 1 + 4 * 76u);

        const size_t writes = FtdiPort::kMaxQueued * 2 + 100;
        for (size_t i = 0; i < writes; ++i) port->out(kDataRegister, uint8_t(24 + (i & 1)));
        EXPECT_EQ(transfers.size(), 4u);
        port->flush();
        size_t sent = 0;
        for (size_t t = 2; t < transfers.size(); ++t) {
            EXPECT_LE(transfers[t].size(), FtdiPort::kMaxQueued);
            sent += transfers[t].size();
        }
        EXPECT_EQ(sent, writes) << "nothing lost, nothing twice";
    }
}

// The lock-detect line comes back on the LD pin when one is wired, read with one round trip: the
// queue and one byte that holds the pins while they are sampled, where they were for a read alone.
// A map without it has no such line.
TEST(UsbAdapter, ReadsLockDetectOnItsPinWhenWired) {
    for (const auto& [muxout, high] : {std::pair{0xE0u, false}, {0x60u, true}}) {  // DGnd, DVdd
        testing_support::WiredAdapter adapter(boardlink::AdapterKind::UsbBitbang, "LD=D6");
        auto port = adapter.open();
        ASSERT_TRUE(port) << adapter.error;
        testing_support::load_word(*port, muxout);
        const size_t transfers = adapter.ftdi->transfers.size();
        EXPECT_EQ(port->lock_detect(), high) << muxout;
        EXPECT_EQ(adapter.ftdi->transfers.size(), transfers + 1);
        EXPECT_EQ(port->lock_detect(), high) << muxout;
        EXPECT_EQ(adapter.ftdi->transfers.back(), on_pins({24}, adapter.wired.pins));
    }
    testing_support::WiredAdapter plain(boardlink::AdapterKind::UsbBitbang, "CLK=D0");
    EXPECT_EQ(plain.open()->lock_detect(), std::nullopt);
}

const char* const kLatchOnly = "CLK=5,DATA=6,LE=13";

TEST(GpioChip, ChipNamesArePathsNamesNumbersOrLabels) {
    struct Case { const char* given; const char* opened; bool label; };
    const Case cases[] = {
        {"gpiochip0", "/dev/gpiochip0", false},
        {"/dev/gpiochip2", "/dev/gpiochip2", false},
        {"pinctrl-bcm2711", "pinctrl-bcm2711", true},
        {"gpiochip0/../x", "gpiochip0/../x", true},  // never a path outside /dev by accident
    };
    for (const auto& c : cases) EXPECT_EQ(boardlink::gpio_chip_name(c.given), (boardlink::GpioChipName{c.opened, c.label})) << c.given;
}

// Opening takes the wired data lines as outputs at idle and STATUS as input; then each write
// that moves a wired line is one set, and the board latches the word.
TEST(GpioChip, OpensTheWiredLinesAtIdleAndSetsThemOncePerWriteThatMovesOne) {
    struct Case { const char* map; std::vector<unsigned> outputs; std::vector<int> levels; std::optional<unsigned> input, edges; };
    const Case cases[] = {
        {kGpioFull, {17, 27, 22, 23, 24}, {0, 0, 0, 1, 1}, 25u, std::nullopt},
        {kLatchOnly, {5, 6, 13}, {0, 0, 0}, std::nullopt, std::nullopt},
        {"CLK=5,DATA=6,LE=13,LD=19", {5, 6, 13}, {0, 0, 0}, std::nullopt, 19u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.map);
        WiredAdapter adapter(AdapterKind::Gpio, c.map);
        auto port = adapter.open("2");
        ASSERT_TRUE(port) << adapter.error;
        const auto& log = *adapter.gpio;
        EXPECT_EQ(std::tuple(log.opened, log.outputs, log.initial_levels, log.input, log.edges_line),
                  std::tuple(boardlink::GpioChipName{"/dev/gpiochip2", false}, c.outputs, c.levels, c.input, c.edges));
        std::vector<boardlink::LockEdge> edges;
        int64_t resolution = 0;
        EXPECT_EQ(std::pair(port->lock_detect().has_value(), port->lock_edges(edges, resolution)), std::pair(bool(c.edges), bool(c.edges)));
        // Without an input line STATUS floats high, as with no converter on the board.
        EXPECT_EQ(port->in(kStatusRegister) == 0xFF, !c.input);
        EXPECT_EQ(log.gets, c.input ? 1u : 0u);

        const uint8_t wired_bits = adapter.wired.data_of(~uint64_t{0});  // the data lines that have a pin
        for (uint32_t word : {0u, 0xFFFFFFu, 0x8FF108u, 0x5A3C96u}) {
            SCOPED_TRACE("word " + std::to_string(word));
            testing_support::RecordingPort recorder;
            testing_support::load_word(recorder, word);
            testing_support::load_word(*port, word);
            // One set per write that changes a wired line, counted from the idle levels.
            size_t changes = 0;
            uint8_t last = boardlink::kIdle & wired_bits;
            for (uint8_t v : recorder.writes()) {
                changes += (v & wired_bits) != last;
                last = v & wired_bits;
            }
            EXPECT_EQ(adapter.gpio->sets.size(), changes);
            adapter.gpio->sets.clear();
            EXPECT_EQ(adapter.wired.board.latches()[word & 3], word);
        }
        port.reset();
        EXPECT_TRUE(log.closed) << "the lines are released";
    }
}
