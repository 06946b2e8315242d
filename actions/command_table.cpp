// The command table: each command that sets or asks what a window sets, its arguments, and the
// action it runs. The instrument's own commands are in command_table_instrument.cpp.
#include <cctype>
#include <cmath>
#include <tuple>

#include "actions/command_handlers.h"
#include "actions/frequency.h"
#include "actions/main_controls.h"
#include "actions/options.h"
#include "actions/register_sends.h"
#include "actions/test_latch.h"
#include "model/board_words.h"
#include "model/latch.h"
#include "model/number_format.h"
#include "model/setting_choices.h"
#include "model/variants.h"

namespace commands {

std::optional<int> keyword(const std::string& arg, std::initializer_list<const char*> keywords) {
    int i = 0;
    for (const char* k : keywords) {
        if (mnemonic_matches(k, arg)) return i;
        ++i;
    }
    return std::nullopt;
}

std::optional<bool> on_off(const std::string& arg) {
    if (auto k = keyword(arg, {"OFF", "ON", "0", "1"})) return *k % 2 == 1;
    return std::nullopt;
}

std::optional<int> whole(const std::string& arg, int low, int high) {
    auto v = parse_number(arg);
    // In range before it becomes an integer: 1e300 has no int.
    if (!v || !(*v >= low && *v <= high) || *v != std::floor(*v)) return std::nullopt;
    return int(*v);
}

Reply illegal(const char* header, const char* allowed) {
    return error(kIllegalParameterValue, std::string(header) + " takes " + allowed);
}

namespace {

std::string number_text(double value) { return numfmt::general(value); }

// The latch a keyword names: CONTrol 0, R 1, N 2, TEST 3.
std::optional<uint8_t> latch_keyword(const std::string& arg) {
    if (auto k = keyword(arg, {"CONTrol", "R", "N", "TEST"})) return uint8_t(*k);
    return std::nullopt;
}

std::string hex_word(int32_t word) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text(6, '0');
    for (int i = 5; i >= 0; --i, word >>= 4) text[size_t(i)] = digits[word & 15];
    return text;
}

int32_t latch_copy(const EvalState& s, uint8_t latch) {
    switch (latch) {
    case kControlLatch: return s.control_word;
    case kRLatch: return s.r_word;
    case kNLatch: return s.n_word;
    default: return s.test_word;
    }
}

// The frequency dialog as it opens (its entries), then one of its buttons. A refused action
// leaves even the dialog's bookkeeping as it was: a refused command changes nothing.
template <class Button>
Reply frequency_dialog(Interpreter& in, Button button) {
    EvalState& s = in.state();
    const auto loaded = std::pair(s.loaded_vco_mhz, s.loaded_pfd_khz);
    actions::FrequencyOutcome out = button(actions::open_frequency_dialog(s));
    if (!out.ok()) std::tie(s.loaded_vco_mhz, s.loaded_pfd_khz) = loaded;
    return in.finish(out);
}

std::optional<double> entry_number(const std::string& text) { return numfmt::parse_entry(text, '.'); }

// A main-window switch: "ON" or "OFF", and its state as a query answer.
template <class Field>
Handlers main_switch(const char* header, actions::MainSwitch which, Field field, const char* action) {
    return {header,
            [which](Interpreter& in, const Args& a) -> Reply {
                auto on = on_off(a[0]);
                if (!on) return error(kIllegalParameterValue, "a switch takes ON or OFF");
                return in.finish(actions::set_main_switch(in.state(), in.port(), which, *on));
            },
            {1, 1}, "ON|OFF",
            [field](Interpreter& in, const Args&) { return answer(field(in.state()) ? "1" : "0"); },
            {0, 0}, nullptr, "1 when on, 0 when off", action};
}

Handlers power_level(const char* header, actions::PowerLevel which, const char* action) {
    return {header,
            [which](Interpreter& in, const Args& a) -> Reply {
                auto k = keyword(a[0], {"UP", "DOWN"});
                if (!k) return error(kIllegalParameterValue, "a power level steps UP or DOWN");
                return in.finish(actions::step_power_level(in.state(), in.port(), which, *k == 0 ? +1 : -1));
            },
            {1, 1}, "UP|DOWN",
            [which](Interpreter& in, const Args&) {
                const auto& s = in.state();
                return answer(std::to_string(which == actions::PowerLevel::Output ? s.output_power : s.core_power));
            },
            {0, 0}, nullptr, "the level, 0 to 3", action};
}

Handlers current_setting(const char* header, CurrentSetting setting, const char* action) {
    return {header,
            [setting](Interpreter& in, const Args& a) -> Reply {
                auto code = whole(a[0], 0, kCurrentPositions - 1);
                if (!code) return error(kIllegalParameterValue, "a current setting takes a code from 0 to 7");
                std::optional<double> rset = in.state().rset;
                if (a.size() > 1) rset = entry_number(a[1]);
                return in.finish(actions::apply_current_setting(in.state(), in.port(), setting, *code, rset));
            },
            {1, 2}, "<code 0..7>[,<RSet ohms>]",
            [setting](Interpreter& in, const Args&) -> Reply {
                const auto& s = in.state();
                auto p = current_setting_position(setting, setting == CurrentSetting::One ? s.cs1_bits : s.cs2_bits);
                return answer(p ? std::to_string(*p) : "NONE");
            },
            {0, 0}, nullptr, "the code, 0 to 7", action};
}

// A list of the test-mode window: the code (the entry's index) to choose.
Handlers test_list(const char* header, test_modes::List list, const char* action) {
    const int last = int(test_modes::entries(list).size()) - 1;
    return {header,
            [list, last](Interpreter& in, const Args& a) -> Reply {
                auto code = whole(a[0], 0, last);
                if (!code) return error(kIllegalParameterValue, "this list takes a code from 0 to " + std::to_string(last));
                return in.finish(actions::choose_test_list(in.state(), list, *code));
            },
            {1, 1}, "<code>",
            [list](Interpreter& in, const Args&) -> Reply {
                auto shown = test_modes::choice_shown(in.state(), list);
                return answer(shown ? std::to_string(*shown) : "NONE");
            },
            {0, 0}, nullptr, "the code", action};
}

// A switch of the test-mode window.
Handlers test_switch(const char* header, test_modes::Switch which, const char* action) {
    return {header,
            [which](Interpreter& in, const Args& a) -> Reply {
                auto on = on_off(a[0]);
                if (!on) return error(kIllegalParameterValue, "a switch takes ON or OFF");
                return in.finish(actions::set_test_switch(in.state(), in.port(), which, *on));
            },
            {1, 1}, "ON|OFF",
            [which](Interpreter& in, const Args&) { return answer(test_modes::switch_on(in.state(), which) ? "1" : "0"); },
            {0, 0}, nullptr, "1 when on, 0 when off", action};
}

std::vector<Handlers> build_table() {
    using actions::MainSwitch;
    using actions::PowerLevel;
    std::vector<Handlers> t = {
        {"*IDN", {}, {}, nullptr,
         [](Interpreter& in, const Args&) {
             const std::string& d = in.state().device;
             std::string shown = d.empty() ? "NONE" : variants::display_name(d);
             return answer("KSY7100-EVAL," + shown + ",0," + in.version());
         },
         {0, 0}, nullptr, "KSY7100-EVAL,<variant or NONE>,0,<version>", "identification"},
        {"FREQuency",
         [](Interpreter& in, const Args& a) {
             return frequency_dialog(in, [&](const SynthEntries& e) {
                 return actions::load_frequency(in.state(), in.port(), entry_number(a[0]), entry_number(e.pfd_text));
             });
         },
         {1, 1}, "<MHz>",
         [](Interpreter& in, const Args&) { return answer(number_text(in.state().vco_freq)); },
         {0, 0}, nullptr, "the VCO frequency in MHz", "frequency dialog: Load Now with this VCO frequency"},
        {"FREQuency:PFD",
         [](Interpreter& in, const Args& a) {
             return frequency_dialog(in, [&](const SynthEntries& e) {
                 return actions::load_frequency(in.state(), in.port(), entry_number(e.vco_text), entry_number(a[0]));
             });
         },
         {1, 1}, "<kHz>",
         [](Interpreter& in, const Args&) { return answer(number_text(in.state().pfd_freq)); },
         {0, 0}, nullptr, "the PFD frequency in kHz", "frequency dialog: Load Now with this PFD frequency"},
        {"FREQuency:REFerence",
         [](Interpreter& in, const Args& a) {
             return in.finish(actions::apply_reference(in.state(), in.port(), entry_number(a[0])));
         },
         {1, 1}, "<MHz>",
         [](Interpreter& in, const Args&) { return answer(number_text(in.state().ref_freq / 1e6)); },
         {0, 0}, nullptr, "the reference frequency in MHz", "reference dialog: apply"},
        {"FREQuency:STEP",
         [](Interpreter& in, const Args& a) -> Reply {
             auto k = keyword(a[0], {"UP", "DOWN"});
             if (!k) return illegal("FREQ:STEP", "UP or DOWN");
             return frequency_dialog(in, [&](const SynthEntries& e) {
                 return actions::step_channel(in.state(), in.port(), entry_number(e.vco_text), entry_number(e.pfd_text),
                                              *k == 0 ? +1 : -1);
             });
         },
         {1, 1}, "UP|DOWN", {}, {}, nullptr, nullptr, "frequency dialog: one channel up or down"},
        {"LATCh:SEND",
         [](Interpreter& in, const Args& a) -> Reply {
             if (keyword(a[0], {"ALL"})) return in.finish(actions::resend_all(in.state(), in.port()));
             auto latch = latch_keyword(a[0]);
             if (!latch) return illegal("LATC:SEND", "CONT, R, N, TEST or ALL");
             return in.finish(actions::resend_latch(in.state(), in.port(), *latch));
         },
         {1, 1}, "CONT|R|N|TEST|ALL", {}, {}, nullptr, nullptr,
         "resend window: one latch again; ALL sends test, N, R, control"},
        {"LATCh:WORD", {}, {}, nullptr,
         [](Interpreter& in, const Args& a) -> Reply {
             auto latch = latch_keyword(a[0]);
             if (!latch) return illegal("LATC:WORD?", "CONT, R, N or TEST");
             if (!(in.state().latches_sent & (1u << *latch))) return answer("NONE");
             return answer(hex_word(latch_copy(in.state(), *latch)));
         },
         {1, 1}, "CONT|R|N|TEST", "the word last sent, six hexadecimal digits, or NONE", "none (a query)"},
        main_switch("SWITch:POLarity", MainSwitch::PdPolarity, [](const EvalState& s) { return s.pd_polarity_bits != 0; },
                    "main window: RF PD polarity switch (ON positive)"),
        main_switch("SWITch:CRESet", MainSwitch::CounterReset, [](const EvalState& s) { return s.counter_reset_bits != 0; },
                    "main window: counter reset switch"),
        main_switch("SWITch:CPGain", MainSwitch::CpGain, [](const EvalState& s) { return s.cp_gain_bits != 0; },
                    "main window: CP gain switch"),
        main_switch("SWITch:IDIVide", MainSwitch::InternalDivide, [](const EvalState& s) { return s.div_sel_bits != 0; },
                    "main window: internal divide-by-2 switch"),
        main_switch("SWITch:TSTate", MainSwitch::ChargePumpThreeState,
                    [](const EvalState& s) { return s.cp_threestate_bits != 0; },
                    "main window: charge pump three-state switch"),
        main_switch("SWITch:ODIVide", MainSwitch::OutputDivide, [](const EvalState& s) { return s.out_div2_bits != 0; },
                    "main window: output divide-by-2 switch"),
        main_switch("SWITch:MUTE", MainSwitch::MuteTillLockDetect,
                    [](const EvalState& s) { return s.mute_till_ld_bits != 0; },
                    "main window: mute till lock detect switch"),
        main_switch("SWITch:LDPrecision", MainSwitch::LockDetectPrecision,
                    [](const EvalState& s) { return s.ldp_bits != 0; },
                    "main window: lock detect precision switch (ON = 5)"),
        power_level("POWer:OUTPut", PowerLevel::Output, "main window: output power level up or down"),
        power_level("POWer:CORE", PowerLevel::Core, "main window: core power level up or down"),
        current_setting("CURRent1", CurrentSetting::One, "current setting 1 dialog: apply (RSet as stored unless given)"),
        current_setting("CURRent2", CurrentSetting::Two, "current setting 2 dialog: apply (RSet as stored unless given)"),
        {"CURRent:RSET", {}, {}, nullptr,
         [](Interpreter& in, const Args&) { return answer(number_text(in.state().rset)); },
         {0, 0}, nullptr, "RSet in ohms", "none (a query)"},
        {"PDOWn",
         [](Interpreter& in, const Args& a) -> Reply {
             auto k = keyword(a[0], {"NORMal", "SYNChronous", "ASYNchronous"});
             if (!k) return illegal("PDOW", "NORM, SYNC or ASYN");
             return in.finish(actions::apply_powerdown(in.state(), in.port(), *k + 1));
         },
         {1, 1}, "NORM|SYNC|ASYN",
         [](Interpreter& in, const Args&) -> Reply {
             auto option = powerdown_option_for(in.state().powerdown_bits);
             static const char* const names[] = {"NORM", "SYNC", "ASYN"};
             return answer(option ? names[*option - 1] : "NONE");
         },
         {0, 0}, nullptr, "NORM, SYNC or ASYN", "power-down dialog: apply"},
        {"MUXout",
         [](Interpreter& in, const Args& a) -> Reply {
             auto code = whole(a[0], 0, kMuxoutOptions - 1);
             if (!code) return illegal("MUX", "a code from 0 to 7");
             return in.finish(actions::apply_muxout(in.state(), in.port(), *code + 1));
         },
         {1, 1}, "<code 0..7>",
         [](Interpreter& in, const Args&) -> Reply {
             auto option = muxout_option_for(in.state().muxout_bits);
             return answer(option ? std::to_string(*option - 1) : "NONE");
         },
         {0, 0}, nullptr, "the code, 0 to 7", "muxout dialog: apply"},
        {"PREScaler",
         [](Interpreter& in, const Args& a) -> Reply {
             auto k = keyword(a[0], {"8", "16", "32"});
             if (!k) return illegal("PRES", "8, 16 or 32");
             return in.finish(actions::apply_prescaler(in.state(), in.port(), *k));
         },
         {1, 1}, "8|16|32",
         [](Interpreter& in, const Args&) { return answer(std::to_string(in.state().prescaler)); },
         {0, 0}, nullptr, "the modulus P", "prescaler dialog: apply"},
        {"BSELect",
         [](Interpreter& in, const Args& a) -> Reply {
             auto k = keyword(a[0], {"1", "2", "4", "8"});
             if (!k) return illegal("BSEL", "1, 2, 4 or 8");
             return in.finish(actions::apply_band_select(in.state(), in.port(), *k));
         },
         {1, 1}, "1|2|4|8",
         [](Interpreter& in, const Args&) -> Reply {
             auto ratio = band_select_ratio(in.state().bscd_bits);
             return answer(ratio ? *ratio : "NONE");
         },
         {0, 0}, nullptr, "the divide ratio", "band select dialog: apply"},
        {"ABPWidth",
         [](Interpreter& in, const Args& a) -> Reply {
             auto code = whole(a[0], 0, kAbpWidthOptions - 1);
             if (!code) return illegal("ABPW", "a code from 0 to 3 (3.0, 1.3, 6.0, 3.0 ns)");
             return in.finish(actions::apply_abp_width(in.state(), in.port(), *code + 1));
         },
         {1, 1}, "<code 0..3>",
         [](Interpreter& in, const Args&) -> Reply {
             auto option = abp_width_option_for(in.state().abp_width_bits);
             return answer(option ? std::to_string(*option - 1) : "NONE");
         },
         {0, 0}, nullptr, "the code, 0 to 3", "anti-backlash dialog: apply"},
        {"BOARd",
         [](Interpreter& in, const Args& a) -> Reply {
             auto board = whole(a[0], 1, 5);
             if (!board) return illegal("BOAR", "a board from 1 to 5");
             return in.finish(actions::apply_board_preset(in.state(), in.port(), *board));
         },
         {1, 1}, "<board 1..5>",
         [](Interpreter& in, const Args&) { return answer(std::to_string(in.state().preset_index)); },
         {0, 0}, nullptr, "the board preset, 0 for a variant", "evaluation board dialog: OK"},
        {"BOARd:FREQuency", {}, {}, nullptr,
         [](Interpreter& in, const Args&) -> Reply {
             auto f = board_frequency(in.state());
             return answer(f ? number_text(f->vco_mhz) : "NONE");
         },
         {0, 0}, nullptr, "the VCO frequency in MHz the words the board holds make, or NONE before it holds them",
         "main window: the status bar's board readout"},
        {"REGister:WRITe",
         [](Interpreter& in, const Args& a) -> Reply {
             auto k = keyword(a[0], {"CONTrol", "N", "R"});
             if (!k) return illegal("REG:WRIT", "CONT, N or R, then the word");
             static constexpr regmap::Row rows[] = {regmap::Row::Control, regmap::Row::N, regmap::Row::R};
             return in.finish(actions::write_register_word(in.state(), in.port(), rows[*k], a[1]));
         },
         {2, 2}, "CONT|N|R,<hex word>", {}, {}, nullptr, nullptr,
         "register map: the row's switches set from the word, then that row's send"},
        test_list("TEST:MODE", test_modes::List::TestMode, "test-mode window: synthesizer test mode list (no send)"),
        test_list("TEST:READback", test_modes::List::Readback, "test-mode window: SAR / ADC readback list (no send)"),
        test_list("TEST:EBANd", test_modes::List::ExtBand, "test-mode window: external band control list (no send)"),
        test_switch("TEST:EBENable", test_modes::Switch::ExtBandEnable,
                    "test-mode window: external band enable switch (no send)"),
        test_switch("TEST:BCONtrol", test_modes::Switch::BandControl, "test-mode window: band control switch (no send)"),
        test_switch("TEST:ADC", test_modes::Switch::AdcControl, "test-mode window: ADC control switch (no send)"),
        test_switch("TEST:ENABle", test_modes::Switch::TestEnable,
                    "test-mode window: test modes enable switch (sends control, R, N, test)"),
        {"TEST:UPDate",
         [](Interpreter& in, const Args&) { return in.finish(actions::update_test_latch(in.state(), in.port())); },
         {0, 0}, nullptr, {}, {}, nullptr, nullptr, "test-mode window: Update Testmode Latch"},
    };
    return t;
}

}  // namespace

const std::vector<Handlers>& handler_table() {
    static const std::vector<Handlers> table = [] {
        std::vector<Handlers> t = build_table();
        for (Handlers& h : instrument_commands()) t.push_back(std::move(h));
        return t;
    }();
    return table;
}

const Handlers* find_handlers(std::string_view typed) {
    for (const Handlers& h : handler_table())
        if (header_matches(h.header, typed)) return &h;
    return nullptr;
}

std::vector<TableEntry> command_table() {
    std::vector<TableEntry> t;
    for (const Handlers& h : handler_table()) t.push_back({h.header, h.set ? h.set_doc : nullptr, h.query ? h.query_doc : nullptr, h.action});
    return t;
}

}  // namespace commands
