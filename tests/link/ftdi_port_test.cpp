// The USB bit-bang backend through a recording adapter: what each action puts in its transfers,
// and how status reads take their samples.
#include <gtest/gtest.h>

#include <functional>

#include "actions/hopping.h"
#include "actions/main_controls.h"
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
using testing_support::kUsbReversed;
using testing_support::WiredAdapter;

namespace {

const actions::HopRun::Entries kHop{"1750", "1752", "10", "5"};

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

// The serial number and rate given reach the adapter (the option tests), and it is let go with
// the link (the board-link tests).
TEST(UsbAdapter, OpeningStartsBitbangWithTheFiveDataLinesAsOutputsResting) {
    struct Case { const char* pins; uint8_t outputs; };
    const Case cases[] = {{"CLK=D0", 0x1F}, {kUsbReversed, 0xF8}, {"RBCLK=D7,STATUS=D3", 0x97}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pins);
        WiredAdapter adapter(AdapterKind::UsbBitbang, c.pins);
        ASSERT_TRUE(adapter.open()) << adapter.error;
        EXPECT_EQ(adapter.ftdi->outputs, c.outputs);
        EXPECT_EQ(adapter.ftdi->rate_hz, 500'000u);  // the default: a rate both chip classes make
        // One byte: the lines at their idle levels (RBCLK and D4 high), nothing clocked.
        EXPECT_EQ(adapter.ftdi->transfers, std::vector<std::vector<uint8_t>>{on_pins({24}, adapter.wired.pins)});
    }
}

TEST(UsbAdapter, OneActionIsOneTransferHoldingItsAccessesThroughThePinMap) {
    struct Action { const char* what; std::function<void(EvalState&, boardlink::Port&)> act; size_t words; };
    const Action kActions[] = {
        {"full write sequence", [](auto& s, auto& p) { actions::resend_all(s, p); }, 4},
        {"plain hop (N twice)",
         [](auto& s, auto& p) {
             actions::HopRun run;
             ASSERT_TRUE(run.start_plain(s, p, kHop).ok());
             run.tick_plain(s, p, kHop, {});
         },
         2},
    };
    for (const char* map_text : {"CLK=D0", kUsbReversed}) {
        for (const auto& c : kActions) {
            SCOPED_TRACE(std::string(map_text) + ": " + c.what);
            WiredAdapter adapter(AdapterKind::UsbBitbang, map_text);
            auto port = adapter.open();
            ASSERT_TRUE(port) << adapter.error;
            EvalState on_adapter = variants::start_state("ksy7100-1"), on_recorder = on_adapter;
            testing_support::RecordingPort recorder;
            c.act(on_adapter, *port);
            c.act(on_recorder, recorder);

            // What the board behind it latched is compared with the parallel port's in the traces.
            const auto& transfers = adapter.ftdi->transfers;
            ASSERT_EQ(transfers.size(), 2u) << "the idle levels at opening, then the action as one transfer";
            EXPECT_EQ(transfers[1], on_pins(recorder.writes(), adapter.wired.pins));
            EXPECT_EQ(static_cast<FtdiPort&>(*port).transfers(), 2u);
            EXPECT_EQ(static_cast<FtdiPort&>(*port).bytes_sent(), 1 + c.words * 76);
            EXPECT_EQ(adapter.wired.board.words_loaded(), c.words);
        }
    }
}

TEST(UsbAdapter, AStatusReadSendsTheQueueWithOneHoldByteAndReadsThatBytesSample) {
    // Only the last sample of a transfer carries the converter's bit; every other sample says
    // the opposite, so a read that takes any other sample gets the inverted value.
    const uint8_t value = 0xA6;
    WiredAdapter adapter(AdapterKind::UsbBitbang, kUsbReversed);  // STATUS on D0
    auto& log = *adapter.ftdi;
    log.wired = nullptr;
    log.sample = [&](size_t transfer, size_t index) -> uint8_t {
        const int bit = transfer >= 1 && transfer <= 8 ? (value >> (8 - transfer)) & 1 : 0;
        return uint8_t(index + 1 == log.transfers[transfer].size() ? bit : !bit);
    };
    auto port = adapter.open();
    ASSERT_TRUE(port) << adapter.error;
    EXPECT_EQ(boardlink::readback_read(*port, kDataRegister, kDataRegister, 8), value);
    port->flush();

    // Each bit is one transfer: the clock high, the clock low, and the hold byte that keeps it
    // low while the pins are sampled. Then the clock high again and the latch lines' idle value.
    const PinMap& map = adapter.wired.pins;
    ASSERT_EQ(log.transfers.size(), 1u + 8 + 1);
    for (size_t t = 1; t <= 8; ++t) EXPECT_EQ(log.transfers[t], on_pins({8, 0, 0}, map)) << "bit " << t;
    EXPECT_EQ(log.transfers[9], on_pins({8, 24}, map));

    // A read of another register sends the queue too, with no hold byte, and gives 0xFF.
    port->out(kDataRegister, 25);
    EXPECT_EQ(port->in(kDataRegister), 0xFF);
    EXPECT_EQ(log.transfers.back(), on_pins({25}, map));
    // Two reads in a row: the second holds the pins at the last byte sent.
    port->in(kStatusRegister);
    EXPECT_EQ(log.transfers.back(), on_pins({25}, map));
}

TEST(UsbAdapter, WritesNeverFlushedAreSentOnceTheQueueIsFull) {
    WiredAdapter adapter(AdapterKind::UsbBitbang, "CLK=D0");
    auto port = adapter.open();
    ASSERT_TRUE(port) << adapter.error;
    const size_t writes = FtdiPort::kMaxQueued * 2 + 100;
    for (size_t i = 0; i < writes; ++i) port->out(kDataRegister, uint8_t(24 + (i & 1)));
    const auto& transfers = adapter.ftdi->transfers;
    EXPECT_EQ(transfers.size(), 3u);
    port->flush();
    size_t sent = 0;
    for (size_t t = 1; t < transfers.size(); ++t) {
        EXPECT_LE(transfers[t].size(), FtdiPort::kMaxQueued);
        sent += transfers[t].size();
    }
    EXPECT_EQ(sent, writes) << "nothing lost, nothing twice";
}

// The lock-detect line comes back on the LD pin when one is wired, read with one round trip; a map
// without it has no such line.
TEST(UsbAdapter, ReadsLockDetectOnItsPinWhenWired) {
    for (const auto& [muxout, high] : {std::pair{0xE0u, false}, {0x60u, true}}) {  // DGnd, DVdd
        testing_support::WiredAdapter adapter(boardlink::AdapterKind::UsbBitbang, "LD=D6");
        auto port = adapter.open();
        ASSERT_TRUE(port) << adapter.error;
        testing_support::load_word(*port, muxout);
        const size_t transfers = adapter.ftdi->transfers.size();
        EXPECT_EQ(port->lock_detect(), high) << muxout;
        EXPECT_EQ(adapter.ftdi->transfers.size(), transfers + 1);
    }
    testing_support::WiredAdapter plain(boardlink::AdapterKind::UsbBitbang, "CLK=D0");
    EXPECT_EQ(plain.open()->lock_detect(), std::nullopt);
}
