// The USB bit-bang backend through a recording adapter: what each action puts in its transfers,
// how status reads take their samples, and what happens when the adapter fails or cannot open.
#include <gtest/gtest.h>

#include <functional>

#include "actions/hopping.h"
#include "actions/main_controls.h"
#include "actions/options.h"
#include "actions/supplies.h"
#include "link/board_link.h"
#include "link/ftdi_port.h"
#include "link/readback.h"
#include "model/latch.h"
#include "model/variants.h"
#include "tests/link/adapter_rig.h"
#include "tests/support/recording_port.h"

using boardlink::DeviceFault;
using boardlink::FtdiPort;
using boardlink::FtdiSettings;
using boardlink::kDataRegister;
using boardlink::kStatusRegister;
using boardlink::PinMap;
using testing_support::FtdiLog;
using testing_support::RecordingFtdi;
using testing_support::RecordingPort;
using testing_support::Sampling;
using testing_support::WiredBoard;

namespace {

PinMap pins(const std::string& text) {
    PinMap map = boardlink::default_usb_pins();
    EXPECT_EQ(boardlink::apply_pins(boardlink::AdapterKind::UsbBitbang, text, map), "") << text;
    return map;
}

// Every line moved to another pin, STATUS below the outputs.
const char* const kReversed = "CLK=D7,DATA=D6,LE=D5,RBCLK=D4,D4=D3,STATUS=D0";

// The adapter byte for a data-register value: each of bits 0..4 on its line's pin.
uint8_t on_pins(uint8_t value, const PinMap& map) {
    uint8_t byte = 0;
    for (int line = 0; line < boardlink::kDataLines; ++line)
        if ((value >> line) & 1) byte |= uint8_t(1u << map.pin[size_t(line)]);
    return byte;
}

std::vector<uint8_t> on_pins(const std::vector<uint8_t>& values, const PinMap& map) {
    std::vector<uint8_t> bytes;
    for (uint8_t v : values) bytes.push_back(on_pins(v, map));
    return bytes;
}

std::unique_ptr<FtdiPort> open_adapter(std::shared_ptr<FtdiLog> log, const PinMap& map, std::string serial = {}) {
    std::string error;
    auto port = FtdiPort::open(std::make_unique<RecordingFtdi>(log), {serial, map, FtdiSettings::kDefaultRateHz}, error);
    EXPECT_TRUE(port) << error;
    return port;
}

EvalState variant(const char* device) {
    EvalState s;
    variants::apply_port_defaults(s);
    variants::apply_variant_choice(s, device);
    return s;
}

const actions::HopRun::Entries kHop{"1750", "1752", "10", "5"};

using Act = std::function<void(EvalState&, boardlink::Port&)>;
struct ActionCase {
    const char* what;
    Act act;
    size_t words;
};
const ActionCase kActions[] = {
    {"resend of the N latch", [](auto& s, auto& p) { actions::resend_latch(s, p, kNLatch); }, 1},
    {"polarity switch (R, control, N)",
     [](auto& s, auto& p) { actions::set_main_switch(s, p, actions::MainSwitch::PdPolarity, false); }, 3},
    {"full write sequence", [](auto& s, auto& p) { actions::resend_all(s, p); }, 4},
    {"plain hop (N twice)",
     [](auto& s, auto& p) {
         actions::HopRun run;
         ASSERT_TRUE(run.start_plain(s, p, kHop).ok());
         run.tick_plain(s, p, kHop, {});
     },
     2},
};

}  // namespace

