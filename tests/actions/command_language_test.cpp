// The command language: syntax, the table's mapping onto actions (what the board latches), and
// the refusals of malformed commands, which never run anything.
#include <gtest/gtest.h>

#include "actions/command_language.h"
#include "tests/support/command_bench.h"
#include "tests/support/recording_port.h"
#include "model/board_words.h"
#include "model/latch.h"
#include "model/variants.h"

using namespace commands;

using Bench = testing_support::CommandBench;

TEST(CommandSyntax, LinesSplitIntoCommandsWithQuotedTextsAndQueries) {
    SplitLine s = split_line(" FREQ 2400.2 ; *IDN? ;; MEM:LOAD \"a;b, \"\"c\"\"\" ;LATC:WORD? N");
    ASSERT_FALSE(s.error);
    EXPECT_EQ(s.commands, (std::vector<Command>{{"FREQ", false, {"2400.2"}},
                                                {"*IDN", true, {}},
                                                {"MEM:LOAD", false, {"a;b, \"c\""}},
                                                {"LATC:WORD", true, {"N"}}}));
    for (const char* bad : {"MEM:LOAD \"open", "FREQ?x", "FR=EQ", "LATC:SEND \"a\"b\""})
        EXPECT_TRUE(split_line(bad).error) << bad;
    for (auto [pattern, typed, match] : {std::tuple{"FREQuency:PFD", "freq:pfd", true},
                                        {"FREQuency:PFD", ":FREQUENCY:PFD", true},
                                        {"FREQuency:PFD", "FREQU:PFD", false},
                                        {"FREQuency", "FREQ:PFD", false},
                                        {"CURRent1", "curr1", true},
                                        {"CURRent1", "CURR", true},  // a numeric suffix left out is 1
                                        {"CURRent2", "CURR", false},
                                        {"*IDN", "*idn", true}})
        EXPECT_EQ(header_matches(pattern, typed), match) << pattern << " " << typed;
}

TEST(CommandLanguage, CommandsRunTheirActionsAndQueriesAnswerFromTheState) {
    struct Case { const char* line; std::vector<std::string> answers; std::vector<int> latched; const char* variant = "ksy7100-1"; };
    const Case cases[] = {
        {"FREQ 2400.2; FREQ?; LATC:WORD? N", {"2400.2", "017706"}, {1, 2}},
        {"freq:pfd 100;FREQ:PFD?", {"100"}, {1, 2}},
        {"FREQ:REF 19.2; FREQ:REF?", {"19.2"}, {3, 2, 1, 0}},
        {"FREQ:STEP UP; FREQ?", {"2400.2"}, {1, 2}},
        {"LATC:WORD? R; LATC:SEND R; LATC:WORD? R", {"NONE", "0000C9"}, {1}},
        {"LATC:SEND ALL; LATC:WORD? CONT", {"8FF108"}, {3, 2, 1, 0}},
        {"SWIT:POL 0.4; SWIT:POL?", {"0"}, {1, 0, 2}},  // a Boolean as a number, rounded
        {"POW:CORE UP; POW:CORE?", {"3"}, {0, 3}},
        {"CURR 3,2700; CURR1?; CURR:RSET?", {"3", "2700"}, {3, 2, 1, 0}},  // a suffix left out is 1
        {"PDOW SYNC; MUX #B100; PDOW?; MUX?", {"SYNC", "4"}, {0, 0}},
        {"PRES 16; BSEL 8; ABPW 2; PRES?; BSEL?; ABPW?", {"16", "8", "2"}, {3, 2, 1, 0, 3, 2, 1, 0, 3, 2, 1, 0}},
        {"PRES 32; PRES DEF; PRES?", {"8"}, {3, 2, 1, 0, 3, 2, 1, 0}, "ksy7100-7"},  // its own default, 8/9
        {"TEST:MODE 7; TEST:EBAN 5; TEST:ADC ON; TEST:MODE?; TEST:UPD; LATC:WORD? TEST", {"7", "003A5B"}, {3}},
        {"TEST:ENAB ON; TEST:ENAB?", {"1"}, {0, 1, 2, 3}},
        // *RST sends all four latches (the board-agreement test checks the state it returns to)
        {"FREQ 2401; TEST:MODE 7; *RST; FREQ?; TEST:MODE?", {"2400", "0"}, {1, 2, 3, 2, 1, 0}},
    };
    for (const auto& c : cases) {
        Bench b(c.variant);
        EXPECT_EQ(b.run(c.line), c.answers) << c.line;
        EXPECT_EQ(b.latched(), c.latched) << c.line;
        for (int latch : c.latched)
            EXPECT_EQ(*b.board.latches()[latch], uint32_t(assemble_latch(b.state, uint8_t(latch)))) << c.line;
    }
}

