#include <gtest/gtest.h>

#include "model/board_presets.h"
#include "model/settings_file.h"
#include "model/variants.h"
#include "tests/support/settings_text.h"

using testing_support::replace_line;
using variants::start_state;

namespace {

// The state a file's text loads onto `base`.
EvalState loaded(const std::string& text, EvalState base = start_state("ksy7100-1")) {
    auto parsed = parse_settings(text);
    if (!std::holds_alternative<SettingsRecord>(parsed)) ADD_FAILURE() << "refused:\n" << text;
    else apply_settings(base, std::get<SettingsRecord>(parsed));
    return base;
}

}  // namespace

// Every variant and board comes back whole; neither frequency is stored: both come back from the
// counters (R 50 at 200 kHz: 10 MHz).
TEST(SettingsFile, SaveThenLoadGivesBackTheStateOfEveryVariantAndBoard) {
    std::vector<EvalState> states;
    for (auto name : variants::kNames) states.push_back(start_state(std::string(name)));
    for (const auto& preset : kBoardPresets) apply_board_preset(states.emplace_back(start_state("ksy7100-1")), preset);
    for (const EvalState& saved : states) {
        EvalState base = saved;
        base.vco_freq = base.ref_freq = base.asked_vco_freq = base.asked_pfd_freq = 0, base.preset_index = 99;
        EXPECT_EQ(loaded(format_settings(saved), base), saved) << saved.device;
    }
}

TEST(SettingsFile, NumbersAreWrittenWithABlankForTheSignAndReadRoundingHalvesToEven) {
    EvalState s = start_state("ksy7100-1");
    s.pfd_freq = 0.5;
    const std::string text = format_settings(s);
    EXPECT_EQ(text.substr(0, 31), "valid vco settings\r\n 8388608 \r\n");
    EXPECT_NE(text.find("\r\n .5 \r\n"), std::string::npos) << "no leading zero";
    for (const auto& [value, b] : {std::pair{"2.5", 2}, {"3.5", 4}, {"  375  ", 375}, {"375,9", 375}})
        EXPECT_EQ(loaded(replace_line(text, 22, value)).b_counter, b) << value;
    std::string lf = text;
    std::erase(lf, '\r');
    EXPECT_TRUE(std::holds_alternative<SettingsRecord>(parse_settings(lf))) << "lines may end in LF alone";
}

// The wrong marker, binary content, an oversized file, a bad prescaler and the message's wording are
// checked through the menu, with nothing changed (settings_menu_test).
TEST(SettingsFile, RefusedFilesNameTheLineAndTheProblem) {
    const std::string text = format_settings(start_state("ksy7100-1"));
    const auto line = [&](int n, const std::string& value) { return replace_line(text, n, value); };
    const std::string bad_pfd = " kHz is not a PFD frequency the frequency dialog takes (1 Hz to 2147483.647 kHz)";
    const std::tuple<std::string, int, std::string> cases[] = {  // file, line, problem
        {text.substr(0, text.find(" 8388608")), 2, "the file ends before this line (prescaler_bits)"},
        {line(5, std::string(5000, '7') + "x"), 5, "cs1_bits: \"77777777777777777777...\" is not a number"},
        {line(5, "114689"), 5, "cs1_bits = 114689 does not fit its field (bits 16 to 14)"},
        {line(6, "4"), 6, "output_power = 4 is outside 0 to 3"},
        {line(22, "8192"), 22, "b_counter = 8192 is outside 0 to 8191"},
        {line(23, "32"), 23, "a_counter = 32 is outside 0 to 31"},
        {line(9, "1e300"), 9, "cp_threestate_bits = 1e+300 is too large for a 16-bit integer"},
        {line(19, "1"), 19, "div_sel_bits = 1 is neither 0 nor 8388608 (bit 23)"},
        // r_aux_bits is added to the R word: only the bits the R latch ignores may be set.
        {line(15, "2"), 15, "r_aux_bits = 2 does not fit its field (bits 23 to 22)"},
        {line(15, "-1"), 15, "r_aux_bits = -1 does not fit its field (bits 23 to 22)"},
        {line(25, "0"), 25, "prescaler = 0 is none of 1, 8, 16 or 32"},
        {line(18, "0"), 18, "r_counter = 0 is outside 1 to 16383"},
        {line(24, "0.0005"), 24, "pfd_freq = 0.0005" + bad_pfd},
        {line(24, "1e300"), 24, "pfd_freq = 1e+300" + bad_pfd},
        // 8 beside the 32/33 bits would split every later N for the wrong modulus.
        {line(25, "8"), 25, "prescaler = 8 contradicts the prescaler bits of line 2 (8388608 selects 32/33)"},
        {line(28, std::string(65, 'k')), 28, "device: the name \"kkkkkkkkkkkkkkkkkkkk...\" is longer than 64 characters"},
        {"", 0, "the file is empty"},
    };
    for (const auto& [file, n, problem] : cases) {
        auto parsed = parse_settings(file);
        ASSERT_TRUE(std::holds_alternative<SettingsProblem>(parsed)) << problem;
        const auto& p = std::get<SettingsProblem>(parsed);
        EXPECT_EQ(std::tuple(p.wrong_marker, p.line, p.problem), std::tuple(false, n, problem));
        EXPECT_LT(describe(p, "/tmp/x.txt").size(), 160u) << "messages quote only a short prefix";
    }
}

// Load, save, load: the second load finds exactly what the first one stored, and the saved text is
// what a save of that state writes again. The values at the edges of their rules are among them.
TEST(SettingsFile, ALoadedFileSavesBackIntoOneThatLoadsIdentically) {
    const std::string text = format_settings(start_state("ksy7100-1"));
    const std::tuple<int, std::string> cases[] = {
        {24, "0.1"}, {24, "2147483.647"}, {24, "0.0005000001"}, {24, "3333.33333333333"}, {24, "200.816326530612"},
        {19, "8388608.000000001"}, {20, "-0"}, {22, "2.5"}, {15, "4194304"}, {15, "12582912"}, {18, "1"},
        {18, "16383"}, {28, "ksy7100-8"}, {28, "ksy7103"}, {28, std::string(64, 'x')}, {28, ""},
    };
    for (const auto& [line, value] : cases) {
        const EvalState once = loaded(replace_line(text, line, value));
        const std::string saved = format_settings(once);
        EXPECT_EQ(loaded(saved), once) << value;
        EXPECT_EQ(format_settings(loaded(saved)), saved) << value;
    }
    EXPECT_EQ(loaded(replace_line(text, 24, "200.00000000000003")).pfd_freq, 200.0);
}
