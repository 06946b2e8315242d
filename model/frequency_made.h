#pragma once
// The frequencies the counters make. The chip divides the reference by R into the PFD frequency
// and locks the VCO at N times it, N = P x B + A (B alone for the variant without dual-modulus
// prescaler). Whatever an action stores, the frequencies the tool shows and reports are these,
// so they are always those of the words it sends; each is kept in the 15-digit form the tool
// uses everywhere, so a state saved and loaded again shows the same figures.
#include <cstdint>

#include "model/eval_state.h"

// N as the counters program it.
int64_t programmed_ratio(int32_t prescaler, int32_t b_counter, int32_t a_counter, bool single_modulus);
int64_t programmed_ratio(const EvalState& state);

// Reference / R in kHz, and N x PFD in MHz.
double pfd_made_khz(double ref_hz, int32_t r_counter);
double vco_made_mhz(int64_t ratio, double pfd_khz);

// Sets pfd_freq and vco_freq to what R, N and the reference make. R must be at least 1.
void settle_frequencies(EvalState& state);
