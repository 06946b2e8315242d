// The GPIO backend through a recording chip: the lines it takes, the levels each write sets,
// the readback through its input line, and what happens when the chip fails or cannot open.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "actions/supplies.h"
#include "link/board_link.h"
#include "link/gpio_port.h"
#include "link/latch_protocol.h"
#include "link/readback.h"
#include "model/variants.h"
#include "tests/link/adapter_rig.h"
#include "tests/support/recording_port.h"

using boardlink::DeviceFault;
using boardlink::GpioPort;
using boardlink::kDataRegister;
using boardlink::kStatusRegister;
using boardlink::PinMap;
using testing_support::GpioLog;
using testing_support::RecordingGpio;
using testing_support::RecordingPort;
using testing_support::WiredBoard;

namespace {

PinMap lines(const std::string& text) {
    PinMap map;
    EXPECT_EQ(boardlink::apply_pins(boardlink::AdapterKind::Gpio, text, map), "") << text;
    return map;
}

const char* const kFull = "CLK=17,DATA=27,LE=22,RBCLK=23,D4=24,STATUS=25";
const char* const kLatchOnly = "CLK=5,DATA=6,LE=13";

std::unique_ptr<GpioPort> open_chip(std::shared_ptr<GpioLog> log, const PinMap& map, std::string chip = "gpiochip0") {
    std::string error;
    auto port = GpioPort::open(std::make_unique<RecordingGpio>(log), {chip, map}, error);
    EXPECT_TRUE(port) << error;
    return port;
}

// How many writes change the value of the wired data bits.
size_t changes(const std::vector<uint8_t>& writes, uint8_t wired_bits) {
    size_t n = 0;
    uint8_t last = boardlink::kIdle & wired_bits;
    for (uint8_t v : writes) {
        if ((v & wired_bits) != last) ++n;
        last = v & wired_bits;
    }
    return n;
}

}  // namespace

TEST(GpioChip, ChipNamesArePathsNamesNumbersOrLabels) {
    struct Case { const char* given; const char* opened; bool label; };
    const Case cases[] = {
        {"gpiochip0", "/dev/gpiochip0", false},
        {"4", "/dev/gpiochip4", false},
        {"/dev/gpiochip2", "/dev/gpiochip2", false},
        {"pinctrl-bcm2711", "pinctrl-bcm2711", true},
        {"gpiochip0/../x", "gpiochip0/../x", true},  // never a path outside /dev by accident
    };
    for (const auto& c : cases) EXPECT_EQ(boardlink::gpio_chip_name(c.given), (boardlink::GpioChipName{c.opened, c.label})) << c.given;
}

TEST(GpioChip, OpeningTakesTheWiredDataLinesAsOutputsAtIdleAndStatusAsInput) {
    struct Case { const char* map; std::vector<unsigned> outputs; std::vector<int> levels; std::optional<unsigned> input; };
    const Case cases[] = {
        {kFull, {17, 27, 22, 23, 24}, {0, 0, 0, 1, 1}, 25u},
        {kLatchOnly, {5, 6, 13}, {0, 0, 0}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.map);
        auto log = std::make_shared<GpioLog>();
        auto port = open_chip(log, lines(c.map), "2");
        EXPECT_EQ(log->opened, (boardlink::GpioChipName{"/dev/gpiochip2", false}));
        EXPECT_EQ(log->outputs, c.outputs);
        EXPECT_EQ(log->initial_levels, c.levels);
        EXPECT_EQ(log->input, c.input);
        EXPECT_EQ(log->consumer, "ksy7100-eval");
        EXPECT_FALSE(port->sends_at_flush());
        port.reset();
        EXPECT_TRUE(log->closed) << "the lines are released";
    }
}

TEST(GpioChip, EachWriteThatMovesALineIsOneSetAndTheBoardLatchesTheWord) {
    std::mt19937 rng(7);
    const uint32_t words[] = {0, 0xFFFFFF, 0x8FF108, uint32_t(rng() & 0xFFFFFF), uint32_t(rng() & 0xFFFFFF)};
    for (const char* map_text : {kFull, kLatchOnly}) {
        const PinMap map = lines(map_text);
        auto log = std::make_shared<GpioLog>();
        WiredBoard wired{map, {}};
        log->wired = &wired;
        auto port = open_chip(log, map);
        uint8_t wired_bits = 0;
        for (int bit = 0; bit < boardlink::kDataLines; ++bit)
            if (map.pin[size_t(bit)] != PinMap::kNone) wired_bits |= uint8_t(1u << bit);
        for (uint32_t word : words) {
            SCOPED_TRACE(std::string(map_text) + ", word " + std::to_string(word));
            RecordingPort recorder;
            for (boardlink::Port* p : {static_cast<boardlink::Port*>(&recorder), static_cast<boardlink::Port*>(port.get())}) {
                boardlink::shift_word(*p, kDataRegister, word, 24);
                boardlink::pulse_le(*p, kDataRegister);
            }
            const size_t sets = log->sets.size();
            EXPECT_EQ(sets, changes(recorder.writes(), wired_bits));
            log->sets.clear();
            EXPECT_EQ(wired.board.latches()[word & 3], word);
        }
    }
}

