#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "link/latch_protocol.h"
#include "link/readback.h"
#include "link/sim_board.h"
#include "link/trace.h"

namespace {

// Decodes a trace as a logic analyser would: DATA sampled on CLK rising, a word on LE rising.
std::vector<uint32_t> decode_words(const std::string& path, int* status_changes = nullptr) {
    std::ifstream in(path);
    std::map<std::string, std::string> id_of;  // signal name -> id
    std::map<std::string, int> value;            // id -> level
    std::vector<uint32_t> words;
    uint32_t shift = 0;
    std::string line;
    bool in_dump = false;
    int clk = 0, le = 0;
    auto settle = [&] {
        int new_clk = value[id_of["CLK"]], new_le = value[id_of["LE"]];
        if (!clk && new_clk) shift = ((shift << 1) | value[id_of["DATA"]]) & 0xFFFFFF;
        if (!le && new_le) words.push_back(shift);
        clk = new_clk;
        le = new_le;
    };
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::string tok;
        ls >> tok;
        if (tok == "$var") {
            std::string type, width, id, name;
            ls >> type >> width >> id >> name;
            id_of[name] = id;
        } else if (tok == "$dumpvars") {
            in_dump = true;
        } else if (tok.size() >= 1 && tok[0] == '#') {
            settle();
        } else if (!tok.empty() && (tok[0] == '0' || tok[0] == '1' || tok[0] == 'x')) {
            std::string id = tok.substr(1);
            value[id] = tok[0] == '1';
            if (status_changes && id == id_of["STATUS"] && !in_dump) ++*status_changes;
        } else if (tok == "$end") {
            in_dump = false;
        }
    }
    settle();
    return words;
}

std::string temp_path(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

}  // namespace

TEST(Trace, HeaderNamesTheSignalsEvenBeforeAnyWrite) {
    std::string path = temp_path("ksy_trace_empty.vcd");
    std::string error;
    { auto trace = boardlink::TracePort::create(std::make_unique<boardlink::SimBoard>(), path, error); }
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    for (const char* name : {"CLK", "DATA", "LE", "D3", "D4", "STATUS", "$enddefinitions"})
        EXPECT_NE(text.find(name), std::string::npos) << name;
}

TEST(Trace, ReadsBackTheLatchWordsAndForwardsToTheInnerPort) {
    std::string path = temp_path("ksy_trace_words.vcd");
    std::vector<uint32_t> sent;
    std::mt19937 rng(42);
    std::string error;
    {
        auto trace = boardlink::TracePort::create(std::make_unique<boardlink::SimBoard>(), path, error);
        ASSERT_TRUE(trace) << error;
        auto& board = static_cast<boardlink::SimBoard&>(trace->inner());
        for (int i = 0; i < 50; ++i) {
            uint32_t w = rng() & 0xFFFFFF;
            sent.push_back(w);
            boardlink::shift_word(*trace, boardlink::kDataRegister, w, 24);
            boardlink::pulse_le(*trace, boardlink::kDataRegister);
            trace->flush();
            ASSERT_EQ(board.latches()[w & 3], w);
        }
        // Readback traffic on the same lines adds no latch words, but shows on STATUS.
        boardlink::readback_setup(*trace, boardlink::kDataRegister, boardlink::kDataRegister);
    }
    int status_changes = 0;
    EXPECT_EQ(decode_words(path, &status_changes), sent);
    EXPECT_GT(status_changes, 0);
}

TEST(Trace, IsWholeAtEveryFlush) {
    std::string path = temp_path("ksy_trace_flush.vcd");
    std::string error;
    auto trace = boardlink::TracePort::create(std::make_unique<boardlink::SimBoard>(), path, error);
    boardlink::shift_word(*trace, boardlink::kDataRegister, 0x0000C9, 24);
    boardlink::pulse_le(*trace, boardlink::kDataRegister);
    trace->flush();
    // Read while the trace is still open, as after a crash right after the write.
    EXPECT_EQ(decode_words(path), std::vector<uint32_t>{0x0000C9});
}

TEST(Trace, UnwritableFileIsReported) {
    std::string error;
    auto trace = boardlink::TracePort::create(std::make_unique<boardlink::SimBoard>(), "/nonexistent-dir/t.vcd", error);
    EXPECT_EQ(trace, nullptr);
    EXPECT_NE(error.find("/nonexistent-dir/t.vcd"), std::string::npos);
}
