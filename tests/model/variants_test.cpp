#include <gtest/gtest.h>

#include "model/frequency_made.h"
#include "model/variants.h"

// Every variant's counters make the frequency it shows; no variant marked (nullopt) loads only the
// common values, and a variant without power levels (KSY7100-5) keeps the ones it had.
TEST(Variants, DefaultsOfEachVariant) {
    for (auto name : variants::kNames) {
        const EvalState s = variants::start_state(name);
        EXPECT_EQ(vco_made_mhz(programmed_ratio(s), pfd_made_khz(s.ref_freq, s.r_counter)), s.vco_freq) << name;
    }
    for (const auto& [device, name, vco] : {std::tuple<std::optional<std::string>, std::string, double>{"ksy7100-5", "ksy7100-5", 1400},
                                            {std::nullopt, "", 900}}) {
        const EvalState s = variants::start_state(device);
        EXPECT_EQ(std::tuple(s.device, s.vco_freq, s.output_power, s.core_power, s.prescaler_bits, s.pfd_freq, s.r_counter),
                  std::tuple(name, vco, 0, 0, 8388608, 200.0, 50));
        // Reference, set resistor, charge-pump polarity and currents, and ports: the same for all.
        EXPECT_EQ(std::tuple(s.ref_freq, s.rset, s.rset_ohms, s.pd_polarity_bits, s.cs1_bits, s.cs2_bits, s.data_port, s.readback_port),
                  std::tuple(10'000'000.0, 4700.0, 4700, 256, 114688, 917504, 888, 888));
    }
}
