// The command table: each command that sets or asks what a window sets, its arguments, and the
// action it runs. Every setting has its query, and every query answers a value its setting takes
// back. The common and system commands are in command_table_common.cpp, the instrument's own
// (files, measurement, exercisers) in command_table_instrument.cpp.
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
#include "model/counters.h"
#include "model/frequency_plan.h"
#include "model/frequency_planner.h"
#include "model/register_export.h"
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

// ON, OFF, or a number as IEEE 488.2 takes a Boolean: rounded, any value but 0 is ON.
std::optional<bool> on_off(const std::string& arg) {
    if (auto k = keyword(arg, {"OFF", "ON"})) return *k == 1;
    const Numeric n = numeric(arg, Unit::None);
    if (n.code || !n.value || !std::isfinite(*n.value)) return std::nullopt;
    return std::round(*n.value) != 0;
}

std::optional<int> whole(const std::string& arg, int low, int high, std::optional<int> def) {
    return whole_number(arg, low, high, def);
}

Reply illegal(const std::string& arg, const std::string& header, const std::string& allowed) {
    if (const Numeric n = numeric(arg, Unit::None); n.code) return error(n.code, n.message);
    return error(kIllegalParameterValue, header + " takes " + allowed);
}

std::optional<double> entry_value(const std::string& arg, Unit unit, const std::optional<Range>& range,
                                  std::optional<Reply>& refused) {
    const Numeric n = numeric(arg, unit, range);
    if (n.code) refused = error(n.code, n.message);
    return n.value;
}

