// The tool never reports a frequency the board does not make. Random command sequences on every
// variant, with the simulated board as the witness: after every command FREQ?, FREQ:PFD? and
// BOAR:FREQ? agree to 1 Hz with what the words the board latched make, (P x B + A) x reference / R
// (B alone for the KSY7100-8) with counters the prescaler can divide by, and the simulated board
// puts out what they make from its own reference; a command's MIN and MAX are values it takes,
// and a refused command changes nothing and sends nothing. A failure prints the sequence that led
// to it. *RST returns to the variant's start; the loop designer's commands send nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <optional>
#include <random>

#include "actions/command_language.h"
#include "link/sim_board.h"
#include "model/number_format.h"
#include "model/register_map.h"
#include "model/settings_file.h"
#include "model/variants.h"
#include "tests/support/command_bench.h"

namespace fs = std::filesystem;
using namespace commands;

namespace {

#ifdef KSY_SANITIZED
constexpr int kSequences = 600;
#else
constexpr int kSequences = 5000;
#endif
constexpr int kCommandsPerSequence = 30;

// Saves sync their file to the disk: the files live on a memory file system where there is one.
fs::path scratch_folder() {
    const fs::path shm = "/dev/shm";
    const fs::path base = fs::is_directory(shm) ? shm : fs::temp_directory_path();
    return base / ("ksy7100-agreement-" + std::to_string(getpid()));
}

// What the words the board latched make, decoded from its bits alone, with the tool's reference;
// and what the simulated board puts out from its own reference, after the output divide-by-2.
struct Made {
    double pfd_hz, vco_hz, board_out_hz;
    bool makeable;  // the prescaler can divide by these counters: B is not below A
};
std::optional<Made> board_makes(const boardlink::SimBoard& board, double ref_hz) {
    const auto& l = board.latches();
    if (!l[1] || !l[2] || (!board.single_modulus() && !l[0])) return std::nullopt;
    const uint32_t r = (*l[1] >> 2) & 0x3FFF, b = (*l[2] >> 8) & 0x1FFF, a = (*l[2] >> 2) & 0x1F;
    if (r == 0) return std::nullopt;
    const double ratio = board.single_modulus() ? b : double(*board.prescaler_modulus()) * b + a;
    const double divide = (*l[2] >> 22) & 1 ? 2 : 1;
    return Made{ref_hz / r, ratio * ref_hz / r, ratio * boardlink::SimBoard::kRefInHz / r / divide,
                board.single_modulus() || b >= a};
}

struct Rig : testing_support::CommandBench {
    Rig(const std::string& variant, const fs::path& folder) : CommandBench(variant), files(folder) {
        board.set_single_modulus(variants::is_single_modulus(variant));
        in.hooks().files = &files;
    }
    actions::FolderStore files;
};

std::string pick(std::mt19937& g, std::initializer_list<const char*> choices) {
    return *(choices.begin() + g() % choices.size());
}

// One command of every kind the tool has, with arguments a user might type, good and bad.
std::string random_command(std::mt19937& g, const EvalState& s) {
    auto chance = [&](int percent) { return int(g() % 100) < percent; };
    switch (g() % 21) {
    case 0:
    case 1: {
        if (chance(10)) return "FREQ " + pick(g, {"abc", "0", "-5", "1e9", "2400.1", "MIN", "MAX", "6", "2410"});
        double mhz = chance(50) ? s.vco_freq + (int(g() % 101) - 50) * s.pfd_freq / 1000
                                : 50 + (g() % 5'000'000'000ull) / 1e6;
        return "FREQ " + numfmt::general(mhz);
    }
    case 2: return "FREQ:PFD " + pick(g, {"200", "100", "1000", "30", "25", "12.5", "200.5", "400", "50", "0", "-5",
                                          "1e9", "abc", "333.333333", "200.816327", "MIN", "MAX", "10000"});
    case 3: return "FREQ:REF " + pick(g, {"10", "19.2", "19.68", "10.24", "16.368", "15.36", "26", "13", "8.2",
                                          "10.05", "0", "1e12", "-1", "40", "MIN", "MAX"});
    case 4: return "FREQ:STEP " + pick(g, {"UP", "DOWN"});
    case 5: return "LATC:SEND " + pick(g, {"CONT", "R", "N", "TEST", "ALL"});
    case 6:
        return "SWIT:" + pick(g, {"POL", "CRES", "CPG", "IDIV", "TST", "ODIV", "MUTE", "LDP"}) + " " +
               pick(g, {"ON", "OFF"});
    case 7: return pick(g, {"POW:OUTP", "POW:CORE"}) + " " + pick(g, {"UP", "DOWN"});
    case 8: return pick(g, {"CURR1 ", "CURR2 "}) + std::to_string(g() % 8) + (chance(20) ? ",2700" : "");
    case 9: return "PDOW " + pick(g, {"NORM", "SYNC", "ASYN"});
    case 10: return "MUX " + std::to_string(g() % 8);
    case 11: return "PRES " + pick(g, {"8", "16", "32"});
    case 12: return "BSEL " + pick(g, {"1", "2", "4", "8"}) + "; ABPW " + std::to_string(g() % 4);
    case 13:
        if (chance(25)) return "BOAR " + std::to_string(1 + g() % 5);
        return "*RST";
    case 14:
    case 15: {
        // A row's present word with a few bits flipped, or a random word.
        const regmap::Row row = regmap::kRows[g() % 3];
        uint32_t bits = regmap::bits_from_state(s)[row];
        for (int flips = 1 + int(g() % 3); flips > 0; --flips) bits ^= 1u << (g() % 24);
        if (chance(10)) bits = uint32_t(g());
        const uint32_t word = regmap::row_word(row, bits, regmap::unshown_bits(s, row));
        static const char* const names[] = {"CONT", "N", "R"};
        return std::string("REG:WRIT ") + names[size_t(row)] + "," + regmap::hex_word(word);
    }
    case 16: return pick(g, {"TEST:MODE 7", "TEST:EBAN 5", "TEST:ADC ON", "TEST:UPD", "TEST:ENAB ON", "TEST:ENAB OFF"});
    case 17: return "MEM:SAVE \"f" + std::to_string(g() % 3) + ".txt\"";
    case 18: return "MEM:LOAD \"f" + std::to_string(g() % 3) + ".txt\"";
    case 19:
        return pick(g, {"LOOP:ORD 3", "LOOP:ORD 2", "LOOP:KVCO 30", "LOOP:DES 20KHZ,50", "LOOP:DES 10KHZ,89.9",
                        "LOOP:COMP 1NF,0.01UF,0,1KOHM,0", "LOOP:SNAP E12", "LOOP:NOIS:FOM -225"});
    default: return "LATC:SEND ALL";
    }
}

std::optional<double> number(const std::string& text) { return numfmt::parse_entry(text, '.'); }

// Runs one command and checks the agreement after it; the reason when it fails.
std::optional<std::string> run_and_check(Rig& rig, const std::string& command) {
    const EvalState before = rig.state;
    const uint64_t words = rig.board.words_loaded();
    bool refused = false;
    for (const Reply& r : rig.in.run_line(command)) refused = refused || r.error.has_value();
    if (refused && !(rig.state == before && rig.board.words_loaded() == words))
        return "a refused command changed the state or sent words";
    if (command == "*RST" && !refused &&
        (format_settings(rig.state) != format_settings(variants::start_state(before.device)) || rig.state.test_mode_code))
        return "*RST did not return to the variant's start";
    if (command.starts_with("LOOP") && rig.board.words_loaded() != words) return "a loop designer's command sent words";
    // MIN and MAX are values the command takes now, wherever it takes the present value.
    if (refused && variants::is_family_variant(before.device) &&
        (command.ends_with(" MIN") || command.ends_with(" MAX"))) {
        const std::string header = command.substr(0, command.find(' '));
        testing_support::CommandBench probe;
        probe.state = before;
        const auto present = probe.in.run_line(header + "?");
        if (present.size() == 1 && present[0].answer && !probe.in.run_line(header + " " + *present[0].answer)[0].error)
            return "the command refused its own limit, and takes the present value " + *present[0].answer;
    }

    std::vector<std::string> answers;
    for (const Reply& r : rig.in.run_line("FREQ?;FREQ:PFD?;BOAR:FREQ?"))
        answers.push_back(r.answer.value_or("(error)"));
    if (answers.size() != 3) return "the queries failed";
    const auto made = board_makes(rig.board, rig.state.ref_freq);
    const auto readout = number(answers[2]);
    if (!made) {
        if (answers[2] != "NONE") return "BOAR:FREQ? says " + answers[2] + " of a board that holds no plan";
        if (rig.board.output_frequency_hz()) return "the simulated board puts out a frequency with no plan";
        return std::nullopt;
    }
    if (std::abs(rig.board.output_frequency_hz().value_or(-1) - made->board_out_hz) >= 1)
        return "the simulated board puts out another frequency than its words make";
    const std::string board_says = numfmt::general(made->vco_hz / 1e6) + " MHz at a PFD of " +
                                   numfmt::general(made->pfd_hz / 1000) + " kHz";
    if (!made->makeable) return "the board holds counters its prescaler cannot divide by (B below A)";
    if (!readout || std::abs(*readout * 1e6 - made->vco_hz) >= 1)
        return "BOAR:FREQ? says " + answers[2] + " MHz; the board makes " + board_says;
    if (!variants::is_family_variant(rig.state.device)) return std::nullopt;  // a preset sends no data
    const auto vco = number(answers[0]), pfd = number(answers[1]);
    if (!vco || std::abs(*vco * 1e6 - made->vco_hz) >= 1 || !pfd || std::abs(*pfd * 1000 - made->pfd_hz) >= 1)
        return "FREQ? says " + answers[0] + " MHz, FREQ:PFD? " + answers[1] + " kHz; the board makes " + board_says;
    return std::nullopt;
}

}  // namespace

TEST(BoardAgreement, RandomCommandSequencesNeverReportAFrequencyTheBoardDoesNotMake) {
    std::mt19937 g(26);
    for (int sequence = 0; sequence < kSequences; ++sequence) {
        const std::string variant(variants::kNames[size_t(sequence) % variants::kNames.size()]);
        const fs::path folder = scratch_folder();
        fs::remove_all(folder);
        fs::create_directories(folder);
        Rig rig(variant, folder);
        std::vector<std::string> commands;
        for (int k = 0; k < kCommandsPerSequence; ++k) {
            commands.push_back(random_command(g, rig.state));
            if (auto reason = run_and_check(rig, commands.back())) {
                std::string listing;
                for (const std::string& c : commands) listing += "\n    " + c;
                fs::remove_all(folder);
                FAIL() << variant << ", sequence " << sequence << ": " << *reason << "\n  after the commands:" << listing;
            }
        }
    }
    fs::remove_all(scratch_folder());
}
