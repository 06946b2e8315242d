#include <gtest/gtest.h>

#include "model/board_presets.h"
#include "model/settings_file.h"
#include "model/variants.h"

namespace {

EvalState variant_state(const std::string& name) {
    EvalState s;
    variants::apply_port_defaults(s);
    variants::apply_variant_choice(s, name);
    return s;
}

std::string replace_line(std::string text, int line, const std::string& value) {
    size_t start = 0;
    for (int i = 1; i < line; ++i) start = text.find("\r\n", start) + 2;
    size_t end = text.find("\r\n", start);
    return text.replace(start, end - start, value);
}

}  // namespace

TEST(SettingsFile, SaveThenLoadReproducesEveryFieldForEveryVariantAndBoard) {
    std::vector<EvalState> states;
    for (auto name : variants::kNames) states.push_back(variant_state(std::string(name)));
    for (const auto& preset : kBoardPresets) {
        EvalState s = variant_state("ksy7100-1");
        apply_board_preset(s, preset);
        states.push_back(s);
    }
    for (const EvalState& saved : states) {
        const std::string text = format_settings(saved);
        auto parsed = parse_settings(text);
        ASSERT_TRUE(std::holds_alternative<SettingsRecord>(parsed)) << saved.device << "\n" << text;
        EvalState loaded = saved;
        loaded.vco_freq = loaded.ref_freq = 0;
        apply_settings(loaded, std::get<SettingsRecord>(parsed));
        EXPECT_EQ(format_settings(loaded), text) << saved.device;
        EXPECT_EQ(loaded.ref_freq, saved.r_counter * saved.pfd_freq * 1000) << saved.device;
        EXPECT_EQ(loaded.vco_freq, (int64_t(loaded.prescaler) * saved.b_counter + saved.a_counter) * saved.pfd_freq / 1000);
        if (saved.device == "ksy7100-8") {
            EXPECT_EQ(loaded.prescaler, 1);
        }
    }
}

TEST(SettingsFile, NumberTextHasABlankForTheSignAndNoLeadingZero) {
    EvalState s = variant_state("ksy7100-1");
    s.pfd_freq = 0.5;
    s.prescaler_bits = 8388608;
    const std::string text = format_settings(s);
    EXPECT_EQ(text.substr(0, 31), "valid vco settings\r\n 8388608 \r\n");
    EXPECT_NE(text.find("\r\n .5 \r\n"), std::string::npos);
}

TEST(SettingsFile, ReadingRoundsHalvesToEvenAndAcceptsBlanksAndLf) {
    const std::string text = format_settings(variant_state("ksy7100-1"));
    const std::tuple<int, const char*, int32_t> cases[] = {
        {22, "2.5", 2}, {22, "3.5", 4}, {22, "  375  ", 375}, {22, "375,9", 375},
    };
    for (const auto& [line, value, expected] : cases) {
        auto parsed = parse_settings(replace_line(text, line, value));
        ASSERT_TRUE(std::holds_alternative<SettingsRecord>(parsed)) << value;
        EXPECT_EQ(std::get<SettingsRecord>(parsed).b_counter, expected) << value;
    }
    std::string lf = text;
    for (size_t p; (p = lf.find('\r')) != std::string::npos;) lf.erase(p, 1);
    EXPECT_TRUE(std::holds_alternative<SettingsRecord>(parse_settings(lf)));
}

TEST(SettingsFile, RefusedFilesNameTheLineAndTheProblem) {
    const std::string text = format_settings(variant_state("ksy7100-1"));
    const std::tuple<std::string, int, bool> cases[] = {
        {replace_line(text, 1, "Valid vco settings"), 1, true},
        {text.substr(0, text.find(" 8388608")), 2, false},      // ends after the marker
        {replace_line(text, 5, "abc"), 5, false},
        {replace_line(text, 5, "114689"), 5, false},            // off the bits of cs1
        {replace_line(text, 22, "8192"), 22, false},            // B beyond 13 bits
        {replace_line(text, 23, "32"), 23, false},              // A beyond 5 bits
        {replace_line(text, 9, "40000"), 9, false},             // too large for 16 bits
        {replace_line(text, 19, "1"), 19, false},
        {std::string("valid vco settings\r\n\x01\x02"), 0, false},
        {std::string(kMaxSettingsFileBytes + 1, ' '), 0, false},
    };
    for (const auto& [file, line, marker] : cases) {
        auto parsed = parse_settings(file);
        ASSERT_TRUE(std::holds_alternative<SettingsProblem>(parsed)) << line;
        const auto& p = std::get<SettingsProblem>(parsed);
        EXPECT_EQ(p.wrong_marker, marker) << line;
        EXPECT_EQ(p.line, line) << describe(p);
    }
    // r_aux_bits keeps any 32-bit value.
    auto parsed = parse_settings(replace_line(text, 15, "-123456789"));
    ASSERT_TRUE(std::holds_alternative<SettingsRecord>(parsed));
    EXPECT_EQ(std::get<SettingsRecord>(parsed).r_aux_bits, -123456789);
}
