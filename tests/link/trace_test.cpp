#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "link/latch_protocol.h"
#include "link/readback.h"
#include "link/sim_board.h"
#include "link/trace.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/recording_port.h"
#include "tests/support/trace_reader.h"

using boardlink::kDataRegister;
using boardlink::Port;
using boardlink::SimBoard;
using boardlink::TracePort;
using testing_support::FileSizeLimit;
using testing_support::read_trace;

namespace {

// The R, control and N words of a start-up plan, in the order a main-window toggle loads them.
constexpr uint32_t kLoad[3] = {0x0000C9, 0x8FF108, 0x017702};
constexpr size_t kAccessesPerWord = 1 + 3 * 24 + 3;

std::string temp_path(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("ksy_" + std::to_string(::getpid()) + "_" + name)).string();
}

// One latch write as the model makes it: the word, the latch-enable pulse, the end of the transfer.
void write_word(Port& port, uint32_t word) {
    boardlink::shift_word(port, kDataRegister, word, 24);
    boardlink::pulse_le(port, kDataRegister);
    port.flush();
}

std::unique_ptr<TracePort> traced(std::unique_ptr<Port> inner, const std::string& path) {
    std::string error;
    auto trace = TracePort::create(std::move(inner), path, error);
    EXPECT_TRUE(trace) << error;
    return trace;
}

// A simulated board behind a cable that breaks after `good` accesses; owned as one port.
class BreakingBoard : public Port {
public:
    BreakingBoard(size_t good, std::string reason) : cable(board, good, std::move(reason)) {}
    void out(uint16_t a, uint8_t v) override { cable.out(a, v); }
    uint8_t in(uint16_t a) override { return cable.in(a); }
    std::string name() const override { return "breaking board"; }
    std::string failure() const override { return cable.failure(); }
    SimBoard board;
    testing_support::FaultInjectingPort cable;
};

// An adapter that queues writes and sends them at flush(), as a USB adapter does. The flush
// numbered `failing` (from 0) is lost, and the adapter stays down from then on.
class BatchingAdapter : public Port {
public:
    explicit BatchingAdapter(int failing) : failing_(failing) {}
    void out(uint16_t a, uint8_t v) override {
        if (!failed_) queue_.push_back({a, v});
    }
    uint8_t in(uint16_t a) override {
        send();
        return failed_ ? 0xFF : board.in(a);
    }
    void flush() override { send(); }
    bool sends_at_flush() const override { return true; }
    std::string name() const override { return "batching adapter"; }
    std::string failure() const override { return failed_ ? "the adapter stopped answering" : ""; }
    SimBoard board;

private:
    void send() {
        if (failed_) return;
        if (flushes_++ == failing_) failed_ = true;
        for (auto [a, v] : queue_)
            if (!failed_) board.out(a, v);
        queue_.clear();
    }
    std::vector<std::pair<uint16_t, uint8_t>> queue_;
    int failing_, flushes_ = 0;
    bool failed_ = false;
};

}  // namespace

TEST(Trace, AnUntouchedTraceIsCompleteAndNamesItsSignals) {
    std::string path = temp_path("empty.vcd");
    traced(std::make_unique<SimBoard>(), path).reset();
    auto r = read_trace(path);
    EXPECT_EQ(r.problem, "");
    EXPECT_TRUE(r.complete);
    EXPECT_TRUE(r.words.empty());
    EXPECT_EQ(r.link_failed_at, -1);
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    for (const char* name : {"CLK", "DATA", "LE", "D3", "D4", "STATUS", "LINKFAIL"})
        EXPECT_NE(text.find(std::string(" ") + name + " $end"), std::string::npos) << name;
}

TEST(Trace, ReadsBackTheLatchWordsAndTheStatusLine) {
    std::string path = temp_path("words.vcd");
    std::vector<uint32_t> sent;
    std::mt19937 rng(42);
    {
        auto trace = traced(std::make_unique<SimBoard>(), path);
        auto& board = static_cast<SimBoard&>(trace->inner());
        for (int i = 0; i < 50; ++i) {
            uint32_t w = rng() & 0xFFFFFF;
            sent.push_back(w);
            write_word(*trace, w);
            ASSERT_EQ(board.latches()[w & 3], w);
        }
        // Readback traffic on the same lines adds no latch words, but shows on STATUS.
        boardlink::readback_setup(*trace, kDataRegister, kDataRegister);
        trace->flush();
        // Read while the trace is still open, as after a crash right after the last transfer.
        auto open = read_trace(path);
        EXPECT_EQ(open.problem, "");
        EXPECT_EQ(open.words, sent);
        EXPECT_FALSE(open.complete);
    }
    auto r = read_trace(path);
    EXPECT_EQ(r.problem, "");
    EXPECT_EQ(r.words, sent);
    EXPECT_GT(r.status_changes, 0);
    EXPECT_TRUE(r.complete);
}

TEST(Trace, AFileThatCannotBeWrittenIsRefusedWithItsNameAndCause) {
    const struct { const char* path; const char* cause; } cases[] = {
        {"/nonexistent-dir/t.vcd", "No such file or directory"},
        {"/dev/full", "No space left on device"},  // opens, but the header cannot be written
    };
    for (const auto& c : cases) {
        std::string error;
        auto trace = TracePort::create(std::make_unique<SimBoard>(), c.path, error);
        EXPECT_EQ(trace, nullptr) << c.path;
        EXPECT_NE(error.find(c.path), std::string::npos) << error;
        EXPECT_NE(error.find(c.cause), std::string::npos) << error;
    }
}

