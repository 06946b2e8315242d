#pragma once
// Channel tables for firmware that hops: the N word of every channel from a start to a stop
// frequency in channel steps, at the present R and PFD, split as the sweep splits N; with the R
// and control words to send first. Written as a C header or CSV.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "model/eval_state.h"
#include "model/register_export.h"

inline constexpr size_t kMaxChannels = 65536;

struct Channel {
    double mhz;  // what the counters make: N x PFD
    int32_t n, b, a;
    uint32_t word;
};

struct ChannelTable {
    std::vector<Channel> channels;
    uint32_t r_word = 0, control_word = 0;
    double start_mhz = 0, stop_mhz = 0, step_khz = 0;  // the first and the last channel's frequency
};

// The channels start, start + step, ... up to the last one at or below stop. Refused, with the
// reason naming the channel, the step, the start or the stop: a step that is no whole multiple of
// the PFD, a start or stop off the PFD grid, a channel whose counters do not fit or that the
// prescaler cannot make, more than kMaxChannels channels, or no variant.
std::variant<ChannelTable, std::string> channel_table(const EvalState& state, double start_mhz, double stop_mhz,
                                                       double step_khz);

// The table as a C header (ExportFormat::C) or CSV (ExportFormat::Csv); `version` is the tool's.
std::string channel_table_text(const EvalState& state, const ChannelTable& table, ExportFormat format,
                               std::string_view version);
