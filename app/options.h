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
};

struct ParsedOptions {
    std::optional<Options> options;  // empty: `error` says what is wrong
    std::string error;
};

// `args` excludes the program name.
ParsedOptions parse_options(const std::vector<std::string>& args);
std::string usage_text();
