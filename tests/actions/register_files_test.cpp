// The plan carried to firmware: an export imported again reproduces the state and the board's
// words on every variant, a refused import names its line and changes nothing, and a channel
// table holds the N word each channel's frequency would send.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "actions/command_language.h"
#include "actions/file_io.h"
#include "actions/register_files.h"
#include "link/sim_board.h"
#include "model/channel_table.h"
#include "model/register_export.h"
#include "model/variants.h"
#include "tests/support/command_bench.h"
#include "tests/support/trace_reader.h"

using testing_support::temp_path;

TEST(RegisterFiles, AnExportImportedAgainReproducesTheStateAndTheBoardsWordsOnEveryVariant) {
    std::mt19937 g(29);
    const char* settings[] = {"FREQ 2401.2", "FREQ:REF 19.68", "PRES 16", "POW:CORE DOWN", "TEST:ENAB ON", "MUX 5",
                              "SWIT:CPG ON", "BSEL 4", "ABPW 2", "CURR2 3", "TEST:MODE 7;TEST:UPD", "SWIT:LDP ON",
                              "TEST:READ 2;TEST:UPD", "TEST:EBAN 5;TEST:UPD"};
    for (std::string_view variant : variants::kNames) {
        for (const char* file : {"r.txt", "r.json"}) {
            SCOPED_TRACE(std::string(variant) + " " + file);
            testing_support::CommandBench b(variant);
            EvalState& state = b.state;
            for (int k = 0; k < 4; ++k) b.run(settings[g() % std::size(settings)]);
            state.r_aux_bits = int32_t(g() % 4) << 22;  // R latch DB23, DB22, as a settings file may set them
            actions::PathStore files;
            ASSERT_TRUE(actions::export_registers(state, files, temp_path(file), file, "9.9").ok());

            EvalState imported = variants::start_state(variant);
            boardlink::SimBoard fresh;
            const auto out = actions::import_registers(imported, fresh, files, temp_path(file), file);
            ASSERT_TRUE(out.ok()) << out.refusal->message;
            const auto sent = words_to_send(state);
            for (size_t i = 0; i < sent.size(); ++i) {
                EXPECT_EQ(words_to_send(imported)[i].word, sent[i].word) << sent[i].name;
                EXPECT_EQ(*fresh.latches()[sent[i].latch], sent[i].word) << sent[i].name << ": the board holds it";
            }
            if (std::string(file) == "r.json") {  // a hex list keeps the present reference
                EXPECT_EQ(std::tuple(imported.ref_freq, imported.pfd_freq, imported.vco_freq),
                          std::tuple(state.ref_freq, state.pfd_freq, state.vco_freq));
            }
        }
    }
}

