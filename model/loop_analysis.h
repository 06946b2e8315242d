#pragma once
// What any set of parts makes of the loop: the open loop's unity-gain crossover, the phase margin
// there, and the closed loop's −3 dB bandwidth.
#include <complex>
#include <optional>

#include "model/loop_filter.h"

struct LoopFigures {
    double crossover_hz = 0;
    double phase_margin_deg = 0;
    double closed_loop_bandwidth_hz = 0;  // where |CL| first falls 3 dB below its DC value of 1
};

// Empty when the parts or the plant make no loop (see parts_problem, plant_problem).
std::optional<LoopFigures> analyse_loop(const LoopParts& parts, const LoopPlant& plant);

// The closed loop CL = (G/N)/(1 + G/N) and the error transfer 1/(1 + G/N) at f Hz.
std::complex<double> closed_loop(const LoopParts& parts, const LoopPlant& plant, double f_hz);
std::complex<double> error_transfer(const LoopParts& parts, const LoopPlant& plant, double f_hz);
