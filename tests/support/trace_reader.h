#pragma once
// Reads a board-link trace back as a logic analyser would: DATA sampled on each rising edge of
// CLK, a latch word on each rising edge of LE. It also checks the file's form, so a trace cut
// mid-line or with steps out of order is caught rather than decoded.
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct TraceReading {
    std::string problem;            // the first fault of form, empty for a well-formed trace
    std::vector<uint32_t> words;    // latch words, in order
    int status_changes = 0;         // STATUS changes after the initial values
    long link_failed_at = -1;       // the step where LINKFAIL rose, -1 if it never did
    std::vector<std::string> comments;  // texts of the comments after the header
    struct Mark { long time; std::string action; };
    std::vector<Mark> marks;        // the ACTION string's values, in order
    std::vector<long> word_times;   // the time of each latch word's LE edge
    std::vector<long> ld_rises;     // the times the LD signal rose
    long timescale_ns = 0;          // one time step, in ns (0: a unit other than us or ns)
    bool complete = false;          // ends with the closing comment
};

TraceReading read_trace(const std::string& path);

// A path in the temporary directory that no other test process uses.
std::string temp_path(const std::string& name);

}  // namespace testing_support