TEST(TraceOfAFailingLink, ShowsExactlyTheWordsTheBoardLatchedWhereverTheCableBreaks) {
    const size_t total = 3 * kAccessesPerWord;
    for (size_t good = 0; good <= total; ++good) {
        SCOPED_TRACE("failing at access " + std::to_string(good));
        std::string path = temp_path("broken.vcd");
        std::vector<uint32_t> latched;
        {
            auto inner = std::make_unique<BreakingBoard>(good, "adapter unplugged");
            auto& board = inner->board;
            auto trace = traced(std::move(inner), path);
            for (uint32_t word : kLoad) write_word(*trace, word);
            latched.assign(board.history().begin(), board.history().end());
        }
        auto r = read_trace(path);
        ASSERT_EQ(r.problem, "");
        EXPECT_EQ(r.words, latched);
        EXPECT_EQ(latched.size(), (good + 1) / kAccessesPerWord);  // a word latches as LE rises, one access before its end
        EXPECT_TRUE(r.complete);
        if (good < total) {
            // The failing access is the step after the last one that reached the board.
            EXPECT_EQ(r.link_failed_at, long(good) + 1);
            ASSERT_GE(r.comments.size(), 1u);
            EXPECT_EQ(r.comments.front(), "link failed: adapter unplugged");
        } else {
            EXPECT_EQ(r.link_failed_at, -1);
        }
    }
}

TEST(TraceOfAFailingLink, ABatchingAdapterShowsOnlyTheFlushesThatWentOut) {
    for (int failing = 0; failing <= 3; ++failing) {
        SCOPED_TRACE("failing flush " + std::to_string(failing));
        std::string path = temp_path("batched.vcd");
        std::vector<uint32_t> latched;
        {
            auto inner = std::make_unique<BatchingAdapter>(failing);
            auto& board = inner->board;
            auto trace = traced(std::move(inner), path);
            for (uint32_t word : kLoad) write_word(*trace, word);
            latched.assign(board.history().begin(), board.history().end());
        }
        auto r = read_trace(path);
        ASSERT_EQ(r.problem, "");
        EXPECT_EQ(latched, std::vector<uint32_t>(kLoad, kLoad + std::min(failing, 3)));
        EXPECT_EQ(r.words, latched);
        EXPECT_EQ(r.link_failed_at != -1, failing < 3);
        EXPECT_EQ(r.comments.front(), failing < 3 ? "link failed: the adapter stopped answering" : "end of trace");
    }
}

TEST(TraceWriteFailure, CutsBackToTheLastWholeTransferStopsAndLeavesTheLinkWorking) {
    std::vector<uint32_t> words;
    for (uint32_t i = 0; i < 6; ++i) words.push_back(0x123400 + i * 0x1111 + (i & 3));

    // The file's size at its header and after every transfer, and once completed, unlimited.
    std::vector<uint64_t> sizes;
    std::string path = temp_path("sizes.vcd");
    {
        auto trace = traced(std::make_unique<SimBoard>(), path);
        sizes.push_back(std::filesystem::file_size(path));
        for (uint32_t w : words) {
            write_word(*trace, w);
            sizes.push_back(std::filesystem::file_size(path));
        }
    }
    sizes.push_back(std::filesystem::file_size(path));

    std::vector<uint64_t> limits;
    for (uint64_t limit = sizes.front(); limit <= sizes.back(); limit += 29) limits.push_back(limit);
    for (uint64_t s : sizes) limits.insert(limits.end(), {s - 1, s});
    for (uint64_t limit : limits) {
        if (limit < sizes.front()) continue;  // the header does not fit: creation fails (above)
        SCOPED_TRACE("file size limit " + std::to_string(limit));
        std::string cut_path = temp_path("cut.vcd");
        std::string error;
        SimBoard* board = nullptr;
        {
            FileSizeLimit guard(limit);
            ASSERT_TRUE(guard.ok());
            auto trace = traced(std::make_unique<SimBoard>(), cut_path);
            ASSERT_TRUE(trace);
            board = &static_cast<SimBoard&>(trace->inner());
            for (uint32_t w : words) write_word(*trace, w);
            EXPECT_EQ(board->words_loaded(), words.size()) << "the link goes on";
            trace->finish();
            error = trace->trace_error();
        }
        // Whole transfers that fit: the last size at or below the limit.
        size_t whole = 0;
        while (whole + 1 < sizes.size() && sizes[whole + 1] <= limit) ++whole;
        EXPECT_EQ(std::filesystem::file_size(cut_path), sizes[whole]);
        auto r = read_trace(cut_path);
        EXPECT_EQ(r.problem, "");
        bool completed = whole == sizes.size() - 1;
        EXPECT_EQ(r.complete, completed);
        EXPECT_EQ(r.words, std::vector<uint32_t>(words.begin(), words.begin() + std::min(whole, words.size())));
        if (completed) {
            EXPECT_EQ(error, "");
        } else {
            EXPECT_NE(error.find(cut_path), std::string::npos) << error;
            EXPECT_NE(error.find("File too large"), std::string::npos) << error;
        }
    }
}
