#include "model/loop_defaults.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "model/loop_design.h"

namespace {

// Starting values for an integrated-VCO synthesizer of each band, to be replaced with the user's
// own part data: the VCO gain grows with the band (tens of MHz/V, a few % of the frequency per
// volt); one PLL core, so one normalised floor (−220 dBc/Hz) and flicker level (−115 dBc/Hz at
// 10 kHz from 1 GHz); the VCO's free-running noise of a 2 GHz integrated oscillator (−90, −115,
// −135 dBc/Hz at 10 kHz, 100 kHz, 1 MHz) moved by 20·log10(f / 2 GHz), as an oscillator's phase
// noise scales with its frequency at equal quality.
struct Row {
    std::string_view device;
    double vco_mhz;  // the band's default frequency, as variants.cpp starts it
    double kvco_mhz_per_v;
};
constexpr std::array<Row, 9> kRows = {{
    {"ksy7100-0", 2500, 55}, {"ksy7100-1", 2400, 55}, {"ksy7100-2", 2100, 50},
    {"ksy7100-3", 1900, 45}, {"ksy7100-4", 1600, 40}, {"ksy7100-5", 1400, 35},
    {"ksy7100-6", 1200, 30}, {"ksy7100-7", 900, 25},  {"ksy7100-8", 120, 10},
}};
constexpr std::string_view kMidBand = "ksy7100-4";

constexpr double kFom = -220;
constexpr double kFlicker = -115;
constexpr double kCurrentStepA = 0.3125e-3;  // per code step at the reference set resistor
constexpr double kReferenceRset = 4700;

}  // namespace

VariantLoopDefaults loop_defaults(std::string_view device) {
    auto row = std::find_if(kRows.begin(), kRows.end(), [&](const Row& r) { return r.device == device; });
    if (row == kRows.end())
        row = std::find_if(kRows.begin(), kRows.end(), [](const Row& r) { return r.device == kMidBand; });
    const double shift = 20 * std::log10(row->vco_mhz / 2000);
    return {row->kvco_mhz_per_v, kFom, kFlicker, {{1e4, -90 + shift}, {1e5, -115 + shift}, {1e6, -135 + shift}}};
}

double charge_pump_current_a(const EvalState& s) {
    if (!(s.rset > 0)) return 0;
    const int code = s.cp_gain_bits != 0 ? (s.cs2_bits >> 17) & 7 : (s.cs1_bits >> 14) & 7;
    return (code + 1) * kCurrentStepA * kReferenceRset / s.rset;
}

LoopSettings start_loop_settings(const EvalState& s) {
    const VariantLoopDefaults d = loop_defaults(s.device);
    LoopSettings loop;
    loop.kvco_mhz_per_v = d.kvco_mhz_per_v;
    loop.fom_dbc_hz = d.fom_dbc_hz;
    loop.flicker_dbc_hz = d.flicker_dbc_hz;
    loop.vco_points = d.vco_points;
    const double pfd_hz = s.pfd_freq * 1e3;
    loop.fc_hz = std::min(10e3, pfd_hz / 10);
    loop.phase_margin_deg = 50;
    const double n = pfd_hz > 0 ? s.vco_freq * 1e6 / pfd_hz : 0;
    const LoopPlant plant{charge_pump_current_a(s), loop.kvco_mhz_per_v * 1e6, n, pfd_hz};
    const Designed designed = design_loop({2, loop.fc_hz, loop.phase_margin_deg, loop.gamma, loop.t31}, plant);
    if (designed.parts) loop.parts = *designed.parts;
    return loop;
}