// That a line refused at its first command changes and sends nothing, the commands after it
// included, is held by the command language's fuzz corpus replay and the board-agreement test.
TEST(CommandLanguage, MalformedAndRefusedCommandsSayWhy) {
    struct Case { std::string line; std::string first_error; };
    const Case cases[] = {
        {"FOO 1; FREQ 2401", "-113: no command FOO"},
        {"FREQ; FREQ 2401", "-109: FREQ needs <MHz>"},
        {"FREQ 1,2", "-108: FREQ takes <MHz>"},
        {"*IDN? 3", "-108: *IDN? takes no arguments"},
        {"FREQ abc", "-222: Invalid entry in VCO Frequency."},
        {"FREQ 0", "-222: The total divide ratio N would be 0; it must be at least 1."},
        {"FREQ:REF 1e400", "-222: Invalid entry in crystal Frequency."},
        {"CURR1 2,0", "-222: Invalid entry in R Set: the resistance must be above 0 ohms."},
        {"LATC:SEND X", "-224: LATC:SEND takes CONT, R, N, TEST or ALL"},
        {"SWIT:POL MAYBE", "-224: a switch takes ON or OFF"},
        {"MUX 8", "-224: MUX takes a code from 0 to 7"},
        {"LATC:WORD?", "-109: LATC:WORD? needs CONT|R|N|TEST"},
        {"FREQ? 3", "-108: FREQ? takes no arguments"},
        {"LATC:WORD N", "-113: LATC:WORD is a query only"},
        {"FREQ:STEP?", "-113: FREQ:STEP has no query form"},
        {"FREQ \"2400", "-102: Unterminated quoted text"},
        {std::string("MEM:SAVE \"..\0/escaped.txt\"; FREQ 2401", 37), "-151: an argument holds a control character"},
        {"MEM:LOAD a\x1b.txt", "-151: an argument holds a control character"},
        {std::string(5000, 'A'), "-223: a line holds at most 4096 bytes"},  // --exec; sockets and stdin cut lines themselves
    };
    for (const auto& c : cases) {
        auto out = Bench().run(c.line);
        ASSERT_EQ(out.size(), 1u) << c.line;
        EXPECT_EQ(out[0], c.first_error);
    }
}

// The session without a socket: lines assembled from the bytes as they come (an overlong one
// refused whole), the header path ';' keeps, the error queue's bound, each error's class in the
// event status register, and a failed link told once as a device error.
TEST(CommandSession, LinesPathsQueueAndStatus) {
    Bench b;
    Interpreter& in = b.in;
    auto message = [&](const std::string& text) {
        std::string out;
        for (const Line& line : in.take(text))
            for (const std::string& a : in.run_message(line).answers) out += (out.empty() ? "" : ";") + a;
        return out;
    };
    EXPECT_EQ(message("*ESR?\nFREQ 2401\r\nFRE"), "128");
    EXPECT_EQ(message("Q?;:FREQ:PFD 100;REF?;*IDN?;PFD?\n"), "2401;10;KSY7100-EVAL,KSY7100-1,SIM,9.9;100");
    EXPECT_EQ(message(std::string(5000, 'A') + "\nSYST:ERR?\n"), "-223,\"Too much data; a line holds at most 4096 bytes\"");
    const std::tuple<const char*, uint8_t> classes[] = {
        {"NOPE", StatusModel::kCommandError}, {"FREQ 0", StatusModel::kExecutionError},
        {"MUX 3 Hz", StatusModel::kCommandError}, {"PRES 7", StatusModel::kExecutionError}};
    in.status().take_events();
    for (const auto& [line, event] : classes) {
        message(std::string(line) + "\n");
        EXPECT_EQ(in.status().take_events(), event) << line;
    }
    message("*CLS\n");
    for (int i = 0; i < 20; ++i) message("NOPE\n");
    EXPECT_EQ(in.status().error_count(), StatusModel::kQueueDepth);
    EXPECT_TRUE(message("SYST:ERR:ALL?\n").ends_with(",-350,\"Queue overflow\""));

    EvalState state = variants::start_state("ksy7100-1");
    boardlink::SimBoard board;
    testing_support::FaultInjectingPort unplugged(board, 0);
    Interpreter failing(state, unplugged, "9.9");
    EXPECT_EQ(failing.run_line("FREQ 2401").back().error,
              (Error{kDeviceError, "the board link failed: adapter unplugged"}));
    EXPECT_EQ(failing.status().take_events(), StatusModel::kPowerOn | StatusModel::kDeviceError);
    EXPECT_FALSE(failing.run_line("FREQ 2402").back().error) << "told once";
}

