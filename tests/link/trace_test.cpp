#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "link/latch_protocol.h"
#include "link/readback.h"
#include "link/sim_board.h"
#include "link/trace.h"
#include "tests/link/adapter_rig.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/recording_port.h"
#include "tests/support/trace_reader.h"

using boardlink::kDataRegister;
using boardlink::Port;
using boardlink::SimBoard;
using boardlink::TracePort;
using testing_support::read_trace;
using testing_support::temp_path;

namespace {

// The R, control and N words of a start-up plan, in the order a main-window toggle loads them.
constexpr uint32_t kLoad[3] = {0x0000C9, 0x8FF108, 0x017702};
constexpr size_t kAccessesPerWord = 1 + 3 * 24 + 3;

// One latch write as the model makes it: the word, the latch-enable pulse, the end of the transfer.
void write_word(Port& port, uint32_t word) {
    testing_support::load_word(port, word);
    port.flush();
}

std::unique_ptr<TracePort> traced(std::unique_ptr<Port> inner, const std::string& path) {
    std::string error;
    auto trace = TracePort::create(std::move(inner), path, error);
    EXPECT_TRUE(trace) << error;
    return trace;
}

// The load sequence written through a trace of `inner`, whose board at the far end is `board`.
struct Loaded { testing_support::TraceReading trace; std::vector<uint32_t> latched; };
Loaded load_traced(std::unique_ptr<Port> inner, const SimBoard& board) {
    const std::string path = temp_path("load.vcd");
    {
        auto trace = traced(std::move(inner), path);
        for (uint32_t word : kLoad) write_word(*trace, word);
    }
    return {read_trace(path), {board.history().begin(), board.history().end()}};
}

}  // namespace

// The signals' names are the decoder test's to check; that the board behind a trace latches what
// it shows and that a trace closed is complete, the failing-link and adapter traces'.
TEST(Trace, ReadsBackTheLatchWordsAndTheStatusLine) {
    const std::string path = temp_path("words.vcd");
    {
        auto trace = traced(std::make_unique<SimBoard>(), path);
        for (uint32_t word : kLoad) write_word(*trace, word);
        // Read while the trace is still open, as after a crash right after the last transfer.
        const auto open = read_trace(path);
        EXPECT_EQ(std::tuple(open.problem, open.words, open.complete), std::tuple("", std::vector<uint32_t>(kLoad, kLoad + 3), false));
    }

    // STATUS shows the converter's data bit (status bit 4) as each read found it: 1010 0101 read
    // is a first level and six changes.
    {
        auto port = std::make_unique<testing_support::RecordingPort>();
        port->status = testing_support::serve_bits(testing_support::bits_of(0xA5, 8), 0);
        auto trace = traced(std::move(port), path);
        EXPECT_EQ(boardlink::readback_read(*trace, kDataRegister, kDataRegister, 8), 0xA5u);
    }
    EXPECT_EQ(read_trace(path).status_changes, 1 + 6);
}

// Lock detect on a GPIO line: its edges as the kernel stamped them and each latch load stamped on
// the same clock, so a trace shows each edge at its stamp however late the tool took it (the
// lock time runs from the LE edge to it), its reads once stamped adding nothing. LD as read,
// unstamped: the decoder test finds its rises.
TEST(Trace, ShowsAStampedLockDetectEdgeAtItsStamp) {
    testing_support::WiredAdapter adapter(boardlink::AdapterKind::Gpio, "CLK=5,DATA=6,LE=13,LD=19");
    const std::string path = temp_path("ld.vcd");
    {
        auto trace = traced(adapter.open(), path);
        EXPECT_FALSE(trace->latched_at_ns());
        write_word(*trace, 0x8FF100);  // control: MUXOUT three-state, the line floats high
        EXPECT_EQ(trace->lock_detect(), true);
        write_word(*trace, 0xE0);  // MUXOUT to DGnd
        EXPECT_EQ(trace->lock_detect(), false);
        ASSERT_TRUE(trace->latched_at_ns());
        adapter.gpio->edges = {{*trace->latched_at_ns() + 40'000'000, true}};  // 40 ms after the LE edge
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::vector<boardlink::LockEdge> edges{{1, false}};  // what the caller had: kept
        int64_t resolution = 0;
        ASSERT_TRUE(trace->lock_edges(edges, resolution));
        EXPECT_TRUE(trace->lock_edges(edges, resolution));
        EXPECT_EQ(std::tuple(edges.size(), edges[0].at_ns, resolution >= 1), std::tuple(2u, 1, true)) << "each edge once";
        EXPECT_EQ(trace->lock_detect(), false);
    }
    const auto r = read_trace(path);
    ASSERT_EQ(std::tuple(r.problem, r.ld_rises.size()), std::tuple("", 2u));
    EXPECT_NEAR(double(r.ld_rises[1] - r.word_times.back()), 40'000, 1'000);  // µs steps
}

