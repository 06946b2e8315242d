// The lock measurement of one hop on a scripted lock-detect line and a clock of the test's own:
// the last rise before the next hop, the resolution of the reads around it, a hop not locked;
// then the run's figures and when a run measures at all.
#include <gtest/gtest.h>

#include "actions/lock_figures.h"
#include "actions/lock_watch.h"

using namespace actions;

namespace {

struct ScriptClock : RunClock {
    int64_t now = 0;
    int64_t now_ns() const override { return now; }
    void sleep_until(int64_t t_ns) override { now = std::max(now, t_ns); }
    int64_t deadline_ns() const override { return 0; }
};

// A line that toggles at the given times (it starts low); a stamped one also gives each toggle
// as an edge stamped to the ns once its time has come.
struct ScriptLine : boardlink::Port {
    const ScriptClock& clock;
    std::vector<int64_t> toggles;
    bool stamped = false;
    int reads = 0;
    size_t edges_given = 0;
    ScriptLine(const ScriptClock& c, std::vector<int64_t> t, bool s = false) : clock(c), toggles(std::move(t)), stamped(s) {}
    void out(uint16_t, uint8_t) override {}
    uint8_t in(uint16_t) override { return 0xFF; }
    std::string name() const override { return "script"; }
    std::optional<bool> lock_detect() override {
        ++reads;
        return std::count_if(toggles.begin(), toggles.end(), [&](int64_t t) { return t <= clock.now; }) % 2 == 1;
    }
    bool lock_edges(std::vector<boardlink::LockEdge>& edges, int64_t& resolution_ns) override {
        if (!stamped) return false;
        for (; edges_given < toggles.size() && toggles[edges_given] <= clock.now; ++edges_given)
            edges.push_back({toggles[edges_given], edges_given % 2 == 0});
        resolution_ns = 1;
        return true;
    }
};

}  // namespace

TEST(LockWatch, LastRiseBeforeTheNextHopWithTheReadsAroundIt) {
    constexpr int64_t us = 1000, hop = 7 * us;  // the hop's LE edge; the next hop 2 ms later
    struct Case { std::vector<int64_t> toggles; bool stamped; std::optional<double> lock_s; double resolution_s; };
    const Case cases[] = {
        {{hop + 32 * us}, false, 35e-6, 5e-6},                              // read at +30 us low, +35 us high
        {{hop + 20 * us, hop + 41 * us, hop + 100 * us}, false, 100e-6, 5e-6},  // rang out once: the last rise
        {{hop + 20 * us, hop + 500 * us}, false, std::nullopt, 5e-6},      // fell again, low at the next hop
        {{}, false, std::nullopt, 5e-6},                                    // never locked
        // Edges the kernel stamped: each at its stamp, whatever the reads around it.
        {{hop + 32 * us + 123}, true, 32.123e-6, 1e-9},
        {{hop - 3 * us, hop + 20 * us, hop + 41 * us, hop + 60 * us, hop + 100 * us + 7}, true, 100.007e-6, 1e-9},  // the previous hop's rise left out
        {{hop + 20 * us, hop + 500 * us}, true, std::nullopt, 1e-9},
    };
    for (const Case& c : cases) {
        ScriptClock clock;
        clock.now = hop;
        ScriptLine line(clock, c.toggles, c.stamped);
        LockWatch watch;
        watch.begin(hop);
        std::optional<HopLock> figure = watch.watch(line, clock, hop + 2'000 * us - 100 * us);
        if (!figure) figure = watch.conclude();  // the next hop decides it as it stands
        ASSERT_TRUE(figure);
        EXPECT_EQ(figure->lock_s.has_value(), c.lock_s.has_value()) << c.toggles.size() << " stamped " << c.stamped;
        EXPECT_NEAR(figure->lock_s.value_or(0), c.lock_s.value_or(0), 1e-12);
        EXPECT_NEAR(figure->resolution_s, c.resolution_s, 1e-12);
        EXPECT_LE(clock.now, hop + 2'000 * us - 100 * us);  // the next tick stays on time
        EXPECT_LE(line.reads, 2'000 / 5 + 1);               // one read per poll period at most
    }
    // Held high for the hold time: decided without waiting for the next hop.
    ScriptClock clock;
    ScriptLine line(clock, {50 * us});
    LockWatch watch;
    watch.begin(0);
    const auto figure = watch.watch(line, clock, 10'000'000 * us);
    ASSERT_TRUE(figure && figure->lock_s);
    EXPECT_EQ(clock.now, 50 * us + LockWatch::kHoldNs);
}

TEST(LockFigures, SummaryAndEveryHop) {
    LockFigures figures;
    EXPECT_EQ(figures.summary_text(), "0,9.91E37,9.91E37,9.91E37,0,0");
    for (const HopLock& hop : {HopLock{40e-6, 5e-6}, HopLock{std::nullopt, 5e-6}, HopLock{20e-6, 6e-6},
                               HopLock{30e-6, 5e-6}, HopLock{10e-6, 5e-6}})
        figures.add(hop);
    EXPECT_EQ(figures.summary_text(), "5,1e-05,2.5e-05,4e-05,1,6e-06");
    EXPECT_EQ(figures.all_text(), "4e-05,9.91E37,2e-05,3e-05,1e-05");
}

TEST(LockFigures, ARunMeasuresWhereItCanAndRefusesWhereAskedButCannot) {
    constexpr int32_t kLockDetect = 32, kThreeState = 0;
    struct Case { std::optional<bool> asked; bool line; int32_t muxout; bool measure, refused; };
    const Case cases[] = {
        {std::nullopt, true, kLockDetect, true, false}, {std::nullopt, false, kLockDetect, false, false},
        {std::nullopt, true, kThreeState, false, false}, {true, true, kLockDetect, true, false},
        {true, false, kLockDetect, false, true},         {true, true, kThreeState, false, true},
        {false, true, kLockDetect, false, false},
    };
    for (const Case& c : cases) {
        const LockDecision d = lock_measurement(c.asked, c.line, c.muxout);
        EXPECT_EQ(std::tuple(d.measure, d.refusal.has_value(), d.refusal && d.refusal->conflict),
                  std::tuple(c.measure, c.refused, c.refused));
    }
}