namespace {

std::string number_text(double value) { return numfmt::general(value); }

// The latch a keyword names: CONTrol 0, R 1, N 2, TEST 3.
std::optional<uint8_t> latch_keyword(const std::string& arg) {
    if (auto k = keyword(arg, {"CONTrol", "R", "N", "TEST"})) return uint8_t(*k);
    return std::nullopt;
}

std::string hex_word(int64_t word) {
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

// The register-map row a keyword names, with its latch.
std::optional<regmap::Row> row_keyword(const std::string& arg) {
    static constexpr regmap::Row rows[] = {regmap::Row::Control, regmap::Row::N, regmap::Row::R};
    if (auto k = keyword(arg, {"CONTrol", "N", "R"})) return rows[*k];
    return std::nullopt;
}

// What the variant's start-up sets, for DEF.
EvalState defaults_of(const EvalState& s) {
    return variants::is_family_variant(s.device) ? variants::start_state(s.device) : s;
}

// The limits the frequency dialog takes: N from 1 to the largest the counters hold, times the
// PFD; the PFD from the reference over the largest R to the reference itself; the reference
// from R = 1 to R = 16383 times the PFD asked for.
// MIN and MAX are values the command takes now: the VCO frequencies of the smallest and largest N
// the prescaler makes at the present PFD, and the PFDs the reference divides whose N it makes at
// the present VCO frequency.
Range vco_range(const EvalState& s) {
    const RatioLimits n = makeable_ratios(s);
    const double pfd_khz = dialog_pfd_khz(s);
    return {numfmt::round_trip(double(n.min) * pfd_khz / 1000), numfmt::round_trip(double(n.max) * pfd_khz / 1000),
            defaults_of(s).vco_freq};
}
Range pfd_range(const EvalState& s) {
    if (const auto limits = pfd_limits(s)) return {limits->min_khz, limits->max_khz, defaults_of(s).pfd_freq};
    return {s.ref_freq / 1000 / kMaxRCounter, s.ref_freq / 1000, defaults_of(s).pfd_freq};
}
Range ref_range(const EvalState& s) {
    if (const auto limits = reference_limits(s)) return {limits->min_mhz, limits->max_mhz, 10};
    return {s.asked_pfd_freq / 1000, s.asked_pfd_freq * kMaxRCounter / 1000, 10};
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

// A power level: a step UP or DOWN as its buttons make, or the level itself.
Handlers power_level(const char* header, actions::PowerLevel which, const char* action) {
    using actions::PowerLevel;
    return {header,
            [which, header](Interpreter& in, const Args& a) -> Reply {
                if (auto k = keyword(a[0], {"UP", "DOWN"}))
                    return in.finish(actions::step_power_level(in.state(), in.port(), which, *k == 0 ? +1 : -1));
                const EvalState d = defaults_of(in.state());
                auto level = whole(a[0], 0, 3, which == PowerLevel::Output ? d.output_power : d.core_power);
                if (!level) return illegal(a[0], header, "UP, DOWN or a level from 0 to 3");
                return in.finish(actions::set_power_level(in.state(), in.port(), which, *level));
            },
            {1, 1}, "UP|DOWN|<level 0..3>",
            [which](Interpreter& in, const Args&) {
                const auto& s = in.state();
                return answer(std::to_string(which == PowerLevel::Output ? s.output_power : s.core_power));
            },
            {0, 0}, nullptr, "the level, 0 to 3", action};
}

Handlers current_setting(const char* header, CurrentSetting setting, const char* action) {
    return {header,
            [setting, header](Interpreter& in, const Args& a) -> Reply {
                auto code = whole(a[0], 0, kCurrentPositions - 1, kCurrentPositions - 1);
                if (!code) return illegal(a[0], header, "a code from 0 to 7");
                std::optional<double> rset = in.state().rset;
                std::optional<Reply> refused;
                if (a.size() > 1) rset = entry_value(a[1], Unit::Ohm, Range{1, 1e6, 4700}, refused);
                if (refused) return *refused;
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
            [list, last, header](Interpreter& in, const Args& a) -> Reply {
                auto code = whole(a[0], 0, last, 0);
                if (!code) return illegal(a[0], header, "a code from 0 to " + std::to_string(last));
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
        {"FREQuency",
         [](Interpreter& in, const Args& a) -> Reply {
             std::optional<Reply> refused;
             const auto mhz = entry_value(a[0], Unit::MHz, vco_range(in.state()), refused);
             if (refused) return *refused;
             return frequency_dialog(in, [&](const SynthEntries& e) {
                 return actions::load_frequency(in.state(), in.port(), mhz, entry_number(e.pfd_text));
             });
         },
         {1, 1}, "<MHz>",
         [](Interpreter& in, const Args&) { return answer(number_text(in.state().vco_freq)); },
         {0, 0}, nullptr, "the VCO frequency in MHz", "frequency dialog: Load Now with this VCO frequency"},
        {"FREQuency:PFD",
         [](Interpreter& in, const Args& a) -> Reply {
             std::optional<Reply> refused;
             const auto khz = entry_value(a[0], Unit::kHz, pfd_range(in.state()), refused);
             if (refused) return *refused;
             return frequency_dialog(in, [&](const SynthEntries& e) {
                 return actions::load_frequency(in.state(), in.port(), entry_number(e.vco_text), khz);
             });
         },
         {1, 1}, "<kHz>",
         [](Interpreter& in, const Args&) { return answer(number_text(in.state().pfd_freq)); },
         {0, 0}, nullptr, "the PFD frequency in kHz", "frequency dialog: Load Now with this PFD frequency"},
        {"FREQuency:REFerence",
         [](Interpreter& in, const Args& a) -> Reply {
             std::optional<Reply> refused;
             const auto mhz = entry_value(a[0], Unit::MHz, ref_range(in.state()), refused);
             if (refused) return *refused;
             return in.finish(actions::apply_reference(in.state(), in.port(), mhz));
         },
         {1, 1}, "<MHz>",
         [](Interpreter& in, const Args&) { return answer(number_text(in.state().ref_freq / 1e6)); },
         {0, 0}, nullptr, "the reference frequency in MHz", "reference dialog: apply"},
        {"FREQuency:PLAN", {}, {}, nullptr,
         [](Interpreter& in, const Args& a) -> Reply {
             std::optional<Reply> refused;
             const auto mhz = entry_value(a[0], Unit::MHz, vco_range(in.state()), refused);
             std::optional<double> step;
             if (a.size() > 1) step = entry_value(a[1], Unit::kHz, Range{0, 1e9, 200}, refused);
             if (refused) return *refused;
             if (!mhz || !(*mhz > 0) || (a.size() > 1 && (!step || !(*step > 0))))
                 return illegal(a[0], "FREQ:PLAN?", "a frequency in MHz above 0, and a channel step in kHz above 0");
             // One comma list, seven fields a plan: ';' separates the answers of one message.
             std::string plans;
             for (const FrequencyPlan& p : plan_frequency(in.state(), *mhz, step))
                 plans += (plans.empty() ? "" : ",") + plan_text(p);
             if (plans.empty()) return error(kExecutionError, "no plan of the counters reaches " + number_text(*mhz) + " MHz");
             return answer(plans);
         },
         {1, 2}, "<MHz>[,<step kHz>]",
         "up to five plans, best first: <R>,<PFD kHz>,<P>,<B>,<A>,<MHz made>,<error Hz>;...",
         "frequency dialog: Plan..."},
        {"FREQuency:STEP",
         [](Interpreter& in, const Args& a) -> Reply {
             auto k = keyword(a[0], {"UP", "DOWN"});
             if (!k) return illegal(a[0], "FREQ:STEP", "UP or DOWN");
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
             if (!latch) return illegal(a[0], "LATC:SEND", "CONT, R, N, TEST or ALL");
             return in.finish(actions::resend_latch(in.state(), in.port(), *latch));
         },
         {1, 1}, "CONT|R|N|TEST|ALL", {}, {}, nullptr, nullptr,
         "resend window: one latch again; ALL sends test, N, R, control"},
        {"LATCh:EXPort", {}, {}, nullptr,
         [](Interpreter& in, const Args& a) -> Reply {
             auto k = keyword(a[0], {"HEX", "C", "CSV", "JSON"});
             if (!k) return illegal(a[0], "LATC:EXP?", "HEX, C, CSV or JSON");
             static constexpr ExportFormat formats[] = {ExportFormat::Hex, ExportFormat::C, ExportFormat::Csv, ExportFormat::Json};
             const std::string text = export_text(in.state(), formats[*k], in.version());
             // A definite-length block, as instruments send text of several lines.
             const std::string length = std::to_string(text.size());
             return answer("#" + std::to_string(length.size()) + length + text);
         },
         {1, 1}, "HEX|C|CSV|JSON", "File > Export Registers as a definite-length block (#<digits><length><text>)",
         "File > Export Registers"},
        {"LATCh:WORD", {}, {}, nullptr,
         [](Interpreter& in, const Args& a) -> Reply {
             auto latch = latch_keyword(a[0]);
             if (!latch) return illegal(a[0], "LATC:WORD?", "CONT, R, N or TEST");
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
        power_level("POWer:OUTPut", PowerLevel::Output, "main window: output power level buttons"),
        power_level("POWer:CORE", PowerLevel::Core, "main window: core power level buttons"),
        current_setting("CURRent1", CurrentSetting::One, "current setting 1 dialog: apply (RSet as stored unless given)"),
        current_setting("CURRent2", CurrentSetting::Two, "current setting 2 dialog: apply (RSet as stored unless given)"),
        {"CURRent:RSET", {}, {}, nullptr,
         [](Interpreter& in, const Args&) { return answer(number_text(in.state().rset)); },
         {0, 0}, nullptr, "RSet in ohms", "none (a query; CURR1 and CURR2 set it)"},
        {"PDOWn",
         [](Interpreter& in, const Args& a) -> Reply {
             auto k = keyword(a[0], {"NORMal", "SYNChronous", "ASYNchronous"});
             if (!k) return illegal(a[0], "PDOW", "NORM, SYNC or ASYN");
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
             auto code = whole(a[0], 0, kMuxoutOptions - 1, 0);
             if (!code) return illegal(a[0], "MUX", "a code from 0 to 7");
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
             auto k = keyword(a[0], {"8", "16", "32", "MINimum", "MAXimum", "DEFault"});
             if (!k) return illegal(a[0], "PRES", "8, 16 or 32");
             static constexpr int positions[] = {0, 1, 2, 0, 2, 2};  // DEF: 32/33 but for the KSY7100-7's 8/9
             int position = positions[*k];
             if (*k == 5 && defaults_of(in.state()).prescaler == 8) position = 0;
             return in.finish(actions::apply_prescaler(in.state(), in.port(), position));
         },
         {1, 1}, "8|16|32",
         [](Interpreter& in, const Args&) { return answer(std::to_string(in.state().prescaler)); },
         {0, 0}, nullptr, "the modulus P (1 for the KSY7100-8, which has no prescaler)", "prescaler dialog: apply"},
        {"BSELect",
         [](Interpreter& in, const Args& a) -> Reply {
             auto k = keyword(a[0], {"1", "2", "4", "8", "MINimum", "MAXimum", "DEFault"});
             if (!k) return illegal(a[0], "BSEL", "1, 2, 4 or 8");
             int position = *k < 4 ? *k : *k == 4 ? 0 : 3;
             if (*k == 6) position = defaults_of(in.state()).bscd_bits >> 20;
             return in.finish(actions::apply_band_select(in.state(), in.port(), position));
         },
         {1, 1}, "1|2|4|8",
         [](Interpreter& in, const Args&) -> Reply {
             auto ratio = band_select_ratio(in.state().bscd_bits);
             return answer(ratio ? *ratio : "NONE");
         },
         {0, 0}, nullptr, "the divide ratio", "band select dialog: apply"},
        {"ABPWidth",
         [](Interpreter& in, const Args& a) -> Reply {
             auto code = whole(a[0], 0, kAbpWidthOptions - 1, 0);
             if (!code) return illegal(a[0], "ABPW", "a code from 0 to 3 (3.0, 1.3, 6.0, 3.0 ns)");
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
             auto board = whole(a[0], 0, 5);
             if (!board) return illegal(a[0], "BOAR", "a board from 1 to 5 (0: none, while a variant is set)");
             if (*board == 0) {
                 // BOAR? answers 0 for a variant: setting it back changes nothing; a preset stays.
                 if (in.state().preset_index == 0) return {};
                 return error(kSettingsConflict, "a board preset is set: load a settings file of a variant to leave it");
             }
             return in.finish(actions::apply_board_preset(in.state(), in.port(), *board));
         },
         {1, 1}, "<board 0..5>",
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
             auto row = row_keyword(a[0]);
             if (!row) return illegal(a[0], "REG:WRIT", "CONT, N or R, then the word");
             // The word in hexadecimal as the register map takes it, or as a #H, #B or #Q number.
             std::string word = a[1];
             if (!word.empty() && word.front() == '#') {
                 const Numeric n = numeric(word, Unit::None);
                 if (!n.value || *n.value > 0xFFFFFF) return illegal(a[1], "REG:WRIT", "a 24-bit word");
                 word = hex_word(int64_t(*n.value));
             }
             return in.finish(actions::write_register_word(in.state(), in.port(), *row, word));
         },
         {2, 2}, "CONT|N|R,<hex word>",
         [](Interpreter& in, const Args& a) -> Reply {
             auto row = row_keyword(a[0]);
             if (!row) return illegal(a[0], "REG:WRIT?", "CONT, N or R");
             return answer(hex_word(assemble_latch(in.state(), regmap::latch_of(*row))));
         },
         {1, 1}, "CONT|N|R", "the row's word as the register map would send it, six hexadecimal digits",
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
        std::vector<Handlers> t = common_commands();
        for (Handlers& h : build_table()) t.push_back(std::move(h));
        for (Handlers& h : instrument_commands()) t.push_back(std::move(h));
        for (Handlers& h : loop_commands()) t.push_back(std::move(h));
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
