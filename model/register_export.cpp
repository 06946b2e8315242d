#include "model/register_export.h"

#include <cctype>
#include <cstdio>

#include "model/frequency_made.h"
#include "model/latch.h"
#include "model/main_display.h"
#include "model/number_format.h"
#include "model/register_map.h"
#include "model/test_modes.h"
#include "model/variants.h"

namespace {

uint32_t bits_of(uint32_t word, int high, int low) { return (word >> low) & ((1u << (high - low + 1)) - 1); }

std::string on_off(uint32_t v, const char* on, const char* off) { return v ? on : off; }

// The test latch's fields under the Test Modes window's names.
struct TestField {
    const char* name;
    int high, low;
};
constexpr TestField kTestFields[] = {
    {"Reserved", 23, 16},       {"External Band Enable", 15, 15}, {"Synthesizer Test Modes", 14, 11},
    {"Band Control", 10, 10},   {"ADC Control", 9, 9},            {"SAR / ADC Readback", 8, 7},
    {"External Band Control", 6, 4}, {"Core Pwr", 3, 2},         {"address", 1, 0},
};

// What a value of a field means, as the windows would say it.
std::string meaning(const EvalState& s, uint8_t latch, std::string_view field, uint32_t v) {
    const std::string f(field);
    if (f == "address") {
        static const char* const latches[] = {"control latch", "R latch", "N latch", "test latch"};
        return latches[latch & 3];
    }
    // DB19 of the R latch is the test-mode enable bit, which the Test Modes window sets.
    if (latch == kRLatch && f == "Res") return on_off(v, "test modes enabled", "test modes disabled");
    if (f == "Reserved" || f == "Res") return v ? "set (reserved)" : "0";
    if (f == "Core Pwr") return core_power_text(s.device, int(v)).value_or(std::to_string(v));
    switch (latch) {
    case kControlLatch:
        if (f == "Prescaler") {
            static const char* const moduli[] = {"8/9", "16/17", "32/33", "32/33"};
            return moduli[v];
        }
        if (f == "PD2" || f == "PD1") return on_off(v, "set", "clear");
        if (f.find("Curr Setting") == 0) {
            const auto ma = current_setting_ma(int(v), s.rset_ohms, s.rset);
            return "code " + std::to_string(v) + (ma ? " (" + numfmt::pattern(*ma, "0.00") + " mA)" : "");
        }
        if (f == "Pwr Out") return output_power_text(int(v)).value_or(std::to_string(v));
        if (f == "MLD") return on_off(v, "mute till lock detect", "no mute");
        if (f == "CP3") return on_off(v, "three-state", "active");
        if (f == "Pol") return on_off(v, "positive", "negative");
        if (f == "Muxout") return muxout_text(s.device, int32_t(v << 5)).value_or("code " + std::to_string(v));
        if (f == "CR") return on_off(v, "counters held in reset", "counting");
        break;
    case kNLatch:
        if (f == "DIV SEL") return on_off(v, "on", "off");
        if (f == "DIV/2") return on_off(v, "output divide by 2", "no output divide");
        if (f.find("B Counter") != std::string::npos)
            return (variants::is_single_modulus(s.device) ? "N " : "B ") + std::to_string(v);
        if (f.find("A Counter") != std::string::npos) return "A " + std::to_string(v);
        break;
    case kRLatch:
        if (f == "BSCB") return "divide by " + band_select_ratio(int32_t(v << 20)).value_or("?");
        if (f == "LDP") return on_off(v, "precision 5", "precision 3");
        if (f == "ABP") {
            const std::string caption = abp_width_caption(int32_t(v << 16)).value_or("?");  // "3.0ns ABP width"
            return caption.substr(0, caption.find("ns")) + " ns";
        }
        if (f.find("R Counter") != std::string::npos) return "R " + std::to_string(v);
        break;
    default:
        if (f == "External Band Enable") return on_off(v, "enabled", "disabled");
        if (f == "Synthesizer Test Modes")
            return std::string(test_modes::entries(test_modes::List::TestMode)[v]);
        if (f == "Band Control") return on_off(v, "enabled", "Icp disabled");
        if (f == "ADC Control") return on_off(v, "enabled", "disabled");
        if (f == "SAR / ADC Readback") return std::string(test_modes::entries(test_modes::List::Readback)[v]);
        if (f == "External Band Control") return std::string(test_modes::entries(test_modes::List::ExtBand)[v]);
        break;
    }
    return std::to_string(v);
}

// A text for JSON and CSV: quotes doubled (CSV) or escaped (JSON).
std::string csv_text(const std::string& t) {
    if (t.find_first_of(",\"") == std::string::npos) return t;
    std::string q = "\"";
    for (char c : t) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}
std::string json_text(std::string_view t) {
    std::string q = "\"";
    for (char c : t) {
        if (c == '"' || c == '\\') q += '\\';
        q += c;
    }
    return q + "\"";
}

std::string upper(std::string_view t) {
    std::string u(t);
    for (char& c : u) c = char(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

std::string variant_of(const EvalState& s) { return s.device.empty() ? "NONE" : variants::display_name(s.device); }

}  // namespace

std::optional<ExportFormat> export_format_of(std::string_view path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) return std::nullopt;
    const std::string ext = upper(path.substr(dot + 1));
    if (ext == "TXT") return ExportFormat::Hex;
    if (ext == "H") return ExportFormat::C;
    if (ext == "CSV") return ExportFormat::Csv;
    if (ext == "JSON") return ExportFormat::Json;
    return std::nullopt;
}

std::array<ExportWord, 4> words_to_send(const EvalState& s) {
    auto word = [&](uint8_t latch) { return uint32_t(assemble_latch(s, latch)) & 0xFFFFFF; };
    return {{{kTestLatch, "test", word(kTestLatch)},
             {kNLatch, "N", word(kNLatch)},
             {kRLatch, "R", word(kRLatch)},
             {kControlLatch, "control", word(kControlLatch)}}};
}

std::vector<ExportField> export_fields(const EvalState& s) {
    std::vector<ExportField> rows;
    for (const ExportWord& w : words_to_send(s)) {
        if (w.latch == kTestLatch) {
            for (const TestField& f : kTestFields) {
                const uint32_t v = bits_of(w.word, f.high, f.low);
                rows.push_back({w.name, f.name, f.high, f.low, v, meaning(s, w.latch, f.name, v)});
            }
            continue;
        }
        const regmap::Row row = w.latch == kControlLatch ? regmap::Row::Control : w.latch == kNLatch ? regmap::Row::N : regmap::Row::R;
        for (const regmap::Field& f : regmap::fields(row)) {
            std::string name(regmap::caption_core(f.caption));
            const uint32_t v = bits_of(w.word, f.high, f.low);
            std::string value_meaning = meaning(s, w.latch, name, v);
            if (variants::is_single_modulus(s.device))
                if (auto relabel = regmap::single_modulus_caption(row, f.high); !relabel.empty()) {
                    name = std::string(regmap::caption_core(relabel));
                    // A bit this chip ignores means nothing but its value.
                    if (name.find("Counter") == std::string::npos) value_meaning = std::to_string(v);
                }
            rows.push_back({w.name, name, f.high, f.low, v, value_meaning});
        }
    }
    return rows;
}

std::string export_text(const EvalState& s, ExportFormat format, std::string_view version) {
    const auto words = words_to_send(s);
    const std::string ref = numfmt::general(s.ref_freq / 1e6), pfd = numfmt::general(s.pfd_freq),
                      vco = numfmt::general(s.vco_freq);
    std::string t;
    switch (format) {
    case ExportFormat::Hex:
        for (const ExportWord& w : words) t += numfmt::word_hex(w.word) + " " + w.name + "\n";
        return t;
    case ExportFormat::C:
        t = "/* KSY7100 latch words, in the order to send them: test, N, R, control.\n"
            " * Variant " + variant_of(s) + ", reference " + ref + " MHz, PFD " + pfd + " kHz, VCO " + vco +
            " MHz.\n * Written by the KSY7100 evaluation tool " + std::string(version) + ". */\n"
            "#ifndef KSY7100_LATCHES_H\n#define KSY7100_LATCHES_H\n\n#include <stdint.h>\n\n";
        for (const ExportWord& w : words)
            t += "#define KSY7100_" + upper(w.name) + "_LATCH " + numfmt::word_hex(w.word) + "u\n";
        t += "\nstatic const uint32_t ksy7100_latches[4] = {";
        for (size_t i = 0; i < words.size(); ++i) t += std::string(i ? ", " : "") + "KSY7100_" + upper(words[i].name) + "_LATCH";
        return t + "};\n\n#endif /* KSY7100_LATCHES_H */\n";
    case ExportFormat::Csv:
        t = "latch,field,bits,value,meaning\n";
        for (const ExportField& f : export_fields(s))
            t += std::string(f.latch) + "," + csv_text(f.field) + "," +
                 (f.high == f.low ? "DB" + std::to_string(f.high) : "DB" + std::to_string(f.high) + ":DB" + std::to_string(f.low)) +
                 "," + std::to_string(f.value) + "," + csv_text(f.meaning) + "\n";
        return t;
    case ExportFormat::Json: {
        t = "{\n  \"tool\": " + json_text("KSY7100 evaluation tool " + std::string(version)) +
            ",\n  \"variant\": " + json_text(variant_of(s)) + ",\n  \"reference_mhz\": " + ref +
            ",\n  \"pfd_khz\": " + pfd + ",\n  \"vco_mhz\": " + vco + ",\n  \"words\": [\n";
        const auto fields = export_fields(s);
        for (size_t i = 0; i < words.size(); ++i) {
            t += "    {\"latch\": " + json_text(words[i].name) + ", \"word\": " + json_text(numfmt::word_hex(words[i].word)) +
                 ", \"fields\": [";
            bool first = true;
            for (const ExportField& f : fields) {
                if (std::string_view(f.latch) != words[i].name) continue;
                t += std::string(first ? "" : ", ") + "{\"field\": " + json_text(f.field) + ", \"high\": " +
                     std::to_string(f.high) + ", \"low\": " + std::to_string(f.low) + ", \"value\": " +
                     std::to_string(f.value) + ", \"meaning\": " + json_text(f.meaning) + "}";
                first = false;
            }
            t += std::string("]}") + (i + 1 < words.size() ? "," : "") + "\n";
        }
        return t + "  ]\n}\n";
    }
    }
    return t;
}
