#include "model/frequency_made.h"

#include "model/number_format.h"
#include "model/variants.h"

int64_t programmed_ratio(int32_t prescaler, int32_t b, int32_t a, bool single_modulus) {
    return single_modulus ? int64_t{b} : int64_t{prescaler} * b + a;
}

int64_t programmed_ratio(const EvalState& s) {
    return programmed_ratio(s.prescaler, s.b_counter, s.a_counter, variants::is_single_modulus(s.device));
}

double pfd_made_khz(double ref_hz, int32_t r) { return numfmt::round_trip(ref_hz / r / 1000); }

double vco_made_mhz(int64_t ratio, double pfd_khz) { return numfmt::round_trip(double(ratio) * pfd_khz / 1000); }

void settle_frequencies(EvalState& s) {
    s.pfd_freq = pfd_made_khz(s.ref_freq, s.r_counter);
    s.vco_freq = vco_made_mhz(programmed_ratio(s), s.pfd_freq);
}