TEST(UsbAdapter, OpeningStartsBitbangWithTheFiveDataLinesAsOutputsResting) {
    struct Case { const char* pins; uint8_t outputs; };
    const Case cases[] = {{"CLK=D0", 0x1F}, {kReversed, 0xF8}, {"RBCLK=D7,STATUS=D3", 0x97}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pins);
        auto log = std::make_shared<FtdiLog>();
        const PinMap map = pins(c.pins);
        auto port = open_adapter(log, map, "A10K2XYZ");
        EXPECT_EQ(log->opened_serial, "A10K2XYZ");
        EXPECT_EQ(log->outputs, c.outputs);
        EXPECT_EQ(log->rate_hz, 1'000'000u);
        // One byte: the lines at their idle levels (RBCLK and D4 high), nothing clocked.
        ASSERT_EQ(log->transfers.size(), 1u);
        EXPECT_EQ(log->transfers[0], std::vector<uint8_t>{on_pins(24, map)});
        EXPECT_TRUE(port->sends_at_flush());
        port.reset();
        EXPECT_TRUE(log->closed) << "the adapter is let go";
    }
}

TEST(UsbAdapter, OneActionIsOneTransferHoldingItsAccessesThroughThePinMap) {
    for (const char* map_text : {"CLK=D0", kReversed}) {
        for (const auto& c : kActions) {
            SCOPED_TRACE(std::string(map_text) + ": " + c.what);
            const PinMap map = pins(map_text);
            auto log = std::make_shared<FtdiLog>();
            WiredBoard wired{map, {}};
            log->wired = &wired;
            auto port = open_adapter(log, map);

            EvalState on_adapter = variant("ksy7100-1"), on_recorder = on_adapter, on_board = on_adapter;
            RecordingPort recorder;
            boardlink::SimBoard direct;
            c.act(on_adapter, *port);
            c.act(on_recorder, recorder);
            c.act(on_board, direct);

            ASSERT_EQ(log->transfers.size(), 2u) << "the idle levels at opening, then the action as one transfer";
            EXPECT_EQ(log->transfers[1], on_pins(recorder.writes(), map));
            EXPECT_EQ(log->transfers[1].size(), c.words * 76);
            EXPECT_EQ(port->transfers(), 2u);
            EXPECT_EQ(port->bytes_sent(), 1 + c.words * 76);
            // The board behind the adapter latched what a board on the parallel port latches.
            ASSERT_EQ(wired.board.words_loaded(), c.words);
            EXPECT_EQ(wired.board.history(), direct.history());
            EXPECT_TRUE(port->failure().empty());
        }
    }
}

TEST(UsbAdapter, AStatusReadSendsTheQueueWithOneHoldByteAndReadsThatBytesSample) {
    // Only the last sample of a transfer carries the converter's bit; every other sample says
    // the opposite, so a read that takes any other sample gets the inverted value.
    const uint8_t value = 0xA6;
    const PinMap map = pins(kReversed);  // STATUS on D0
    auto log = std::make_shared<FtdiLog>();
    log->sample = [&](size_t transfer, size_t index) -> uint8_t {
        const int bit = transfer >= 1 && transfer <= 8 ? (value >> (8 - transfer)) & 1 : 0;
        const bool last = index + 1 == log->transfers[transfer].size();
        return uint8_t(last ? bit : !bit);
    };
    auto port = open_adapter(log, map);
    EXPECT_EQ(boardlink::readback_read(*port, kDataRegister, kDataRegister, 8), value);
    port->flush();

    // Each bit is one transfer: the clock high, the clock low, and the hold byte that keeps it
    // low while the pins are sampled. Then the clock high again and the latch lines' idle value.
    const std::vector<uint8_t> bit{on_pins(8, map), on_pins(0, map), on_pins(0, map)};
    ASSERT_EQ(log->transfers.size(), 1u + 8 + 1);
    for (size_t t = 1; t <= 8; ++t) EXPECT_EQ(log->transfers[t], bit) << "bit " << t;
    EXPECT_EQ(log->transfers[9], (std::vector<uint8_t>{on_pins(8, map), on_pins(24, map)}));

    // A read of another register sends the queue too, with no hold byte, and gives 0xFF.
    port->out(kDataRegister, 25);
    EXPECT_EQ(port->in(kDataRegister), 0xFF);
    EXPECT_EQ(log->transfers.back(), std::vector<uint8_t>{on_pins(25, map)});
    // Two reads in a row: the second holds the pins at the last byte sent.
    port->in(kStatusRegister);
    EXPECT_EQ(log->transfers.back(), std::vector<uint8_t>{on_pins(25, map)});
}

