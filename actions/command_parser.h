#pragma once
// The command language's syntax, in the habits of bench instruments: a header of colon-separated
// mnemonics, each in its short form (the upper-case letters, "FREQ") or its long form
// ("FREQUENCY"), case-insensitive; a trailing "?" for a query; arguments after a blank,
// separated by commas, a text in double quotes; several commands on one line separated by ";".
// "*IDN?" style common commands have a single mnemonic after the star. Texts may be in double or
// single quotes.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace commands {

// One command of a line, split but not yet looked up.
struct Command {
    std::string header;  // as typed, without the "?" ("FREQ:PFD", "*IDN")
    bool query = false;
    std::vector<std::string> args;  // trimmed; quotes removed from a quoted text
    bool operator==(const Command&) const = default;
};

// A line split into its commands. Empty commands (";;", a blank line) are skipped. Fails with a
// message on an unterminated quote or a header with characters no header can hold (a syntax
// error), or on an argument holding a control character (a NUL, a line feed...: invalid string
// data), which no file name, number or keyword may hold and which a system call would cut short.
struct SplitLine {
    std::vector<Command> commands;
    std::optional<std::string> error;
    bool invalid_string_data = false;  // the error is a control character in an argument
};
SplitLine split_line(std::string_view line);

// Whether `typed` (one mnemonic as typed) names `pattern` ("FREQuency", "CURRent1"): its short
// form (upper-case letters and digits of the pattern) or its long form, in any case.
bool mnemonic_matches(std::string_view pattern, std::string_view typed);
// Whether a typed header ("freq:pfd", ":FREQUENCY:PFD") names a pattern ("FREQuency:PFD"); a
// node of the pattern in brackets ("SYSTem:ERRor[:NEXT]") may be left out.
bool header_matches(std::string_view pattern, std::string_view typed);

// The text without the blanks around it.
std::string_view trim(std::string_view text);

// Numbers as the language takes them: plain decimal ("2400.2", "-3", "1e3"), nothing more.
std::optional<double> parse_number(std::string_view text);

}  // namespace commands
