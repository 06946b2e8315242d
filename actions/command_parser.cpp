#include "actions/command_parser.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace commands {
namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool header_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == ':' || c == '*' || c == '_';
}

std::string upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) c = char(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

// One argument: a quoted text loses its quotes ("" inside stands for one quote).
std::optional<std::string> argument(std::string_view raw) {
    raw = trim(raw);
    if (raw.empty() || raw.front() != '"') return std::string(raw);
    if (raw.size() < 2 || raw.back() != '"') return std::nullopt;
    std::string text;
    for (size_t i = 1; i + 1 < raw.size(); ++i) {
        if (raw[i] == '"') {
            if (i + 2 < raw.size() && raw[i + 1] == '"') ++i;
            else return std::nullopt;  // a quote in the middle of the text
        }
        text += raw[i];
    }
    return text;
}

// Splits at `separator` outside double quotes; false on an unterminated quote.
bool split_outside_quotes(std::string_view s, char separator, std::vector<std::string_view>& parts) {
    bool quoted = false;
    size_t start = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '"') quoted = !quoted;
        else if (s[i] == separator && !quoted) {
            parts.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    if (quoted) return false;
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
        if (!rest.empty()) {
            std::vector<std::string_view> raw;
            split_outside_quotes(rest, ',', raw);  // quotes balance: the line as a whole did
            for (std::string_view r : raw) {
                auto arg = argument(r);
                if (!arg) {
                    out.error = "Invalid quoted text";
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
    std::string short_form;
    for (char c : pattern)
        if (std::isupper(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) || c == '*')
            short_form += c;
    const std::string t = upper(typed);
    return t == short_form || t == upper(pattern);
}

bool header_matches(std::string_view pattern, std::string_view typed) {
    if (!typed.empty() && typed.front() == ':') typed.remove_prefix(1);
    std::vector<std::string_view> want, got;
    split_outside_quotes(pattern, ':', want);
    split_outside_quotes(typed, ':', got);
    if (want.size() != got.size()) return false;
    for (size_t i = 0; i < want.size(); ++i)
        if (got[i].empty() || !mnemonic_matches(want[i], got[i])) return false;
    return true;
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
