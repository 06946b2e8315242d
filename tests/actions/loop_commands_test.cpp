// The loop designer's commands: the units they take, the plan, current and noise inputs they
// hand to the loop model, and their refusals (that they send nothing, and a refused one changes
// nothing, is the board-agreement test's).
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "tests/support/command_bench.h"
#include "tests/support/second_order_loop.h"

using namespace commands;

using Bench = testing_support::CommandBench;

// The published third-order worked example of the time-constant method, through the commands: the
// plan gives N = 23200 at 60 kHz, code 7 at 2937.5 ohm gives 4 mA.
TEST(LoopCommands, PublishedDesignThroughTheCommands) {
    Bench b;
    b.run("FREQ:REF 12; FREQ:PFD 60; FREQ 1392; CURR1 7,2937.5; LOOP:KVCO 30; LOOP:ORD 3;"
          "LOOP:DES 2000,47.1,1.136,0.6");
    const std::vector<double> parts = b.numbers("LOOP:COMP?"), published = {6.59e-9, 85.5e-9, 467e-12, 2.58e3, 33.9e3};
    ASSERT_EQ(parts.size(), 5u);
    for (size_t i = 0; i < 5; ++i) EXPECT_NEAR(parts[i], published[i], published[i] * 0.005) << i;
    EXPECT_EQ(b.run("LOOP:ICP?"), std::vector<std::string>{"4"});
    EXPECT_NEAR(b.numbers("LOOP:BWID?").at(0), 2000, 2);
    EXPECT_NEAR(b.numbers("LOOP:PMAR?").at(0), 47.1, 0.05);
}

