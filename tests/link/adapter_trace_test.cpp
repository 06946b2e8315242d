// Either adapter stands in for the parallel port: a trace over a GPIO chip reads back as one over
// the simulated board (the same words, readback answers and supplies), a USB adapter's keeps its
// bit-bang rate and times its hops once sent, and a failing device breaks the link for good.
#include <gtest/gtest.h>

#include <filesystem>

#include "actions/hopping.h"
#include "actions/main_controls.h"
#include "actions/options.h"
#include "actions/supplies.h"
#include "link/trace.h"
#include "model/variants.h"
#include "tests/link/adapter_rig.h"
#include "tests/support/trace_reader.h"

namespace {

const actions::HopRun::Entries kHop{"1750", "1752", "10", "5"};

struct Traced {
    testing_support::TraceReading reading;
    std::vector<uint32_t> latched;  // by the board at the far end
    std::string supplies;           // as the main window shows them
};

// A short session on a trace of `backend`: the supply monitor set up and read, settings sent,
// two hops.
Traced trace_session(std::unique_ptr<boardlink::Port> backend, boardlink::SimBoard& board) {
    const std::string path = testing_support::temp_path("adapter.vcd");
    std::string error;
    Traced t;
    {
        auto trace = boardlink::TracePort::create(std::move(backend), path, error);
        EXPECT_TRUE(trace) << error;
        EvalState s = variants::start_state("ksy7100-1");
        EXPECT_EQ(actions::set_up_supply_monitor(s, *trace), boardlink::SetupResult::Ready);
        actions::SupplyReading reading;
        for (int k = 0; k < actions::SupplyReading::kSteps; ++k) reading.step(s, *trace, k);
        t.supplies = reading.texts().vp + " V, " + reading.texts().vdd + " V, " + reading.texts().idd + " mA";
        actions::resend_all(s, *trace);
        actions::set_main_switch(s, *trace, actions::MainSwitch::CpGain, true);
        actions::HopRun run;
        EXPECT_TRUE(run.start_plain(s, *trace, kHop).ok());
        run.tick_plain(s, *trace, kHop, {});
        run.tick_plain(s, *trace, kHop, {});
        t.latched.assign(board.history().begin(), board.history().end());  // the board may go with the trace
    }
    t.reading = testing_support::read_trace(path);
    std::filesystem::remove(path);
    return t;
}

}  // namespace

TEST(AdapterTrace, DecodesToTheSameWordsAndAnswersAsOverTheSimulatedBoard) {
    auto direct = std::make_unique<boardlink::SimBoard>();
    boardlink::SimBoard& direct_board = *direct;
    const Traced reference = trace_session(std::move(direct), direct_board);
    ASSERT_EQ(std::tuple(reference.reading.problem, reference.latched.size()), std::tuple("", 4u + 3 + 2 * 2))
        << "readback traffic latches no word";
    EXPECT_EQ(reference.reading.words, reference.latched) << "nor shows one";
    EXPECT_GT(reference.reading.status_changes, 0);
    EXPECT_EQ(reference.supplies, "4.5 V, 3.3 V, 22.00 mA");

    // Over a GPIO chip (the USB adapter's supplies and words: the device tests).
    testing_support::WiredAdapter adapter(boardlink::AdapterKind::Gpio, testing_support::kGpioFull);
    auto backend = adapter.open();
    ASSERT_TRUE(backend) << adapter.error;
    const Traced t = trace_session(std::move(backend), adapter.wired.board);
    EXPECT_EQ(std::tuple(t.reading.problem, t.reading.complete, t.reading.link_failed_at), std::tuple("", true, -1));
    EXPECT_EQ(t.reading.words, reference.reading.words);
    EXPECT_EQ(t.latched, reference.latched) << "the board behind the adapter holds what the trace shows";
    EXPECT_EQ(t.reading.status_changes, reference.reading.status_changes);
    EXPECT_EQ(t.supplies, reference.supplies);
}