TEST(UsbAdapter, ReadbackAndSupplyMeasurementReadTheBoardWhicheverWayTheAdapterSamples) {
    // Reference: the board on the parallel port.
    EvalState s0 = variant("ksy7100-1");
    boardlink::SimBoard direct;
    ASSERT_EQ(actions::set_up_supply_monitor(s0, direct), boardlink::SetupResult::Ready);
    actions::SupplyReading reference;
    for (int k = 0; k < actions::SupplyReading::kSteps; ++k) reference.step(s0, direct, k);
    ASSERT_NE(reference.texts().vp, "0");

    for (Sampling sampling : {Sampling::BeforeTheByte, Sampling::AsTheByteTakesEffect}) {
        for (const char* map_text : {"CLK=D0", kReversed}) {
            SCOPED_TRACE(std::string(map_text) + (sampling == Sampling::BeforeTheByte ? ", sampled before" : ", sampled as"));
            const PinMap map = pins(map_text);
            auto log = std::make_shared<FtdiLog>();
            WiredBoard wired{map, {}};
            log->wired = &wired;
            log->sampling = sampling;
            auto port = open_adapter(log, map);
            EvalState s = variant("ksy7100-1");
            EXPECT_EQ(actions::set_up_supply_monitor(s, *port), boardlink::SetupResult::Ready);
            actions::SupplyReading reading;
            for (int k = 0; k < actions::SupplyReading::kSteps; ++k) reading.step(s, *port, k);
            EXPECT_EQ(reading.texts().vp, reference.texts().vp);
            EXPECT_EQ(reading.texts().vdd, reference.texts().vdd);
            EXPECT_EQ(reading.texts().idd, reference.texts().idd);
        }
    }
}

TEST(UsbAdapter, ATransferThatFailsBreaksTheLinkOnceAndLaterAccessesSendNothing) {
    for (size_t failing : {size_t{1}, size_t{2}}) {
        SCOPED_TRACE("failing transfer " + std::to_string(failing));
        auto log = std::make_shared<FtdiLog>();
        WiredBoard wired{boardlink::default_usb_pins(), {}};
        log->wired = &wired;
        log->failing_transfer = failing;
        auto port = open_adapter(log, wired.pins);
        EvalState s = variant("ksy7100-1");
        actions::HopRun run;
        ASSERT_TRUE(run.start_plain(s, *port, kHop).ok());
        for (int tick = 0; tick < 3 && run.running(); ++tick) run.tick_plain(s, *port, kHop, {});

        const std::string expected =
            "USB adapter: sending to the adapter failed: the adapter was unplugged or stopped answering "
            "(LIBUSB_ERROR_NO_DEVICE)";
        EXPECT_EQ(port->failure(), expected);
        EXPECT_FALSE(run.running()) << "the hop whose transfer failed stops the run";
        EXPECT_EQ(wired.board.words_loaded(), 2 * (failing - 1)) << "only the hops sent before";
        ASSERT_EQ(log->transfers.size(), failing + 1) << "nothing is tried after the failure";

        actions::resend_all(s, *port);
        EXPECT_EQ(port->in(kStatusRegister), 0xFF);
        port->flush();
        EXPECT_EQ(log->transfers.size(), failing + 1);
        EXPECT_EQ(port->failure(), expected) << "reported once, as it first was";
    }
}

