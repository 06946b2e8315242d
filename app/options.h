#pragma once
// The command line: which board link to use and whether to trace it.
#include <optional>
#include <string>
#include <vector>

#include "link/board_link.h"

struct Options {
    boardlink::LinkRequest link;
    bool help = false;
    bool version = false;
    std::string qt_platform;  // the window system named with Qt's -platform option, if any
};

struct ParsedOptions {
    std::optional<Options> options;  // empty: `error` says what is wrong
    std::string error;
};

// `args` excludes the program name.
ParsedOptions parse_options(const std::vector<std::string>& args);
std::string usage_text();

// A value from the command line as an error message shows it: at most a short prefix, with
// control characters replaced, so a long or hostile value cannot flood or steer the terminal.
std::string shown_value(const std::string& value);