TEST(GpioChip, ReadbackThroughTheInputLineOrFloatingHighWithoutOne) {
    EvalState s0;
    variants::apply_port_defaults(s0);
    variants::apply_variant_choice(s0, "ksy7100-1");
    boardlink::SimBoard direct;
    EvalState s_direct = s0;
    ASSERT_EQ(actions::set_up_supply_monitor(s_direct, direct), boardlink::SetupResult::Ready);
    actions::SupplyReading reference;
    for (int k = 0; k < actions::SupplyReading::kSteps; ++k) reference.step(s_direct, direct, k);

    struct Case { const char* map; boardlink::SetupResult setup; bool reads; };
    const Case cases[] = {
        {kFull, boardlink::SetupResult::Ready, true},
        {kLatchOnly, boardlink::SetupResult::Absent, false},  // STATUS not wired: no converter answers
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.map);
        const PinMap map = lines(c.map);
        auto log = std::make_shared<GpioLog>();
        WiredBoard wired{map, {}};
        log->wired = &wired;
        auto port = open_chip(log, map);
        EvalState s = s0;
        EXPECT_EQ(actions::set_up_supply_monitor(s, *port), c.setup);
        EXPECT_EQ(log->gets > 0, c.reads);
        if (!c.reads) continue;
        actions::SupplyReading reading;
        for (int k = 0; k < actions::SupplyReading::kSteps; ++k) reading.step(s, *port, k);
        EXPECT_EQ(reading.texts().vp, reference.texts().vp);
        EXPECT_EQ(reading.texts().vdd, reference.texts().vdd);
        EXPECT_EQ(reading.texts().idd, reference.texts().idd);
    }
}

TEST(GpioChip, ALineThatFailsBreaksTheLinkOnceAndLaterWritesSetNothing) {
    auto log = std::make_shared<GpioLog>();
    WiredBoard wired{lines(kFull), {}};
    log->wired = &wired;
    log->failing_set = 10;
    auto port = open_chip(log, wired.pins);
    boardlink::shift_word(*port, kDataRegister, 0x123456, 24);
    boardlink::pulse_le(*port, kDataRegister);
    const std::string expected =
        "GPIO chip gpiochip0: setting the lines failed: the GPIO chip went away or stopped answering (No such device)";
    EXPECT_EQ(port->failure(), expected);
    EXPECT_EQ(log->sets.size(), 11u) << "nothing is set after the failure";
    EXPECT_EQ(port->in(kStatusRegister), 0xFF);
    EXPECT_EQ(log->gets, 0u);
    boardlink::shift_word(*port, kDataRegister, 0x654321, 24);
    EXPECT_EQ(log->sets.size(), 11u);
    EXPECT_EQ(port->failure(), expected);
    EXPECT_EQ(wired.board.words_loaded(), 0u);
}

TEST(GpioChip, AChipThatCannotBeTakenNamesTheStepAndTheRemedy) {
    struct Case {
        const char* what;
        std::string map;
        std::function<void(GpioLog&)> fault;
        std::vector<std::string> says;
        bool opened;
    };
    const Case cases[] = {
        {"no such chip", kFull, [](GpioLog& l) { l.open_result = {DeviceFault::NoDevice, {}}; },
         {"GPIO chip gpiochip0: open failed: no such device", "/dev/gpiochip"}, false},
        {"not in group gpio", kFull, [](GpioLog& l) { l.open_result = {DeviceFault::Permission, {}}; },
         {"permission denied", "group gpio", "usermod -aG gpio"}, false},
        {"a line held by a driver", kFull, [](GpioLog& l) { l.request_result = {DeviceFault::Busy, {}}; },
         {"taking the lines failed: a line is busy"}, true},
        {"a line the chip has not", "CLK=17,DATA=27,LE=22,RBCLK=23,D4=24,STATUS=32", [](GpioLog& l) { l.line_count = 32; },
         {"taking the lines failed: STATUS is on line 32, but the chip has lines 0 .. 31 only"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto log = std::make_shared<GpioLog>();
        c.fault(*log);
        std::string error;
        EXPECT_FALSE(GpioPort::open(std::make_unique<RecordingGpio>(log), {"gpiochip0", lines(c.map)}, error));
        for (const auto& words : c.says) EXPECT_NE(error.find(words), std::string::npos) << error;
        EXPECT_EQ(log->closed, c.opened);
    }
}

TEST(GpioChip, TheBoardLinkOpensItOrFallsBackToTheSimulatedBoardWithTheCause) {
    for (bool present : {true, false}) {
        SCOPED_TRACE(present ? "present" : "absent");
        auto log = std::make_shared<GpioLog>();
        if (!present) log->open_result = {DeviceFault::Permission, {}};
        boardlink::AdapterDevices devices;
        devices.gpio = [&] { return std::make_unique<RecordingGpio>(log); };
        boardlink::LinkRequest request;
        request.kind = boardlink::LinkRequest::Kind::Gpio;
        request.device = "gpiochip0";
        request.pins = lines(kFull);
        boardlink::BoardLink link;
        auto opened = link.open(request, devices);
        EXPECT_TRUE(opened.ok);
        EXPECT_EQ(opened.claim_error.empty(), present) << opened.claim_error;
        EXPECT_EQ(link.simulated_board() == nullptr, present);
        if (present) {
            EXPECT_EQ(link.name(), "GPIO gpiochip0 [test-header] (CLK=17,DATA=27,LE=22,RBCLK=23,D4=24,STATUS=25)");
        }
        link.close();
        EXPECT_EQ(log->closed, present);
    }
}
