// The simulated board settles by the loop model: its lock detect rises when the model's detector
// does, for steps, precisions and a fast-lock hop; MUXOUT follows the muxout field; an open loop
// never shows lock.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "actions/command_language.h"
#include "app/board_loop.h"
#include "app/remote_exercisers.h"
#include "link/board_link.h"
#include "model/loop_defaults.h"
#include "model/loop_transient.h"
#include "model/variants.h"

namespace {

using Level = boardlink::SimBoard::Level;

struct Bench {
    EvalState state = variants::start_state("ksy7100-1");
    boardlink::BoardLink link;
    boardlink::SimBoard* board = nullptr;
    int64_t now = 0;
    std::unique_ptr<BoardLoop> loop;
    std::unique_ptr<commands::Interpreter> in;

    // A plan at `pfd_khz` with the loop designed for `fc_hz`, every latch sent at t = 0, and the
    // clock left long after that first lock.
    Bench(double pfd_khz, double fc_hz) {
        auto sim = std::make_unique<boardlink::SimBoard>();
        board = sim.get();
        board->set_clock([this] { return now; });
        link.attach(std::move(sim));
        loop = std::make_unique<BoardLoop>(state, link);
        in = std::make_unique<commands::Interpreter>(state, link, "9.9");
        run("FREQ:REF 10; FREQ:PFD " + std::to_string(pfd_khz) + "; FREQ 1750; CURR2 7,4700; CURR1 3,4700; MUX 1");
        run("LOOP:DES " + std::to_string(fc_hz) + ",50; LATC:SEND ALL");
        now = 50'000'000;
    }
    void run(const std::string& line) {
        for (const auto& reply : in->run_line(line)) ASSERT_FALSE(reply.error) << line << ": " << reply.error->message;
    }
    // The first PFD edge after `from_ns` at which the board's lock detect reads high just after it.
    double first_lock_s(int64_t from_ns) const {
        const double period = 1 / (state.pfd_freq * 1e3);
        for (int k = 0; k < int(HopTransient::kHorizonS / period); ++k) {
            const int64_t t = from_ns + int64_t(std::llround(k * period * 1e9)) + 1;
            if (board->muxout_at(t) == Level::High) return double(t - 1 - from_ns) * 1e-9;
        }
        return INFINITY;
    }
    double pump_a(int code) const {
        EvalState s = state;
        s.cp_gain_bits = 0, s.cs1_bits = code << 14;
        return charge_pump_current_a(s);
    }
    HopTransient model(double from_mhz, double to_mhz, std::vector<PumpCurrentStep> pump) const {
        return HopTransient({state.loop.parts, state.loop.kvco_mhz_per_v * 1e6, state.pfd_freq * 1e3, from_mhz * 1e6,
                             to_mhz * 1e6, std::move(pump)});
    }
};

}  // namespace

// With fast_s, fast lock: the hop's N word raises the current (setting 7) and one fast_s later
// lowers it again; the board's loop runs both currents, as the model does with the same two steps.
TEST(BoardLoop, LockDetectRisesWhereTheModelsDetectorDoes) {
    struct Case { double pfd_khz, fc_hz, to_mhz; bool five; double fast_s = 0; };
    const Case cases[] = {
        {200, 20e3, 1760, false}, {200, 20e3, 1760, true}, {200, 5e3, 1740, false}, {200, 20e3, 1750.2, false},
        {1000, 80e3, 1770, true}, {1000, 80e3, 1745, false}, {200, 5e3, 1760, false, 100e-6},
    };
    for (const Case& c : cases) {
        Bench b(c.pfd_khz, c.fc_hz);
        b.run(c.five ? "SWIT:LDP ON" : "SWIT:LDP OFF");
        b.now += 50'000'000;
        const int64_t hop = b.now;
        std::vector<PumpCurrentStep> pump = {{0, b.pump_a(c.fast_s ? 7 : 3)}};
        if (c.fast_s) pump.push_back({c.fast_s, b.pump_a(3)});
        const auto predicted = b.model(1750, c.to_mhz, pump).lock_detect_time_s(c.five ? 5 : 3);
        b.run((c.fast_s ? "SWIT:CPG ON; FREQ " : "FREQ ") + std::to_string(c.to_mhz));
        b.now += int64_t(c.fast_s * 1e9);
        if (c.fast_s) b.run("SWIT:CPG OFF");
        ASSERT_TRUE(predicted) << c.to_mhz;
        EXPECT_NEAR(b.first_lock_s(hop), *predicted, 0.1 / (c.pfd_khz * 1e3)) << c.pfd_khz << " " << c.to_mhz << " " << c.fast_s;
        EXPECT_NEAR(*b.board->vco_frequency_at(hop + 100'000'000), c.to_mhz * 1e6, 1);
    }
}

