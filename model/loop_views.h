#pragma once
// What the loop designer's window draws and says: the open loop's gain and phase, the phase noise
// with each contribution, the lock transient of a step, the figures each set of parts achieves,
// and the key figures of each plot in words for a screen reader.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/eval_state.h"
#include "model/loop_analysis.h"
#include "model/loop_noise.h"

// A frequency step for the lock time, and the band the RMS jitter is integrated over.
struct LoopQuestions {
    double from_mhz = 0, to_mhz = 0;
    double tolerance_hz = 1000;
    double jitter_from_hz = 1e3, jitter_to_hz = 1e6;
};

// What one set of parts achieves on the present plan; empty figures where it makes no loop.
struct Achieved {
    std::optional<LoopFigures> figures;
    std::optional<double> lock_time_s;  // empty: not settled within the simulation's horizon
    bool cycle_slips = false;
    std::optional<double> jitter_s;
};
Achieved achieved(const EvalState& state, const LoopParts& parts, const LoopQuestions& questions);

struct OpenLoopCurves {
    std::vector<double> f_hz, gain_db, phase_deg;
};
// From a hundredth of the crossover to a hundred times it (at most half the PFD), log-spaced.
OpenLoopCurves open_loop_curves(const LoopParts& parts, const LoopPlant& plant, double crossover_hz, int points);

struct NoiseCurves {
    std::vector<double> offset_hz;
    std::vector<PhaseNoise> at;
};
// From 100 Hz to half the PFD (at least a decade), log-spaced.
NoiseCurves noise_curves(const NoiseInputs& inputs, int points);

struct TransientCurve {
    std::vector<double> t_s, error_hz;  // the VCO frequency less the frequency aimed at
    std::optional<double> lock_time_s;
    bool cycle_slips = false;
};
// The step of `questions` with the parts in use, up to a little past the lock time (or 100 ms).
TransientCurve transient_curve(const EvalState& state, const LoopQuestions& questions, int points);

// The key figures of each plot in words.
std::string describe_open_loop(const std::optional<LoopFigures>& figures);
std::string describe_noise(const NoiseCurves& curves, const Achieved& in_use, const LoopQuestions& questions);
std::string describe_transient(const TransientCurve& curve, const LoopQuestions& questions);

// "12.3 kHz", "4.56 us": three significant digits and an engineering prefix.
std::string engineering(double value, const char* unit);

// Noise points as the window shows and takes them: "10000, -90; 100000, -115" (offset in Hz, a
// level in dBc/Hz, pairs separated by ";"); an empty text is no points. Empty result: not such a
// text.
std::optional<NoiseProfile> parse_noise_points(std::string_view text);
std::string noise_points_text(const NoiseProfile& points);

// A part's value as typed: a number with an optional engineering prefix and unit ("6.8n",
// "6.8 nF", "2.2k", "2200", "4.7e-9"). Empty when it is none.
std::optional<double> parse_part_value(std::string_view text);
