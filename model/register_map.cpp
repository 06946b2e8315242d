#include "model/register_map.h"

#include <algorithm>
#include <cstdio>

#include "model/counters.h"
#include "model/frequency_made.h"
#include "model/number_format.h"
#include "model/variants.h"

namespace regmap {

namespace {

constexpr uint32_t kWordMask = 0xFFFFFF;
constexpr uint32_t kTestEnableBit = 1u << 19;  // R latch DB19

constexpr Field kControlFields[] = {
    {23, 22, "Prescaler", false},
    {21, 21, "PD2", false},
    {20, 20, "PD1", false},
    {19, 17, "-----Curr Setting 2-----", false},
    {16, 14, "----Curr Setting 1---", false},
    {13, 12, "---Pwr Out---", false},
    {11, 11, "MLD", false},
    {10, 10, "CPG", false},
    {9, 9, "CP3", false},
    {8, 8, " Pol", false},
    {7, 5, "--------Muxout-------", false},
    {4, 4, "CR", false},
    {3, 2, "--Core Pwr--", false},
    {1, 0, "address", true},
};

constexpr Field kNFields[] = {
    {23, 23, "DIV SEL", false},
    {22, 22, "DIV/2", false},
    {21, 21, "CP Gain", false},
    {20, 8,
     "-----------------------------------------------------------13 Bit B Counter"
     "-----------------------------------------------",
     false},
    {7, 7, "Res", true},
    {6, 2, "--------------5 Bit A Counter---------------", false},
    {1, 0, "address", true},
};

constexpr Field kRFields[] = {
    {23, 22, "Reserved", true},
    {21, 20, "---BSCB---", false},
    {19, 19, " Res", true},
    {18, 18, " LDP", false},
    {17, 16, "-----ABP-----", false},
    {15, 2,
     "--------------------------------------------------14 Bit R Counter"
     "--------------------------------------------------------------------",
     false},
    {1, 0, "address", true},
};

constexpr std::string_view kNCounterCaption =
    "------------------------------------------------------13 Bit N Counter"
    "----------------------------------------------------";

constexpr uint32_t field_mask(int high, int low) { return ((1u << (high - low + 1)) - 1) << low; }

// A pre-shifted field shown as it is when it holds one of its legal values (only bits of its
// own), else with its switches off.
uint32_t legal(int64_t value, int high, int low) {
    const uint32_t mask = field_mask(high, low);
    return value >= 0 && (uint64_t(value) & ~uint64_t(mask)) == 0 ? uint32_t(value) : 0;
}

// A one-bit field that the state keeps in a double: on for its bit value, off for anything else.
uint32_t single(double value, int bit) { return value == double(1u << bit) ? 1u << bit : 0; }

// A counter shown from its most significant switch down: a switch is on when what remains of
// the value reaches its weight, and then the weight is taken off. For a value of 0 or more that
// shows the value itself, or all ones when it exceeds the field; a negative value shows none.
uint32_t greedy(int64_t value, int width) {
    const int64_t largest = (int64_t(1) << width) - 1;
    return uint32_t(std::clamp<int64_t>(value, 0, largest));
}

bool on(uint32_t bits, int db) { return (bits >> db) & 1u; }
int32_t take(uint32_t bits, int high, int low) { return int32_t(bits & field_mask(high, low)); }

std::string_view address_latch_name(uint32_t address) {
    constexpr std::string_view names[] = {"control latch", "R latch", "N latch", "test latch"};
    return names[address & 3];
}

std::string bit_list(uint32_t bits) {
    std::string list;
    for (int db = 23; db >= 0; --db)
        if (on(bits, db)) list += (list.empty() ? "DB" : ", DB") + std::to_string(db);
    return list;
}

}  // namespace

uint8_t latch_of(Row row) {
    switch (row) {
        case Row::Control: return 0;
        case Row::N: return 2;
        case Row::R: return 1;
    }
    return 0;
}

std::string_view latch_name(Row row) {
    switch (row) {
        case Row::Control: return "Control latch";
        case Row::N: return "N latch";
        case Row::R: return "R latch";
    }
    return {};
}

std::span<const Field> fields(Row row) {
    switch (row) {
        case Row::Control: return kControlFields;
        case Row::N: return kNFields;
        case Row::R: return kRFields;
    }
    return {};
}

const Field& field_at(Row row, int db) {
    for (const Field& f : fields(row))
        if (db <= f.high && db >= f.low) return f;
    return fields(row).back();  // db outside 0..23: the address field
}

std::string_view caption_core(std::string_view caption) {
    const auto first = caption.find_first_not_of("- ");
    if (first == std::string_view::npos) return {};
    const auto last = caption.find_last_not_of("- ");
    return caption.substr(first, last - first + 1);
}

std::string_view single_modulus_caption(Row row, int high) {
    if (row == Row::Control && high == 23) return "Don't Care";
    if (row == Row::N) {
        if (high == 23 || high == 22) return "Don't Care";
        if (high == 20) return kNCounterCaption;
        if (high == 6) return "----------Not Used, Set to 0------------";
    }
    return {};
}

uint32_t settable_mask(Row row) {
    uint32_t mask = 0;
    for (const Field& f : fields(row))
        if (!f.fixed) mask |= field_mask(f.high, f.low);
    return mask;
}

bool fixed_digit(Row row, int db) { return db <= 1 && on(latch_of(row), db); }

RegisterBits bits_from_state(const EvalState& s) {
    RegisterBits b;
    b[Row::R] = legal(s.bscd_bits, 21, 20) | legal(s.ldp_bits, 18, 18) | legal(s.abp_width_bits, 17, 16) |
                greedy(s.r_counter, 14) << 2;

    const int32_t b_shown = variants::is_single_modulus(s.device) ? s.n_value : s.b_counter;
    b[Row::N] = single(s.div_sel_bits, 23) | single(s.out_div2_bits, 22) | legal(s.cp_gain_bits, 21, 21) |
                greedy(b_shown, 13) << 8 | greedy(s.a_counter, 5) << 2;

    b[Row::Control] = legal(s.prescaler_bits, 23, 22) | legal(s.powerdown_bits, 21, 20) |
                      legal(s.cs2_bits, 19, 17) | legal(s.cs1_bits, 16, 14) |
                      legal(int64_t(s.output_power) << 12, 13, 12) | legal(s.mute_till_ld_bits, 11, 11) |
                      legal(s.ctrl_cp_gain_bits, 10, 10) | legal(s.cp_threestate_bits, 9, 9) |
                      legal(s.pd_polarity_bits, 8, 8) | legal(s.muxout_bits, 7, 5) |
                      legal(s.counter_reset_bits, 4, 4) | legal(int64_t(s.core_power) << 2, 3, 2);
    return b;
}

Plan<EvalState> rebuild_state(const EvalState& state, const RegisterBits& bits, std::span<const Row> rows) {
    const auto taken = [&](Row row) { return std::find(rows.begin(), rows.end(), row) != rows.end(); };
    const uint32_t r = bits[Row::R], n = bits[Row::N], c = bits[Row::Control];
    const bool single_modulus = variants::is_single_modulus(state.device);
    if (taken(Row::R) && take(r, 15, 2) == 0) return PlanFailure{kNoRCounter, 0};
    if (taken(Row::N) && single_modulus && take(n, 6, 2) != 0) return PlanFailure{kSingleModulusA, 0};

    EvalState s = state;
    if (taken(Row::R)) {
        s.bscd_bits = take(r, 21, 20);
        s.ldp_bits = take(r, 18, 18);
        s.abp_width_bits = take(r, 17, 16);
        s.r_counter = take(r, 15, 2) >> 2;
    }
    if (taken(Row::N)) {
        s.div_sel_bits = take(n, 23, 23);
        s.out_div2_bits = take(n, 22, 22);
        s.cp_gain_bits = take(n, 21, 21);
        s.b_counter = take(n, 20, 8) >> 8;  // the single-modulus variant's N counter
        s.a_counter = take(n, 6, 2) >> 2;
    }
    if (taken(Row::Control)) {
        s.prescaler_bits = take(c, 23, 22);
        // Bit 23 alone or with bit 22 is 32/33, bit 22 alone 16/17, neither 8/9. The variant without
        // dual-modulus prescaler keeps P = 1 whatever its "Don't Care" bits say: its frequency plans
        // and exercisers split N by the stored modulus.
        s.prescaler = single_modulus ? 1 : on(c, 23) ? 32 : on(c, 22) ? 16 : 8;
        s.powerdown_bits = take(c, 21, 20);
        s.cs2_bits = take(c, 19, 17);
        s.cs1_bits = take(c, 16, 14);
        s.output_power = uint16_t(take(c, 13, 12) >> 12);
        s.mute_till_ld_bits = take(c, 11, 11);
        s.ctrl_cp_gain_bits = take(c, 10, 10);
        s.cp_threestate_bits = int16_t(take(c, 9, 9));
        s.pd_polarity_bits = int16_t(take(c, 8, 8));
        s.muxout_bits = int16_t(take(c, 7, 5));
        s.counter_reset_bits = int16_t(take(c, 4, 4));
        s.core_power = uint16_t(take(c, 3, 2) >> 2);
    }

    if (variants::has_dual_modulus(s.device))
        if (auto problem = prescaler_problem(programmed_ratio(s), s.b_counter, s.a_counter, s.prescaler))
            return PlanFailure{*problem + " Nothing was changed or sent.", 0};
    // 13-bit B and 5-bit A with P at most 32 cannot overflow.
    s.n_value = int32_t(programmed_ratio(s));
    settle_frequencies(s);
    // A row that moves the frequency asks for the frequency it makes.
    if (s.vco_freq != state.vco_freq || s.pfd_freq != state.pfd_freq) {
        s.asked_vco_freq = s.vco_freq;
        s.asked_pfd_freq = s.pfd_freq;
    }
    return s;
}

uint32_t unshown_bits(const EvalState& s, Row row) {
    if (row != Row::R) return 0;
    const int64_t added = int64_t(s.test_enable_bits) + s.r_aux_bits;
    return uint32_t(added) & kWordMask & ~settable_mask(row) & ~3u;
}

uint32_t row_word(Row row, uint32_t bits, uint32_t unshown) {
    return (bits & settable_mask(row)) | unshown | latch_of(row);
}

Plan<uint32_t> parse_row_word(std::string_view text, Row row, uint32_t unshown, uint32_t free_bits) {
    const std::string typed(text);
    const auto invalid = [&] {
        return PlanFailure{"\"" + typed + "\" is not a 24-bit word in hexadecimal: type up to six hexadecimal "
                           "digits (0 to FFFFFF), for example 8FF108. Nothing was changed.",
                           0};
    };
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return invalid();
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);