// LINKFAIL rises after the last word that latched, and ACTION carries the cause, blanks made
// underscores; a word latches as LE rises, one access before its end.
TEST(TraceOfAFailingLink, ShowsExactlyTheWordsTheBoardLatchedAndWhereTheLinkFailed) {
    const size_t total = 3 * kAccessesPerWord;
    auto expect_trace = [&](const Loaded& l, size_t good, std::string cause) {  // good: accesses that reached the board
        ASSERT_EQ(std::tuple(l.trace.problem, l.trace.complete), std::tuple("", true));
        EXPECT_EQ(l.latched, std::vector<uint32_t>(kLoad, kLoad + (good + 1) / kAccessesPerWord));
        EXPECT_EQ(l.trace.words, l.latched);
        EXPECT_EQ(l.trace.comments, std::vector<std::string>{"end of trace"});
        EXPECT_EQ(l.trace.link_failed_at >= 0, good < total);
        if (good == total) return;
        EXPECT_TRUE(l.trace.word_times.empty() || l.trace.link_failed_at > l.trace.word_times.back());
        std::replace(cause.begin(), cause.end(), ' ', '_');
        ASSERT_FALSE(l.trace.marks.empty());
        EXPECT_EQ(std::tuple(l.trace.marks.back().action, l.trace.marks.back().time),
                  std::tuple("LinkFailed:" + cause, l.trace.link_failed_at));
    };
    // A backend that writes each access at once, its cable breaking at every access in turn.
    for (size_t good = 0; good <= total; ++good) {
        SCOPED_TRACE("failing at access " + std::to_string(good));
        SimBoard board;
        expect_trace(load_traced(std::make_unique<testing_support::FaultInjectingPort>(board, good, "adapter unplugged"), board),
                     good, "adapter unplugged");
    }
    // A USB adapter sends at flush(): the trace holds the transfers that went out, none after.
    for (size_t failing = 1; failing <= 4; ++failing) {  // transfer 0 puts the lines at idle
        SCOPED_TRACE("failing transfer " + std::to_string(failing));
        testing_support::WiredAdapter adapter(boardlink::AdapterKind::UsbBitbang, "CLK=D0");
        adapter.ftdi->failing_transfer = failing;
        expect_trace(load_traced(adapter.open(), adapter.wired.board), (failing - 1) * kAccessesPerWord,
                     "USB adapter: sending to the adapter failed: the adapter was unplugged or stopped answering "
                     "(LIBUSB_ERROR_NO_DEVICE)");
    }
}

// The trace cut at a transfer's end: well formed, a prefix of the words, no more than one
// transfer's worth short of the limit; the link goes on.
TEST(TraceWriteFailure, CutsBackToTheLastWholeTransferStopsAndLeavesTheLinkWorking) {
    // A file that cannot take its header is refused with its name and cause (one that cannot be
    // opened: the command-line tests).
    std::string refused;
    EXPECT_EQ(TracePort::create(std::make_unique<SimBoard>(), "/dev/full", refused), nullptr);
    EXPECT_EQ(refused.rfind("Writing the trace file /dev/full failed: No space left on device", 0), 0u) << refused;
    const std::vector<uint32_t> words = {0x123400, 0x124512, 0x125624, 0x126736, 0x127844, 0x128956};
    // The header's size and the largest transfer of an uncut run. Time stamps are real, so sizes
    // vary by a few digits from run to run: `slack` covers that.
    const std::string path = temp_path("sizes.vcd");
    uint64_t header = 0, largest = 0;
    {
        auto trace = traced(std::make_unique<SimBoard>(), path);
        uint64_t before = header = std::filesystem::file_size(path);
        for (uint32_t w : words) {
            write_word(*trace, w);
            largest = std::max(largest, std::filesystem::file_size(path) - before);
            before = std::filesystem::file_size(path);
        }
    }
    const uint64_t full = std::filesystem::file_size(path), slack = 16;
    // A limit below the header fails creation, as a full disk does (above).
    for (uint64_t limit = header + slack; limit <= full + 2 * slack; limit += 29) {
        SCOPED_TRACE("file size limit " + std::to_string(limit));
        std::string error;
        {
            testing_support::FileSizeLimit guard(limit);
            ASSERT_TRUE(guard.ok());
            auto trace = traced(std::make_unique<SimBoard>(), path);
            ASSERT_TRUE(trace);
            for (uint32_t w : words) write_word(*trace, w);
            EXPECT_EQ(static_cast<SimBoard&>(trace->inner()).words_loaded(), words.size()) << "the link goes on";
            trace->finish();
            error = trace->trace_error();
        }
        const uint64_t size = std::filesystem::file_size(path);
        const auto r = read_trace(path);
        EXPECT_EQ(r.problem, "");
        ASSERT_LE(r.words.size(), words.size());
        EXPECT_EQ(r.words, std::vector<uint32_t>(words.begin(), words.begin() + r.words.size()));
        EXPECT_LE(size, limit);
        EXPECT_EQ(error, r.complete ? "" : "Writing the trace file " + path + " failed: File too large");
        if (r.complete) EXPECT_EQ(r.words.size(), words.size());
        else EXPECT_GT(size + largest + slack, limit) << "cut back further than its last whole transfer";
        EXPECT_TRUE(r.complete || limit < full + slack);
    }
}
