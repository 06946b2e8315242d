#include "model/register_import.h"

#include <cctype>
#include <algorithm>
#include <charconv>

#include "model/number_format.h"
#include "model/register_map.h"
#include "model/variants.h"

namespace {

constexpr const char* kLatchNames[] = {"control", "R", "N", "test"};

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool same_word(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// The latch a name after a word names ("N", "control", "R latch"...), or -1.
int latch_named(std::string_view name) {
    name = trim(name);
    if (name.size() > 6 && same_word(name.substr(name.size() - 6), " latch")) name = trim(name.substr(0, name.size() - 6));
    for (int latch = 0; latch < 4; ++latch)
        if (same_word(name, kLatchNames[latch])) return latch;
    return -1;
}

// A 24-bit word in hexadecimal, with or without 0x.
std::optional<uint32_t> hex_word(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
    if (text.empty() || text.size() > 6) return std::nullopt;
    uint32_t word = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), word, 16);
    if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return word;
}

std::string quoted(std::string_view text) {
    std::string shown(text.substr(0, 20));
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x80) c = '?';
    return "\"" + shown + (text.size() > 20 ? "...\"" : "\"");
}

// Puts a word in the latch its address bits name; a second word for a latch is refused.
std::optional<ImportProblem> place(ImportedRegisters& r, uint32_t word, int line) {
    const int latch = int(word & 3);
    if (r.words[size_t(latch)])
        return ImportProblem{line, std::string("a second word for the ") + kLatchNames[latch] + " latch (line " +
                                       std::to_string(r.lines[size_t(latch)]) + " has one)"};
    r.words[size_t(latch)] = word;
    r.lines[size_t(latch)] = line;
    return std::nullopt;
}

std::variant<ImportedRegisters, ImportProblem> parse_hex_list(std::string_view text) {
    ImportedRegisters r;
    int line_number = 0;
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++line_number;
        line = line.substr(0, std::min(line.find('#'), line.find("//")));
        line = trim(line);
        if (line.empty()) continue;
        const size_t space = line.find_first_of(" \t,;");
        const std::string_view token = line.substr(0, space);
        const auto word = hex_word(token);
        if (!word) return ImportProblem{line_number, quoted(token) + " is not a 24-bit word in hexadecimal"};
        if (space != std::string_view::npos) {
            const std::string_view name = trim(line.substr(space + 1));
            const int named = name.empty() ? int(*word & 3) : latch_named(name);
            if (named < 0) return ImportProblem{line_number, quoted(name) + " names no latch"};
            if (named != int(*word & 3))
                return ImportProblem{line_number, std::string("the word is for the ") + kLatchNames[*word & 3] +
                                                      " latch (address bits DB1, DB0), not the " + kLatchNames[named]};
        }
        if (auto problem = place(r, *word, line_number)) return *problem;
    }
    return r;
}

int line_at(std::string_view text, size_t position) {
    int line = 1;
    for (size_t i = 0; i < position && i < text.size(); ++i) line += text[i] == '\n';
    return line;
}

// The export's JSON: its reference and each "word" of its words list.
std::variant<ImportedRegisters, ImportProblem> parse_json(std::string_view text) {
    ImportedRegisters r;
    if (size_t key = text.find("\"reference_mhz\""); key != std::string_view::npos) {
        std::string_view rest = trim(text.substr(key + 15));
        if (rest.empty() || rest.front() != ':') return ImportProblem{line_at(text, key), "reference_mhz has no value"};
        rest = trim(rest.substr(1));
        const auto mhz = numfmt::parse_entry(rest.substr(0, rest.find_first_of(",}\n")), '.');
        if (!mhz || !(*mhz > 0)) return ImportProblem{line_at(text, key), "reference_mhz is not a frequency above 0"};
        r.reference_hz = *mhz * 1e6;
    }
    if (size_t key = text.find("\"variant\""); key != std::string_view::npos) {
        std::string_view rest = trim(text.substr(key + 9));
        const size_t open = rest.starts_with(':') ? rest.find('"') : std::string_view::npos;
        const size_t close = open == std::string_view::npos ? open : rest.find('"', open + 1);
        if (close == std::string_view::npos) return ImportProblem{line_at(text, key), "variant has no text"};
        r.variant = std::string(rest.substr(open + 1, close - open - 1));
        r.variant_line = line_at(text, key);
    }
    for (size_t key = text.find("\"word\""); key != std::string_view::npos; key = text.find("\"word\"", key + 6)) {
        const int line = line_at(text, key);
        const size_t open = text.find('"', text.find(':', key + 6));
        const size_t close = open == std::string_view::npos ? open : text.find('"', open + 1);
        if (close == std::string_view::npos) return ImportProblem{line, "a word without its text"};
        const std::string_view token = text.substr(open + 1, close - open - 1);
        const auto word = hex_word(token);
        if (!word) return ImportProblem{line, quoted(token) + " is not a 24-bit word in hexadecimal"};
        if (auto problem = place(r, *word, line)) return *problem;
    }
    return r;
}

}  // namespace