TEST(LoopCommands, SettingsQueriesAndRefusals) {
    struct Case { const char* line; std::vector<std::string> answers; };
    const Case cases[] = {
        {"LOOP:COMP 1NF,0.01UF,0,1KOHM,0; LOOP:COMP?; LOOP:ORD?", {"1e-09,1e-08,0,1000,0", "2"}},
        {"LOOP:COMP 6.59NF,85.5NF,467PF,2.58KOHM,33.9KOHM; LOOP:ORD?; LOOP:SNAP E12; LOOP:SNAP?; LOOP:COMP?",
         {"3", "E12", "6.8e-09,8.2e-08,4.7e-10,2700,33000"}},
        {"LOOP:COMP 6.59NF,85.5NF,467PF,2.58KOHM,33.9KOHM; LOOP:ORD 2; LOOP:COMP?; LOOP:ORD?",
         {"6.59e-09,8.55e-08,0,2580,0", "2"}},
        {"LOOP:ORD 3; LOOP:BWID?",
         {"-221: order 3 needs its R3 and C3: design the loop or give its parts"}},
        {"LOOP:DES 10KHZ,50,1,0.6", {"-108: T31 applies to order 3 only"}},
        {"LOOP:ORD 4", {"-224: LOOP:ORD takes 2 or 3"}},
        {"LOOP:DES 10KHZ,95", {"-222: a passive type-2 loop's phase margin stays below 90 degrees"}},
        {"LOOP:COMP 1NF,10NF,100PF,1KOHM,0", {"-222: C3 and R3 are both 0 (order 2) or both above 0 (order 3)"}},
        {"LOOP:COMP 1NF,0,0,1KOHM,0", {"-222: C2 must be above 0"}},
        {"LOOP:COMP 1MHZ,10NF,0,1KOHM,0", {"-131: 'MHZ' is no unit of a capacitance"}},
        {"LOOP:KVCO 0", {"-222: The VCO gain must be above 0 MHz/V."}},
        {"LOOP:NOIS:VCO 100KHZ,-115,10KHZ,-90; LOOP:NOIS:VCO?", {"10000,-90,100000,-115"}},
        {"LOOP:NOIS:REF NONE; LOOP:NOIS:REF?", {"NONE"}},
        {"LOOP:NOIS:VCO 1e4,-90,1e4,-100", {"-222: each offset may appear once"}},
        {"LOOP:NOIS:VCO 1e4", {"-109: LOOP:NOISe:VCO takes (offset, level) pairs"}},
        {"LOOP:NOIS:FOM -225; LOOP:NOIS:FLIC -120; LOOP:NOIS:FOM?; LOOP:NOIS:FLIC?", {"-225", "-120"}},
        {"LOOP:JITT? 1MHZ,1KHZ", {"-222: the band must run from above 0 Hz upwards"}},
        {"LOOP:KVCO 99; *RST; LOOP:KVCO?", {"55"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Bench().run(c.line), c.answers) << c.line;
}

// LOOP:LTIM? and LOOP:LDT? of a true second-order loop (C1 = 0) against its closed form: the hop's
// new N, the PFD, the VCO gain and the pump current of the state reach the model in their units.
// The detector's time is the first PFD edge that ends a run of 3 (or, with the precision bit, 5)
// edges inside 15 ns.
TEST(LoopCommands, LockAndLockDetectTimesOfTheLoopInUse) {
    Bench b;  // 200 kHz PFD, 2.5 mA
    b.run("LOOP:KVCO 20");
    const double n = 2410e6 / 200e3, k = 2.5e-3 * 20e6 / n, period = 1 / 200e3;
    const testing_support::SecondOrderLoop loop{0.5, 2 * std::numbers::pi * 5e3, n, -10e6};
    std::ostringstream parts;
    parts.precision(17);
    parts << "LOOP:COMP 0," << loop.c2(k) << ",0," << loop.r2(k) << ",0";
    b.run(parts.str());
    const std::vector<double> lock = b.numbers("LOOP:LTIM? 2400,2410MHZ,1KHZ");  // <s>,LINEAR
    ASSERT_EQ(lock.size(), 2u);
    EXPECT_NEAR(lock[0], loop.lock_time(1e3), loop.lock_time(1e3) * 1e-5);
    EXPECT_TRUE(b.run("LOOP:LTIM? 2400,2410,1e3").at(0).ends_with(",LINEAR"));
    EXPECT_TRUE(b.run("LOOP:LTIM? 1400,2410,1e3").at(0).ends_with(",SLIPS"));
    auto closed_form = [&](int cycles) {
        for (int edge = 1, inside = 0;; ++edge)
            if ((std::abs(loop.phase(edge * period)) < 15e-9 * 2 * std::numbers::pi * 200e3 ? ++inside : inside = 0) == cycles)
                return edge * period;
    };
    for (const bool five : {false, true}) {
        b.run(five ? "SWIT:LDP ON" : "SWIT:LDP OFF");
        EXPECT_NEAR(b.numbers("LOOP:LDT? 2400,2410MHZ").at(0), closed_form(five ? 5 : 3), 0.5 * period) << five;
    }
    EXPECT_EQ(b.run("LOOP:LDT? 0,2410"), std::vector<std::string>{"-222: both frequencies must be above 0"});
    b.run("LOOP:COMP 0,1,0,1,0");  // a loop of a few hertz: it does not settle within 100 ms
    EXPECT_EQ(b.run("LOOP:LTIM? 2410.001,2410,1; LOOP:LDT? 2400,2410"), (std::vector<std::string>{"9.91E37,LINEAR", "9.91E37"}));
}

// Deep inside the loop the phase noise is the synthesizer's floor FOM + 10·log10(fPFD) + 20·log10(N)
// and the reference's points + 20·log10(N/R), the plan's N = 12000, R = 50, fPFD = 200 kHz.
TEST(LoopCommands, PhaseNoiseOfThePlanInUse) {
    Bench b;
    b.run("LOOP:DES 20KHZ,50; LOOP:NOIS:FOM -231; LOOP:NOIS:FLIC -300; LOOP:NOIS:VCO NONE; LOOP:NOIS:REF 10HZ,-150");
    const double floor = -231 + 10 * std::log10(200e3) + 20 * std::log10(12000.0);
    const double reference = -150 + 20 * std::log10(12000.0 / 50);
    const double total = 10 * std::log10(std::pow(10.0, floor / 10) + std::pow(10.0, reference / 10));
    EXPECT_NEAR(b.numbers("LOOP:NOIS? 10").at(0), total, 0.01);
    const double jitter = b.numbers("LOOP:JITT? 1KHZ,10MHZ").at(0);
    EXPECT_GT(jitter, 0);
    EXPECT_LT(jitter, 1e-9);
}
