#include "actions/lock_figures.h"

#include <algorithm>

#include "model/loop_defaults.h"
#include "model/loop_plan.h"
#include "model/loop_transient.h"
#include "model/number_format.h"

namespace actions {
namespace {

constexpr const char* kNone = "9.91E37";  // the instrument convention's "no value"
constexpr int32_t kDigitalLockDetect = 1 << 5;  // muxout code 1 at bits 7..5

std::string seconds_text(const std::optional<double>& s) { return s ? numfmt::general(*s) : kNone; }

}  // namespace

LockSummary LockFigures::summary() const {
    LockSummary sum;
    sum.count = hops_.size();
    std::vector<double> locked;
    for (const HopLock& hop : hops_) {
        sum.resolution_s = std::max(sum.resolution_s, hop.resolution_s);
        if (hop.lock_s) locked.push_back(*hop.lock_s);
        else ++sum.not_locked;
    }
    if (locked.empty()) return sum;
    sum.last_s = locked.back();
    std::sort(locked.begin(), locked.end());
    const std::size_t half = locked.size() / 2;
    sum.min_s = locked.front();
    sum.max_s = locked.back();
    sum.median_s = locked.size() % 2 ? locked[half] : (locked[half - 1] + locked[half]) / 2;
    return sum;
}

std::string LockFigures::summary_text() const {
    const LockSummary s = summary();
    return std::to_string(s.count) + "," + seconds_text(s.min_s) + "," + seconds_text(s.median_s) + "," +
           seconds_text(s.max_s) + "," + std::to_string(s.not_locked) + "," + numfmt::general(s.resolution_s);
}

std::string LockFigures::all_text() const {
    std::string text;
    for (const HopLock& hop : hops_) text += (text.empty() ? "" : ",") + seconds_text(hop.lock_s);
    return text;
}

LockDecision lock_measurement(std::optional<bool> asked, bool has_line, int32_t muxout_bits) {
    const bool detecting = muxout_bits == kDigitalLockDetect;
    if (!asked) return {has_line && detecting, {}};
    if (!*asked) return {};
    LockDecision refused;
    if (!has_line)
        refused.refusal = refusal("The lock time cannot be measured: this link has no lock-detect line (see --pins LD=).");
    else if (!detecting)
        refused.refusal = refusal("The lock time cannot be measured: MUXOUT is not set to Digital Lock Detect (MUX 1).");
    else
        return {true, {}};
    refused.refusal->conflict = true;
    return refused;
}

}  // namespace actions

namespace actions {

std::vector<LockFigures::Bin> LockFigures::histogram(int bins, double top_s) const {
    std::vector<Bin> out;
    if (bins < 1 || !(top_s > 0)) return out;
    const double width = top_s / bins;
    for (int i = 0; i < bins; ++i) out.push_back({(i + 0.5) * width, 0});
    for (const HopLock& hop : hops_)
        if (hop.lock_s) ++out[std::size_t(std::clamp(int(*hop.lock_s / width), 0, bins - 1))].count;
    return out;
}

std::optional<double> predicted_lock_detect_s(const EvalState& s, double from_mhz, double to_mhz) {
    const double pfd_hz = s.pfd_freq * 1e3;
    if (!(from_mhz > 0 && to_mhz > 0 && pfd_hz > 0) || !loop_unready(s, to_mhz * 1e6 / pfd_hz).empty())
        return std::nullopt;
    const HopTransient hop({s.loop.parts, s.loop.kvco_mhz_per_v * 1e6, pfd_hz, from_mhz * 1e6, to_mhz * 1e6,
                            {{0, charge_pump_current_a(s)}}});
    return hop.lock_detect_time_s(s.ldp_bits != 0 ? 5 : 3);
}

}  // namespace actions
