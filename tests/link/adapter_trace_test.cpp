// A trace taken over either adapter reads back as the same waveform as one taken over the
// simulated board: the same latch words, the same readback answers on STATUS.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "actions/hopping.h"
#include "actions/main_controls.h"
#include "actions/options.h"
#include "actions/supplies.h"
#include "link/ftdi_port.h"
#include "link/gpio_port.h"
#include "link/trace.h"
#include "model/variants.h"
#include "tests/link/adapter_rig.h"
#include "tests/support/trace_reader.h"

using testing_support::read_trace;
using testing_support::WiredBoard;

namespace {

std::string temp_path(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("ksy_" + std::to_string(::getpid()) + "_" + name)).string();
}

// A short session: the supply monitor set up and read, settings sent, two hops.
void session(boardlink::Port& port) {
    EvalState s;
    variants::apply_port_defaults(s);
    variants::apply_variant_choice(s, "ksy7100-1");
    actions::set_up_supply_monitor(s, port);
    actions::SupplyReading reading;
    for (int k = 0; k < actions::SupplyReading::kSteps; ++k) reading.step(s, port, k);
    actions::resend_all(s, port);
    actions::set_main_switch(s, port, actions::MainSwitch::CpGain, true);
    actions::HopRun run;
    const actions::HopRun::Entries hop{"1750", "1752", "10", "5"};
    ASSERT_TRUE(run.start_plain(s, port, hop).ok());
    run.tick_plain(s, port, hop, {});
    run.tick_plain(s, port, hop, {});
}

struct Traced {
    testing_support::TraceReading reading;
    std::vector<uint32_t> latched;  // by the board at the far end
};

Traced trace_over(std::unique_ptr<boardlink::Port> backend, boardlink::SimBoard& board, const std::string& name) {
    const std::string path = temp_path(name);
    std::string error;
    Traced t;
    {
        auto trace = boardlink::TracePort::create(std::move(backend), path, error);
        EXPECT_TRUE(trace) << error;
        if (trace) session(*trace);
        t.latched.assign(board.history().begin(), board.history().end());  // the board may go with the trace
    }
    t.reading = read_trace(path);
    std::filesystem::remove(path);
    return t;
}

}  // namespace

TEST(AdapterTrace, DecodesToTheSameWordsAndAnswersAsOverTheSimulatedBoard) {
    auto direct = std::make_unique<boardlink::SimBoard>();
    boardlink::SimBoard& direct_board = *direct;
    const Traced reference = trace_over(std::move(direct), direct_board, "sim.vcd");
    ASSERT_EQ(reference.reading.problem, "");
    ASSERT_EQ(reference.latched.size(), 4u + 3 + 2 * 2);
    EXPECT_EQ(reference.reading.words, reference.latched);
    EXPECT_GT(reference.reading.status_changes, 0);

    using testing_support::Sampling;
    struct Case {
        const char* what;
        boardlink::AdapterKind kind;
        const char* pins;
        Sampling sampling = Sampling::BeforeTheByte;
    };
    const Case cases[] = {
        {"USB adapter, default pins", boardlink::AdapterKind::UsbBitbang, "CLK=D0"},
        {"USB adapter, lines moved", boardlink::AdapterKind::UsbBitbang, "CLK=D4,DATA=D3,LE=D2,RBCLK=D1,D4=D0,STATUS=D6",
         Sampling::AsTheByteTakesEffect},
        {"GPIO chip", boardlink::AdapterKind::Gpio, "CLK=17,DATA=27,LE=22,RBCLK=23,D4=24,STATUS=25"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WiredBoard wired;
        if (c.kind == boardlink::AdapterKind::UsbBitbang) wired.pins = boardlink::default_usb_pins();
        ASSERT_EQ(boardlink::apply_pins(c.kind, c.pins, wired.pins), "");
        std::string error;
        std::unique_ptr<boardlink::Port> backend;
        if (c.kind == boardlink::AdapterKind::UsbBitbang) {
            auto log = std::make_shared<testing_support::FtdiLog>();
            log->wired = &wired;
            log->sampling = c.sampling;
            backend = boardlink::FtdiPort::open(std::make_unique<testing_support::RecordingFtdi>(log), {"", wired.pins, 1'000'000}, error);
        } else {
            auto log = std::make_shared<testing_support::GpioLog>();
            log->wired = &wired;
            backend = boardlink::GpioPort::open(std::make_unique<testing_support::RecordingGpio>(log), {"gpiochip0", wired.pins}, error);
        }
        ASSERT_TRUE(backend) << error;
        const Traced t = trace_over(std::move(backend), wired.board, "adapter.vcd");
        EXPECT_EQ(t.reading.problem, "");
        EXPECT_TRUE(t.reading.complete);
        EXPECT_EQ(t.reading.words, reference.reading.words);
        EXPECT_EQ(t.latched, reference.latched) << "the board behind the adapter holds what the trace shows";
        EXPECT_EQ(t.reading.status_changes, reference.reading.status_changes);
        EXPECT_EQ(t.reading.link_failed_at, -1);
    }
}