TEST(UsbAdapter, AnAdapterThatCannotStartNamesTheStepAndTheRemedy) {
    struct Case {
        const char* what;
        std::string serial;
        std::function<void(FtdiLog&)> fault;
        std::vector<std::string> says;
        bool opened;  // so it must be let go again
    };
    const Case cases[] = {
        {"none plugged in", "", [](FtdiLog& l) { l.open_result = {DeviceFault::NoDevice, {}}; },
         {"USB adapter: open failed: no such device", "plugged in"}, false},
        {"no such serial", "A10K2XYZ",
         [](FtdiLog& l) { l.open_result = {DeviceFault::NoDevice, "no adapter with serial number A10K2XYZ"}; },
         {"USB adapter A10K2XYZ: open failed: no such device", "(no adapter with serial number A10K2XYZ)"}, false},
        {"no udev rule", "", [](FtdiLog& l) { l.open_result = {DeviceFault::Permission, {}}; },
         {"permission denied", "udev rule", "plugdev", "usermod"}, false},
        {"held by another program", "", [](FtdiLog& l) { l.open_result = {DeviceFault::Busy, "unable to claim"}; },
         {"open failed: the adapter is busy", "(unable to claim)"}, false},
        {"rate out of reach", "",
         [](FtdiLog& l) { l.start_result = {DeviceFault::Refused, "the adapter cannot step at 1000000 Hz"}; },
         {"starting synchronous bit-bang failed: the adapter cannot step at 1000000 Hz"}, true},
        {"gone before the idle levels", "", [](FtdiLog& l) { l.failing_transfer = 0; },
         {"sending to the adapter failed: the adapter was unplugged"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto log = std::make_shared<FtdiLog>();
        c.fault(*log);
        std::string error;
        auto port = FtdiPort::open(std::make_unique<RecordingFtdi>(log), {c.serial, boardlink::default_usb_pins(), 1'000'000},
                                   error);
        EXPECT_FALSE(port);
        for (const auto& words : c.says) EXPECT_NE(error.find(words), std::string::npos) << error;
        EXPECT_EQ(log->closed, c.opened);
    }
}

TEST(UsbAdapter, TheBoardLinkOpensItOrFallsBackToTheSimulatedBoardWithTheCause) {
    for (bool present : {true, false}) {
        SCOPED_TRACE(present ? "present" : "absent");
        auto log = std::make_shared<FtdiLog>();
        if (!present) log->open_result = {DeviceFault::NoDevice, {}};
        boardlink::AdapterDevices devices;
        devices.ftdi = [&] { return std::make_unique<RecordingFtdi>(log); };
        boardlink::LinkRequest request;
        request.kind = boardlink::LinkRequest::Kind::Ftdi;
        request.device = "";
        request.pins = pins("STATUS=D7");
        request.rate_hz = 250'000;
        boardlink::BoardLink link;
        auto opened = link.open(request, devices);
        EXPECT_TRUE(opened.ok);
        EXPECT_EQ(opened.claim_error.empty(), present) << opened.claim_error;
        EXPECT_EQ(link.simulated_board() == nullptr, present);
        EXPECT_EQ(link.sends_at_flush(), present);
        if (present) {
            EXPECT_EQ(log->rate_hz, 250'000u);
            EXPECT_EQ(link.name(),
                      "USB adapter FT232R USB UART, serial T3ST0001 (CLK=D0,DATA=D1,LE=D2,RBCLK=D3,D4=D4,STATUS=D7, 250 kHz)");
        }
        link.close();
        EXPECT_EQ(log->closed, present);
    }
}

TEST(UsbAdapter, WritesNeverFlushedAreSentOnceTheQueueIsFull) {
    auto log = std::make_shared<FtdiLog>();
    auto port = open_adapter(log, boardlink::default_usb_pins());
    const size_t writes = FtdiPort::kMaxQueued * 2 + 100;
    for (size_t i = 0; i < writes; ++i) port->out(kDataRegister, uint8_t(24 + (i & 1)));
    EXPECT_EQ(log->transfers.size(), 3u);
    port->flush();
    size_t sent = 0;
    for (size_t t = 1; t < log->transfers.size(); ++t) {
        EXPECT_LE(log->transfers[t].size(), FtdiPort::kMaxQueued);
        sent += log->transfers[t].size();
    }
    EXPECT_EQ(sent, writes) << "nothing lost, nothing twice";
}
