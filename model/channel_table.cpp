#include "model/channel_table.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <tuple>

#include "model/exerciser_plan.h"
#include "model/frequency_made.h"
#include "model/latch.h"
#include "model/number_format.h"
#include "model/variants.h"

std::variant<ChannelTable, std::string> channel_table(const EvalState& s, double start_mhz, double stop_mhz,
                                                       double step_khz) {
    if (!variants::is_family_variant(s.device)) return std::string("a channel table needs one of the nine variants");
    if (!(step_khz > 0) || !std::isfinite(step_khz) || !std::isfinite(start_mhz) || !std::isfinite(stop_mhz))
        return std::string("the channel step must be above 0 kHz, and the start and stop frequencies numbers");
    if (!(s.pfd_freq > 0)) return std::string("the PFD frequency is not set");
    // Whole as the decimal numbers define it: 400 kHz over 200 kHz is 2.
    const double channels_per_step = numfmt::round_trip(step_khz / s.pfd_freq);
    if (channels_per_step < 1 || channels_per_step != std::floor(channels_per_step))
        return "the channel step of " + numfmt::general(step_khz) + " kHz is not a whole multiple of the PFD frequency of " +
               numfmt::general(s.pfd_freq) + " kHz";
    // Every channel on the PFD grid, so each row's words make the frequency the row names: a start
    // off the grid would have each channel rounded to its nearest N, some of them twice.
    auto grid_n = [&](double mhz) -> std::optional<double> {
        const double n = numfmt::round_trip(mhz * 1000 / s.pfd_freq);
        if (n != std::floor(n)) return std::nullopt;
        return n;
    };
    const auto first_n = grid_n(start_mhz);
    const auto last_n = grid_n(stop_mhz);
    for (const auto& [n, what, mhz] : {std::tuple(first_n, "start", start_mhz), std::tuple(last_n, "stop", stop_mhz)})
        if (!n)
            return std::string("the ") + what + " frequency of " + numfmt::general(mhz) +
                   " MHz is not on the grid of the PFD frequency of " + numfmt::general(s.pfd_freq) +
                   " kHz: enter a whole multiple of it";
    const double count = std::floor((*last_n - *first_n) / channels_per_step) + 1;
    if (count < 1) return std::string("the stop frequency is below the start frequency");
    if (count > double(kMaxChannels))
        return "the table would hold " + numfmt::general(count) + " channels; it holds at most " +
               std::to_string(kMaxChannels);

    ChannelTable t;
    t.step_khz = step_khz;
    t.channels.reserve(size_t(count));
    EvalState at = s;
    for (size_t i = 0; i < size_t(count); ++i) {
        const double n = *first_n + double(i) * channels_per_step;
        auto counters = exerciser::counters_for(n, s.prescaler);  // the sweep's split
        if (!counters)
            return "channel " + std::to_string(i) + " at " + numfmt::general(vco_made_mhz(int64_t(n), s.pfd_freq)) +
                   " MHz: " + counters.problem->message;
        at.n_value = counters->n, at.b_counter = counters->b, at.a_counter = counters->a;
        t.channels.push_back({vco_made_mhz(counters->n, s.pfd_freq), counters->n, counters->b, counters->a,
                              uint32_t(assemble_latch(at, kNLatch))});
    }
    t.start_mhz = t.channels.front().mhz, t.stop_mhz = t.channels.back().mhz;
    t.r_word = uint32_t(assemble_latch(s, kRLatch));
    t.control_word = uint32_t(assemble_latch(s, kControlLatch));
    return t;
}

std::string channel_table_text(const EvalState& s, const ChannelTable& t, ExportFormat format, std::string_view version) {
    std::string text;
    if (format == ExportFormat::Csv) {
        text = "channel,mhz,n,b,a,word\n";
        text.reserve(t.channels.size() * 40);
        for (size_t i = 0; i < t.channels.size(); ++i) {
            const Channel& c = t.channels[i];
            text += std::to_string(i) + "," + numfmt::general(c.mhz) + "," + std::to_string(c.n) + "," +
                    std::to_string(c.b) + "," + std::to_string(c.a) + "," + numfmt::word_hex(c.word) + "\n";
        }
        return text;
    }
    text = "/* KSY7100 channel table: " + std::to_string(t.channels.size()) + " channels from " +
           numfmt::general(t.start_mhz) + " MHz to " + numfmt::general(t.stop_mhz) + " MHz in steps of " +
           numfmt::general(t.step_khz) + " kHz, PFD " +
           numfmt::general(s.pfd_freq) + " kHz, variant " + variants::display_name(s.device) +
           ".\n * Send the R and control words first, then one N word a channel.\n"
           " * Written by the KSY7100 evaluation tool " + std::string(version) + ". */\n"
           "#ifndef KSY7100_CHANNELS_H\n#define KSY7100_CHANNELS_H\n\n#include <stdint.h>\n\n"
           "#define KSY7100_CHANNELS_R_LATCH " + numfmt::word_hex(t.r_word) + "u\n#define KSY7100_CHANNELS_CONTROL_LATCH " +
           numfmt::word_hex(t.control_word) +
           "u\n#define KSY7100_CHANNEL_COUNT " + std::to_string(t.channels.size()) +
           "u\n\nstatic const uint32_t ksy7100_channel_n_words[KSY7100_CHANNEL_COUNT] = {\n";
    text.reserve(text.size() + t.channels.size() * 10);
    for (size_t i = 0; i < t.channels.size(); ++i)
        text += std::string(i % 8 == 0 ? "    " : " ") + numfmt::word_hex(t.channels[i].word) + "u" +
                (i + 1 < t.channels.size() ? "," : "") + (i % 8 == 7 || i + 1 == t.channels.size() ? "\n" : "");
    return text + "};\n\n#endif /* KSY7100_CHANNELS_H */\n";
}