TEST(BoardLoop, MuxoutFollowsItsFieldAndAnOpenLoopNeverLocks) {
    struct Case { const char* setting; Level settling, settled; };
    const Case cases[] = {
        {"MUX 0", Level::Floating, Level::Floating}, {"MUX 1", Level::Low, Level::High},
        {"MUX 3", Level::High, Level::High},         {"MUX 5", Level::Low, Level::Floating},
        {"MUX 7", Level::Low, Level::Low},           {"MUX 1; SWIT:TST ON", Level::Low, Level::Low},
        {"MUX 1; PDOW ASYN", Level::Low, Level::Low},
    };
    for (const Case& c : cases) {
        Bench b(200, 20e3);
        b.run(c.setting);
        const int64_t hop = b.now;
        b.run("FREQ 1760");
        b.now = hop + 50'000'000;  // lock detect: floating reads high
        EXPECT_EQ(std::tuple(b.board->muxout_at(hop + 2'000), b.board->muxout_at(b.now), b.board->lock_detect()),
                  std::tuple(c.settling, c.settled, c.settled != Level::Low)) << c.setting;
    }
}

// A hop run on the simulated board, on the run's own clock: the median lock time measured on the
// lock-detect line is the model's lock-detect time within the resolution plus 10 %.
TEST(BoardLoop, HopRunMeasuresTheLockTimeTheModelPredicts) {
    Bench b(200, 20e3);
    RemoteExercisers remote(b.state, b.link, {}, actions::TimedRun::Driver::Caller);
    b.in->hooks().exercisers = &remote;
    b.board->set_clock([&] { return remote.clock_ns(); });
    b.run("FREQ 1740; HOP:STAR 1750,1760,10");
    remote.advance(210'000'000);  // 21 hops
    const auto numbers = [&](const char* query) {
        std::vector<double> values;
        std::istringstream text(b.in->run_line(query).back().answer.value_or(""));
        for (std::string field; std::getline(text, field, ',');) values.push_back(std::strtod(field.c_str(), nullptr));
        return values;
    };
    const auto lock = numbers("HOP:LOCK?");  // count, min, median, max, not locked, resolution
    ASSERT_EQ(lock.size(), 6u);
    EXPECT_EQ(std::tuple(lock[0], lock[4], numbers("HOP:LOCK:ALL?").size()), std::tuple(21.0, 0.0, 21u));
    const double predicted = (numbers("LOOP:LDT? 1750,1760").at(0) + numbers("LOOP:LDT? 1760,1750").at(0)) / 2;
    EXPECT_NEAR(lock[2], predicted, lock[5] + 0.1 * predicted);
    EXPECT_GT(lock[5], 0);

    // Asked for with MUXOUT on anything else: the run is refused, and a plain run is not.
    b.run("HOP:STOP; MUX 3");
    for (const auto& [line, error] : {std::pair{"HOP:STAR 1750,1760,10", 0}, {"HOP:STOP; HOP:LOCK:STAT ON; HOP:STAR 1750,1760,10", -221}}) {
        const auto replies = b.in->run_line(line);
        EXPECT_EQ(replies.back().error ? replies.back().error->code : 0, error) << line;
    }
}