// A USB adapter clocks a transfer out at its bit-bang rate: the trace spaces the words of one
// transfer by their accesses' periods, at a timescale fine enough for the rate, and starts the next
// transfer no earlier than the last one ends.
TEST(AdapterTrace, SpacesAUsbTransferAtTheBitBangRate) {
    constexpr long kAccessesPerWord = 1 + 3 * 24 + 3;  // the line at rest, 24 bits of 3 edges, LE
    const std::pair<uint32_t, long> cases[] = {{100, 1000}, {1'000'000, 1000}, {3'000'000, 100}, {12'000'000, 10}};
    for (const auto& [rate, step_ns] : cases) {
        SCOPED_TRACE(std::to_string(rate) + " Hz");
        testing_support::WiredAdapter adapter(boardlink::AdapterKind::UsbBitbang, "CLK=D0");
        const std::string path = testing_support::temp_path("rate.vcd");
        {
            std::string error;
            auto trace = boardlink::TracePort::create(adapter.open({}, rate), path, error);
            ASSERT_TRUE(trace) << error;
            EvalState s = variants::start_state("ksy7100-1");
            actions::resend_all(s, *trace);  // four words, one transfer
            actions::resend_all(s, *trace);
        }
        const auto r = testing_support::read_trace(path);
        std::filesystem::remove(path);
        ASSERT_EQ(std::tuple(r.problem, r.words.size(), r.timescale_ns), std::tuple("", size_t(8), step_ns));
        const double word_ns = kAccessesPerWord * 1e9 / rate;
        for (size_t i = 1; i < r.words.size(); ++i) {
            const double apart_ns = double(r.word_times[i] - r.word_times[i - 1]) * step_ns;
            if (i == 4) EXPECT_GE(apart_ns, word_ns - step_ns) << "the second transfer after the first";
            else EXPECT_NEAR(apart_ns, word_ns, step_ns) << "word " << i;
        }
        EXPECT_EQ(r.marks.size(), 2u);
    }
}

TEST(AdapterFailure, BreaksTheLinkOnceStopsTheHopsAndLaterAccessesSendNothing) {
    struct Case { boardlink::AdapterKind kind; const char* pins; size_t failing; uint64_t words; const char* failure; };
    const char* const usb_gone =
        "USB adapter: sending to the adapter failed: the adapter was unplugged or stopped answering (LIBUSB_ERROR_NO_DEVICE)";
    const Case cases[] = {
        // Transfer 0 puts the lines at idle; each hop is one transfer of two words.
        {boardlink::AdapterKind::UsbBitbang, "CLK=D0", 1, 0, usb_gone},
        {boardlink::AdapterKind::UsbBitbang, "CLK=D0", 2, 2, usb_gone},
        {boardlink::AdapterKind::Gpio, testing_support::kGpioFull, 10, 0,
         "GPIO chip gpiochip0: setting the lines failed: the GPIO chip went away or stopped answering (No such device)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pins) + ", failing at " + std::to_string(c.failing));
        testing_support::WiredAdapter adapter(c.kind, c.pins);
        adapter.ftdi->failing_transfer = adapter.gpio->failing_set = c.failing;
        auto port = adapter.open();
        ASSERT_TRUE(port) << adapter.error;
        EvalState s = variants::start_state("ksy7100-1");
        actions::HopRun run;
        ASSERT_TRUE(run.start_plain(s, *port, kHop).ok());
        for (int tick = 0; tick < 3 && run.running(); ++tick) run.tick_plain(s, *port, kHop, {});

        // The hop whose transfer failed stops the run; only the hops before reached the board;
        // nothing is tried after the failure.
        EXPECT_EQ(std::tuple(port->failure(), run.running(), adapter.wired.board.words_loaded(), adapter.attempts()),
                  std::tuple(c.failure, false, c.words, c.failing + 1));
        actions::resend_all(s, *port);
        EXPECT_EQ(port->in(boardlink::kStatusRegister), 0xFF);
        port->flush();
        EXPECT_EQ(adapter.attempts(), c.failing + 1);
        EXPECT_EQ(adapter.gpio->gets, 0u);
        EXPECT_EQ(port->failure(), c.failure) << "reported once, as it first was";
    }
}

// A measured hop over the USB adapter, which sends its writes at a flush: the hop's first N word
// has gone out when its lock time starts, not still waiting in the queue.
TEST(AdapterHop, AMeasuredHopsLockTimeStartsOnceItsFirstWordWentOut) {
    struct Clock : actions::RunClock {  // notes the words latched when the run first takes the time
        explicit Clock(const boardlink::SimBoard& board) : board(board) {}
        int64_t now_ns() const override {
            if (!latched_then) latched_then = board.words_loaded();
            return now;
        }
        void sleep_until(int64_t t_ns) override { now = t_ns; }
        int64_t deadline_ns() const override { return now; }
        const boardlink::SimBoard& board;
        mutable std::optional<uint64_t> latched_then;
        int64_t now = 0;
    };
    testing_support::WiredAdapter adapter(boardlink::AdapterKind::UsbBitbang, "LD=D6");
    auto port = adapter.open();
    ASSERT_TRUE(port) << adapter.error;
    Clock clock(adapter.wired.board);
    EvalState s = variants::start_state("ksy7100-1");
    actions::HopRun run;
    run.measure_lock(&clock);
    ASSERT_TRUE(run.start_plain(s, *port, kHop).ok());
    run.tick(0, s, *port, kHop, {});
    EXPECT_EQ(clock.latched_then, 1u);
}