std::variant<ImportedRegisters, ImportProblem> parse_register_file(std::string_view text) {
    // The byte-order mark several editors put before UTF-8 text says nothing about the words.
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    if (text.size() > 64 * 1024) return ImportProblem{0, "the file is larger than a register file can be"};
    for (unsigned char c : text)
        if ((c < 0x20 && c != '\n' && c != '\r' && c != '\t') || c == 0x7F)
            return ImportProblem{0, "the file holds binary content, not text"};
    const std::string_view body = trim(text);
    auto parsed = !body.empty() && body.front() == '{' ? parse_json(text) : parse_hex_list(text);
    if (auto* r = std::get_if<ImportedRegisters>(&parsed))
        for (int latch : {0, 1, 2})
            if (!r->words[size_t(latch)])
                return ImportProblem{0, std::string("it holds no ") + kLatchNames[latch] + " word"};
    return parsed;
}

std::variant<EvalState, ImportProblem> state_from_registers(const EvalState& s, const ImportedRegisters& r) {
    using regmap::Row;
    const std::string running = variants::display_name(s.device);
    if (r.variant && *r.variant != running)
        return ImportProblem{r.variant_line, "the file was exported from a " + quoted(*r.variant) +
                                                 " and the tool runs a " + running +
                                                 ": its counters would make other frequencies here"};
    EvalState from = s;
    if (r.reference_hz) from.ref_freq = *r.reference_hz;
    regmap::RegisterBits bits;
    for (Row row : regmap::kRows) {
        const size_t latch = regmap::latch_of(row);
        // DB19 of the R word is the test-mode switch, which the word sets here.
        const uint32_t test_enable = row == Row::R ? *r.words[latch] & (1u << 19) : 0;
        const uint32_t whole = regmap::whole_word_bits(row);
        const auto typed = regmap::parse_row_word(regmap::hex_word(*r.words[latch]), row, test_enable, whole);
        if (!typed) return ImportProblem{r.lines[latch], typed.failure.message.substr(0, typed.failure.message.find(" Nothing"))};
        bits[row] = *typed & ~whole;
        if (row == Row::R) {
            from.test_enable_bits = int32_t(test_enable);
            from.r_aux_bits = int32_t(*typed & whole);
        }
    }
    if (r.words[3]) {
        const uint32_t t = *r.words[3];
        if (t & 0xFF0000) return ImportProblem{r.lines[3], "the test word sets DB23 to DB16, which are reserved"};
        if (((t >> 2) & 3) != ((*r.words[0] >> 2) & 3))
            return ImportProblem{r.lines[3], "the test word's core power (DB3, DB2) is not the control word's: the two "
                                             "latches hold one setting"};
        from.ext_band_en_bits = t & (1u << 15);
        from.test_mode_code = (t >> 11) & 15;
        from.band_ctrl_bits = int16_t(t & (1u << 10));
        from.adc_ctrl_bits = int16_t(t & (1u << 9));
        from.readback_code = int16_t((t >> 7) & 3);
        from.ext_band_code = int16_t((t >> 4) & 7);
    }
    auto rebuilt = regmap::rebuild_state(from, bits, regmap::kRows);
    if (!rebuilt) {
        const Row row = rebuilt.failure.message == regmap::kNoRCounter ? Row::R : Row::N;
        const std::string& m = rebuilt.failure.message;
        return ImportProblem{r.lines[regmap::latch_of(row)], m.substr(0, std::min(m.find(" Turn"), m.find(" Nothing")))};
    }
    EvalState out = *rebuilt;
    // Whatever the rows' frequencies were, the file asks for what its words make.
    out.asked_vco_freq = out.vco_freq;
    out.asked_pfd_freq = out.pfd_freq;
    return out;
}

std::string describe(const ImportProblem& p, std::string_view file_name) {
    const std::string file(file_name);
    // A problem taken from a window's message may end in its own full stop.
    std::string_view problem = p.problem;
    if (!problem.empty() && problem.back() == '.') problem.remove_suffix(1);
    return (p.line > 0 ? "Line " + std::to_string(p.line) + " of " + file : file) + ": " + std::string(problem) +
           ". Nothing was imported.";
}