    uint64_t word = 0;
    for (char ch : text) {
        int digit = ch >= '0' && ch <= '9' ? ch - '0'
                    : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10
                    : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10
                                             : -1;
        if (digit < 0) return invalid();
        word = word * 16 + uint64_t(digit);
        if (word > kWordMask) return invalid();
    }

    const uint32_t w = uint32_t(word);
    const std::string hex = hex_word(w);
    const uint32_t address = w & 3u, own = latch_of(row);
    if (address != own) {
        return PlanFailure{hex + " is a word for the " + std::string(address_latch_name(address)) +
                               " (address bits DB1, DB0 = " + std::to_string(address >> 1) + ", " +
                               std::to_string(address & 1) + "); this row takes " +
                               std::string(address_latch_name(own)) + " words (address bits " +
                               std::to_string(own >> 1) + ", " + std::to_string(own & 1) +
                               "). Nothing was changed.",
                           0};
    }
    const uint32_t fixed = ~settable_mask(row) & ~3u & kWordMask & ~free_bits;
    if (row == Row::R && (w & kTestEnableBit) != (unshown & kTestEnableBit)) {
        const bool enabled = unshown & kTestEnableBit;
        return PlanFailure{hex + " has DB19 = " + (enabled ? "0" : "1") + ", but DB19 of the R latch is the test-mode "
                               "enable bit, which the Test Modes window sets (test modes are " +
                               (enabled ? "enabled there, so every R word is sent with DB19 = 1" :
                                          "disabled there, so every R word is sent with DB19 = 0") +
                               "). Type the word with DB19 = " + (enabled ? "1" : "0") +
                               ", or change the test-mode enable switch in the Test Modes window (double-click the "
                               "picture on the main window). Nothing was changed.",
                           0};
    }
    if (const uint32_t missing = unshown & fixed & ~w) {
        const bool several = (missing & (missing - 1)) != 0;
        return PlanFailure{hex + " clears " + bit_list(missing) + " of the " + std::string(address_latch_name(own)) +
                               ", which the settings file loaded sets in every word sent: type the word with " +
                               (several ? "them" : "it") + " set. Nothing was changed.",
                           0};
    }
    const uint32_t reserved = w & fixed & ~unshown;
    if (reserved) {
        const bool several = (reserved & (reserved - 1)) != 0;
        return PlanFailure{hex + " sets " + bit_list(reserved) + " of the " + std::string(address_latch_name(own)) +
                               (several ? ", which are reserved" : ", which is reserved") +
                               ": this window keeps " + (several ? "them" : "it") + " at 0. Nothing was changed.",
                           0};
    }
    return w & (settable_mask(row) | free_bits);
}

std::string hex_word(uint32_t word) {
    char text[12];
    std::snprintf(text, sizeof text, "%X", unsigned(word));
    return text;
}

}  // namespace regmap
