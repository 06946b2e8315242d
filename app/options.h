#pragma once
// The command line, defined once: every option in one table (kOptionTable), parsed in one place.
// An option that always takes a value takes it as `--opt VALUE` or `--opt=VALUE`; an option
// whose value is optional takes it only as `--opt=VALUE`. No positional arguments.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/board_link.h"

struct Options {
    boardlink::LinkRequest link;
    bool help = false;
    bool version = false;
    std::string qt_platform;  // the window system named with Qt's -platform option, if any
    bool headless = false;                 // no windows; needs a variant
    std::optional<std::string> variant;    // "ksy7100-0" .. "ksy7100-8"
    std::optional<std::string> load_file;  // a settings file loaded once the variant is chosen
    std::optional<std::string> import_file;  // a register file imported after it
    std::optional<std::string> export_file;  // the registers written (after --exec, headless)
    struct Channels {
        double start_mhz = 0, stop_mhz = 0, step_khz = 0;
    };
    std::optional<Channels> channels;         // --channels START,STOP,STEP
    std::optional<std::string> channels_file;  // --export-channels: where that table goes
    std::optional<std::string> exec;       // commands to run; "-": read from standard input
    std::optional<uint16_t> scpi_port;     // the command server's port, when it is to run
    std::string scpi_listen = "127.0.0.1"; // the address it listens on
    std::string scpi_files = ".";          // the folder MEM:LOAD and MEM:SAVE work in
    unsigned scpi_idle_seconds = 600;      // idle this long, a connection gives its slot to a new client
    std::string pins;  // --pins as given; applied to link.pins once the link's kind is known
};

enum class Takes { Nothing, Value, OptionalValue };
struct OptionSpec {
    const char* name;        // "--link"
    Takes takes;
    const char* value_name;  // "LINK"; nullptr when it takes none
    const char* help;
    const char* default_value = nullptr;  // an optional value's, when the option comes without one
    std::span<const std::string_view> choices = {};  // the whole values a shell offers to complete
};
extern const std::vector<OptionSpec> kOptionTable;

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
