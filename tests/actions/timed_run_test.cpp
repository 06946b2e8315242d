#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "actions/hopping.h"
#include "actions/options.h"
#include "actions/sweeping.h"
#include "actions/tick_schedule.h"
#include "actions/timed_run.h"
#include "link/sim_board.h"
#include "model/board_words.h"
#include "model/variants.h"

using actions::TickSchedule;
using actions::TimedRun;

// Deadlines stay on the grid of the start and the period: a tick that wakes late does not move
// the ones after it, and a stall longer than a period drops the deadlines it passed.
TEST(TickSchedule, KeepsAbsoluteDeadlinesCountsLateTicksAndSkipsWhatAStallPassed) {
    constexpr int64_t ms = 1'000'000;
    struct Wake { int64_t at; bool late; uint64_t skipped; int64_t next_due; };
    const struct { const char* what; std::vector<Wake> wakes; } cases[] = {
        {"on time", {{10 * ms, false, 0, 20 * ms}, {20 * ms + 50'000, false, 0, 30 * ms}}},
        {"late by exactly 1 ms is on time", {{11 * ms, false, 0, 20 * ms}}},
        {"late, then back on the grid", {{11 * ms + 1, true, 0, 20 * ms}, {20 * ms, false, 0, 30 * ms}}},
        {"a stall of 3.5 periods", {{10 * ms, false, 0, 20 * ms}, {55 * ms, true, 3, 60 * ms}, {60 * ms, false, 0, 70 * ms}}},
        {"a deadline due as the late tick runs is no burst", {{30 * ms, true, 2, 40 * ms}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TickSchedule schedule(0, 10 * ms);
        EXPECT_EQ(schedule.due_ns(), 10 * ms);
        for (const Wake& w : c.wakes) {
            const auto ran = schedule.ran(w.at);
            EXPECT_EQ(std::tuple(ran.late, ran.skipped, schedule.due_ns()), std::tuple(w.late, w.skipped, w.next_due))
                << "woken at " << w.at;
        }
    }
}

namespace {

// A hop run of the lock-time exerciser between 1750 and 1752 MHz every `ms`: plain, or with "Use CP
// Gain" and "Delay On" after `delay` ms. Driven by the caller, it records the time of each word.
struct HopRig {
    explicit HopRig(const char* ms, const char* delay = "5", bool gain = false) : entries{"1750", "1752", ms, delay} {
        actions::resend_all(state, board);
        switches.delay_on = gain;
        EXPECT_TRUE((gain ? hops.start_with_gain(state, board, entries) : hops.start_plain(state, board, entries)).ok());
    }
    void start(TimedRun& run, TimedRun::Driver driver) {
        const bool record = driver == TimedRun::Driver::Caller;
        run.start(state, board,
                  [this, &run, record](size_t i, EvalState& s, boardlink::Port& p) {
                      const size_t before = board.history().size();
                      auto r = hops.tick(i, s, p, entries, switches);
                      for (size_t k = before; record && k < board.history().size(); ++k)
                          sent.emplace_back(run.clock_ns(), board.history()[k]);
                      return r;
                  },
                  [this] { return hops.timers(); }, driver);
    }
    EvalState state = variants::start_state("ksy7100-1");
    boardlink::SimBoard board;
    actions::HopRun::Entries entries;
    actions::HopRun::Switches switches;
    actions::HopRun hops;
    std::vector<std::pair<int64_t, uint32_t>> sent;  // the time and the word of each latch sent
};

std::vector<uint32_t> words_of(const boardlink::SimBoard& board) { return {board.history().begin(), board.history().end()}; }

}  // namespace

// Stopped at any moment, a run on its thread hands back a state whose words are the ones the
// board holds (the tick in progress is finished first), after the same words, tick by tick, as
// the caller makes them tick by tick.
TEST(TimedRun, StopsBetweenWholeTicksWithTheBoardHoldingTheReturnedStateAndSendsWhatTicksByHandSend) {
    std::mt19937 rng(7);
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        HopRig threaded("1");
        TimedRun run;
        threaded.start(run, TimedRun::Driver::Thread);
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 8000));
        const auto news = run.stop();
        ASSERT_TRUE(news);
        EXPECT_FALSE(run.active());
        for (uint8_t latch : {0, 1, 2})
            EXPECT_EQ(held_word(news->state, latch), std::optional<int32_t>(threaded.board.latches()[latch]))
                << "latch " << int(latch);

        HopRig by_hand("1");
        TimedRun stepped;
        by_hand.start(stepped, TimedRun::Driver::Caller);
        for (unsigned long i = 0; i < news->progress; ++i) stepped.tick_now(0);
        const auto stepped_news = stepped.stop();
        EXPECT_EQ(words_of(by_hand.board), words_of(threaded.board));
        EXPECT_EQ(stepped_news->progress, news->progress);
        EXPECT_EQ(stepped_news->state.n_value, news->state.n_value);
    }
}

// A run that stops itself (the sweep reaches its stop frequency) says so in its news, and
// stopping it then gives its last state.
TEST(TimedRun, ARunThatEndsByItselfSaysSo) {
    EvalState state = variants::start_state("ksy7100-1");
    boardlink::SimBoard board;
    actions::SweepRun sweep;
    ASSERT_TRUE(sweep.start(state, board, {"1750", "1750.6", "200", "1"}).ok());
    TimedRun run;
    run.start(state, board, [&](size_t, EvalState& s, boardlink::Port& p) { return sweep.tick(s, p); },
              [&] { return sweep.timers(); }, TimedRun::Driver::Thread);
    std::optional<actions::RunNews> news;
    for (int i = 0; i < 2000 && !(news && news->ended); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (auto n = run.take()) news = n;
    }
    ASSERT_TRUE(news && news->ended);
    ASSERT_TRUE(news->texts);
    EXPECT_EQ(news->texts->current, "1750.6");
    const auto last = run.stop();
    EXPECT_EQ(board.words_loaded(), 4u) << "from the start frequency to the stop frequency in 200 kHz steps";
    EXPECT_EQ(last->state.n_value, news->state.n_value);
}

// "Use CP Gain" with "Delay On": every hop raises the gain in the N latch it sends and one release
// follows the delay after that hop, on the run's deadline grid, whether the delay divides the
// time between hops or not; a delay not shorter than that time keeps the gain raised.
TEST(TimedRun, TheGainIsHeldForTheDelayAfterEveryHop) {
    constexpr int64_t ms = 1'000'000;
    const struct { const char* period; const char* delay; } cases[] = {
        {"100", "50"}, {"100", "30"}, {"100", "70"}, {"30", "7"}, {"100", "100"}, {"100", "250"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.period) + " ms between hops, delay " + c.delay + " ms");
        const int64_t period = std::stoi(c.period) * ms, delay = std::stoi(c.delay) * ms;
        HopRig rig(c.period, c.delay, true);
        EXPECT_EQ(rig.hops.gain_note(rig.switches).empty(), delay < period) << rig.hops.gain_note(rig.switches);
        TimedRun run;
        rig.start(run, TimedRun::Driver::Caller);
        const int64_t until = 10 * period + period / 2;
        run.advance(until);
        std::vector<std::pair<int64_t, bool>> expected;  // the time of each word and its gain bit
        for (int k = 1; k <= 10; ++k) {
            expected.emplace_back(k * period, true);
            if (delay < period && k * period + delay <= until) expected.emplace_back(k * period + delay, false);
        }
        std::vector<std::pair<int64_t, bool>> got;
        for (const auto& [t, word] : rig.sent) {
            EXPECT_EQ(word & 3, 2u) << "only N latches";
            got.emplace_back(t, (word >> 21) & 1);
        }
        EXPECT_EQ(got, expected);
        run.stop();
    }
}