// The main window's board readout tells what the words last latched make, never the plan shown
// (BOAR:FREQ?, its number, is the board-agreement test's).
TEST(CommandLanguage, TheBoardReadoutReportsWhatTheHeldWordsMake) {
    const std::pair<const char*, const char*> cases[] = {
        {"FREQ 2400", "Board: not programmed yet"},  // no control word: P unknown
        {"FREQ:REF 19.68", "Board: 2399.9559 MHz (R 98, N 11951)"},
        {"LATC:SEND ALL; BOAR 3; FREQ 900", "Board: words unchanged (preset)"},
    };
    for (const auto& [commands, readout] : cases) {
        Bench b;
        b.run(commands);
        EXPECT_EQ(board_readout(b.state), readout) << commands;
    }
}

// What the main window offers only for some devices holds for scripts too: refused as a settings
// conflict, with the reason (that it changes and sends nothing is the board-agreement test's).
TEST(CommandLanguage, SettingsTheDeviceCannotTakeAreRefusedAsConflicts) {
    const std::string preset = " is set only for the variants KSY7100-0 to KSY7100-8, and the device is \"ksy7101\", a "
                               "board preset, whose latch writes carry no data. Nothing was changed or sent.";
    // variant (empty: board preset 2; another name: the device so named), command, reason
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {"ksy7100-8", "PRES 32", "The KSY7100-8 has no dual-modulus prescaler: it divides by its N counter alone."},
        {"ksy7100-8", "SWIT:IDIV ON", "The KSY7100-8 has no divide-by-2 options (the main window hides their switches)."},
        {"ksy7100-8", "SWIT:ODIV ON", "The KSY7100-8 has no divide-by-2 options (the main window hides their switches)."},
        {"", "PRES 16", "The prescaler is set only for the variants KSY7100-0 to KSY7100-7, and the device is "
                        "\"ksy7101\", a board preset, whose latch writes carry no data."},
        {"", "REG:WRIT N,017706", "The register map" + preset},
        {"", "PDOW SYNC", "The power-down setting" + preset},
        {"", "TEST:MODE 7", "The test latch" + preset},
        {"", "TEST:ENAB ON", "The test latch" + preset},
        {"", "TEST:UPD", "The test latch" + preset},
        {"", "*RST", "-222: There is no variant to return to: the device is \"ksy7101\", not one of the nine variants."},
        {"a-board-with-a-long-name", "PDOW SYNC", "The power-down setting is set only for the variants KSY7100-0 to "
         "KSY7100-8, and the device is \"a-board-with-a-long-...\", a board preset, whose latch writes carry no data."},
    };
    for (const auto& [variant, command, reason] : cases) {
        Bench b(variants::is_family_variant(variant) ? variant : "ksy7100-1");
        if (!*variant) b.run("BOAR 2");
        else if (!variants::is_family_variant(variant)) b.state.device = variant;
        std::string expected = reason.starts_with("-222") ? reason : "-221: " + reason;
        if (!expected.ends_with("variants.") && !expected.ends_with("sent.")) expected += " Nothing was changed or sent.";
        EXPECT_EQ(b.run(command), std::vector<std::string>{expected}) << command;
    }
}