TEST(RegisterFiles, ARefusedImportNamesItsLineAndChangesNothing) {
    const std::string ok = "0x000003 test\n0x017702 N\n0x0000C9 R\n0x8FF108 control\n";
    const actions::PathStore files;
    const std::tuple<std::string, std::string> cases[] = {
        {"0x17702\n0xC9\n", "r.txt: it holds no control word"},
        {"0x17702\n0x8FF108\n", "r.txt: it holds no R word"},
        {ok + "0x000009\n", "Line 5 of r.txt: a second word for the R latch (line 3 has one)"},
        {"# pasted\n0x17702 // N\n0xC9\nG0\n", "Line 4 of r.txt: \"G0\" is not a 24-bit word in hexadecimal"},
        {"0x17702 R\n", "Line 1 of r.txt: the word is for the N latch (address bits DB1, DB0), not the R"},
        {"0x017782\n0xC9\n0x8FF108\n", "Line 1 of r.txt: 17782 sets DB7 of the N latch, which is reserved: this window "
                                       "keeps it at 0"},
        {"0x000001\n0x017702\n0x8FF108\n", "Line 1 of r.txt: The R counter would be 0: every R counter switch (DB15 to "
                                           "DB2 of the R latch) is off, and the PFD frequency is the reference divided by R"},
        {"0x00000F\n" + ok.substr(ok.find('\n') + 1), "Line 1 of r.txt: the test word's core power (DB3, DB2) is not the control word's: "
                                      "the two latches hold one setting"},
        {"0x000146 N\n0xC9\n0x8FF108\n", "Line 1 of r.txt: The 32/33 prescaler cannot divide by N = 49: B = 1 is below A = 17. "
                                         "It makes every N from 992 (P x (P - 1)) up"},
        {"{\n  \"variant\": \"KSY7100-8\",\n  \"words\": [{\"word\": \"0x8FF108\"}, {\"word\": \"0x0000C9\"}, "
         "{\"word\": \"0x017702\"}]\n}\n",
         "Line 2 of r.txt: the file was exported from a \"KSY7100-8\" and the tool runs a KSY7100-1: its counters would "
         "make other frequencies here"},
        {"\xEF\xBB\xBF" + ok.substr(ok.find('\n') + 1), ""},  // the byte-order mark an editor writes is no word
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(message);
        EvalState state = variants::start_state("ksy7100-1");
        const EvalState before = state;
        boardlink::SimBoard board;
        ASSERT_EQ(files.write(temp_path("r.txt"), text), "");
        const auto out = actions::import_registers(state, board, files, temp_path("r.txt"), "r.txt");
        ASSERT_EQ(out.ok(), message.empty());
        if (message.empty()) continue;
        EXPECT_EQ(out.refusal->message, message + ". Nothing was imported.");
        EXPECT_TRUE(state == before);
        EXPECT_EQ(board.words_loaded(), 0u);
    }
    for (const char* file : {"r.txt", "r.json"}) std::filesystem::remove(temp_path(file));
}

TEST(RegisterFiles, AChannelTableHoldsTheNWordEachChannelsFrequencySendsOrNamesWhyNot) {
    EvalState state = variants::start_state("ksy7100-3");
    auto table = channel_table(state, 1900, 1902, 200);
    ASSERT_TRUE(std::holds_alternative<ChannelTable>(table));
    const auto& channels = std::get<ChannelTable>(table).channels;
    ASSERT_EQ(channels.size(), 11u);
    const std::string header = channel_table_text(state, std::get<ChannelTable>(table), ExportFormat::C, "9.9");
    EXPECT_NE(header.find("11 channels from 1900 MHz to 1902 MHz in steps of 200 kHz"), std::string::npos) << header;
    for (const Channel& c : channels) {
        testing_support::CommandBench b("ksy7100-3");
        b.run("FREQ " + std::to_string(c.mhz));
        EXPECT_EQ(c.word, *b.board.latches()[2]) << c.mhz;
    }
    EvalState unsplit = variants::start_state("ksy7100-3");
    unsplit.prescaler = 0;
    const std::tuple<const EvalState*, double, double, double, std::string> refused[] = {
        {&state, 1900, 1902, 300, "the channel step of 300 kHz is not a whole multiple of the PFD frequency of 200 kHz"},
        {&state, 1900, 1900 + 65536 * 0.2, 200, "the table would hold 65537 channels; it holds at most 65536"},
        {&unsplit, 1900, 2000, 200, "channel 0 at 1900 MHz: The prescaler is not set"},
        {&state, 1900.1, 1902, 200, "the start frequency of 1900.1 MHz is not on the grid of the PFD frequency of 200 kHz"},
        {&state, 1900, 1902.3, 400, "the stop frequency of 1902.3 MHz is not on the grid"},
        {&state, 6, 6.4, 200, "channel 0 at 6 MHz: The 32/33 prescaler cannot divide by N = 30"},
    };
    for (const auto& [from, start, stop, step, reason] : refused) {
        auto t = channel_table(*from, start, stop, step);
        ASSERT_TRUE(std::holds_alternative<std::string>(t)) << reason;
        EXPECT_EQ(std::get<std::string>(t).substr(0, reason.size()), reason);
    }
}
