#include "actions/command_parser.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>

namespace commands {

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

namespace {

bool header_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == ':' || c == '*' || c == '_';
}

bool quote_char(char c) { return c == '"' || c == '\''; }

bool control_char(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }

// One argument: a text in double or single quotes loses them (the quote doubled inside stands for
// one).
std::optional<std::string> argument(std::string_view raw) {
    raw = trim(raw);
    if (raw.empty() || !quote_char(raw.front())) return std::string(raw);
    const char quote = raw.front();
    if (raw.size() < 2 || raw.back() != quote) return std::nullopt;
    std::string text;
    for (size_t i = 1; i + 1 < raw.size(); ++i) {
        if (raw[i] == quote) {
            if (i + 2 < raw.size() && raw[i + 1] == quote) ++i;
            else return std::nullopt;  // a quote in the middle of the text
        }
        text += raw[i];
    }
    return text;
}

// Splits at `separator` outside quoted texts; false on an unterminated quote.
bool split_outside_quotes(std::string_view s, char separator, std::vector<std::string_view>& parts) {
    char quote = 0;  // the quote of the text open, if any
    size_t start = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (quote) {
            if (s[i] == quote) quote = 0;  // a doubled quote closes and reopens at once
        } else if (quote_char(s[i])) {
            quote = s[i];
        } else if (s[i] == separator) {
            parts.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    if (quote) return false;
    parts.push_back(s.substr(start));
    return true;
}

}  // namespace

SplitLine split_line(std::string_view line) {
    SplitLine out;
    std::vector<std::string_view> pieces;
    if (!split_outside_quotes(line, ';', pieces)) {
        out.error = "Unterminated quoted text";
        return out;
    }
    for (std::string_view piece : pieces) {
        piece = trim(piece);
        if (piece.empty()) continue;
        size_t end = 0;
        while (end < piece.size() && header_char(piece[end])) ++end;
        Command c;
        c.header = std::string(piece.substr(0, end));
        std::string_view rest = piece.substr(end);
        if (!rest.empty() && rest.front() == '?') {
            c.query = true;
            rest.remove_prefix(1);
        }
        if (c.header.empty() || (!rest.empty() && !std::isspace(static_cast<unsigned char>(rest.front())))) {
            out.error = "Invalid header";
            return out;
        }
        rest = trim(rest);
        if (!rest.empty() && rest.front() == '?') {
            out.error = "the ? of a query follows its header without a blank";
            return out;
        }
        if (!rest.empty()) {
            std::vector<std::string_view> raw;
            split_outside_quotes(rest, ',', raw);  // quotes balance: the line as a whole did
            for (std::string_view r : raw) {
                auto arg = argument(r);
                if (!arg) {
                    out.error = "Invalid quoted text";
                    return out;
                }
                if (std::any_of(arg->begin(), arg->end(), control_char)) {
                    out.error = "an argument holds a control character";
                    out.invalid_string_data = true;
                    return out;
                }
                c.args.push_back(*arg);
            }
        }
        out.commands.push_back(std::move(c));
    }
    return out;
}

bool mnemonic_matches(std::string_view pattern, std::string_view typed) {
    // A numeric suffix left out is 1 ("CURR" is "CURR1"): the pattern without its suffix 1 then
    // matches a mnemonic typed without digits at its end.
    if (pattern.size() > 1 && pattern.back() == '1' && !std::isdigit(static_cast<unsigned char>(pattern[pattern.size() - 2])) &&
        !typed.empty() && !std::isdigit(static_cast<unsigned char>(typed.back())) &&
        mnemonic_matches(pattern.substr(0, pattern.size() - 1), typed))
        return true;
    auto same = [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b)); };
    // The long form, in any case.
    if (typed.size() == pattern.size() && std::equal(typed.begin(), typed.end(), pattern.begin(), same)) return true;
    // The short form: the pattern's capitals, digits and star.
    size_t t = 0;
    for (char c : pattern) {
        if (!(std::isupper(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) || c == '*')) continue;
        if (t == typed.size() || !same(typed[t], c)) return false;
        ++t;
    }
    return t == typed.size();
}

namespace {

// A header's nodes, without allocating: the lookup runs for every command over the whole table.
struct Node {
    std::string_view text;
    bool optional = false;  // "[:NEXT]" in a pattern
};
struct Nodes {
    static constexpr size_t kMost = 8;
    std::array<Node, kMost> node{};
    size_t count = 0;
    bool overflow = false;
    void add(Node n) {
        if (count < kMost) node[count++] = n;
        else overflow = true;
    }
};

// "SYSTem:ERRor[:NEXT]" as SYSTem, ERRor and the optional NEXT.
Nodes pattern_nodes(std::string_view pattern) {
    Nodes nodes;
    size_t start = 0;
    bool optional = false;
    for (size_t i = 0; i <= pattern.size(); ++i) {
        const bool end = i == pattern.size();
        if (!end && pattern[i] != ':' && pattern[i] != '[' && pattern[i] != ']') continue;
        if (i > start) nodes.add({pattern.substr(start, i - start), optional});
        if (!end && pattern[i] == '[') optional = true;
        if (!end && pattern[i] == ']') optional = false;
        start = i + 1;
    }
    return nodes;
}

Nodes typed_nodes(std::string_view typed) {
    Nodes nodes;
    size_t start = 0;
    for (size_t i = 0; i <= typed.size(); ++i)
        if (i == typed.size() || typed[i] == ':') {
            nodes.add({typed.substr(start, i - start), false});
            start = i + 1;
        }
    return nodes;
}

// Pattern nodes from `w` on against typed nodes from `g` on; an optional node may be left out.
bool nodes_match(const Nodes& want, size_t w, const Nodes& got, size_t g) {
    if (w == want.count) return g == got.count;
    const Node& node = want.node[w];
    if (g < got.count && !got.node[g].text.empty() && mnemonic_matches(node.text, got.node[g].text) &&
        nodes_match(want, w + 1, got, g + 1))
        return true;
    return node.optional && nodes_match(want, w + 1, got, g);
}

}  // namespace

bool header_matches(std::string_view pattern, std::string_view typed) {
    if (!typed.empty() && typed.front() == ':') typed.remove_prefix(1);
    const Nodes got = typed_nodes(typed);
    if (got.overflow) return false;
    return nodes_match(pattern_nodes(pattern), 0, got, 0);
}

std::optional<double> parse_number(std::string_view text) {
    text = trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace commands
