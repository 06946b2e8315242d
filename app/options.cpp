#include "app/options.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <charconv>
#include <cmath>

#include "model/register_export.h"
#include "model/variants.h"

namespace {

const char* const kLinkForms = "sim, parport, parport:/dev/parportN, ftdi, ftdi:SERIAL or gpio:CHIP";
// The link forms that are whole without a device, serial or chip after them.
constexpr std::string_view kPlainLinks[] = {"sim", "parport", "ftdi"};

// A bit-bang rate: a whole number of Hz, with k or M after it for thousands or millions.
std::optional<uint32_t> rate_hz(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    auto [rest, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (ec != std::errc() || rest == text.data()) return std::nullopt;
    std::string unit(rest, end);
    if (unit.size() >= 2 && (unit.substr(unit.size() - 2) == "Hz" || unit.substr(unit.size() - 2) == "hz"))
        unit.resize(unit.size() - 2);
    if (unit == "k" || unit == "K") value *= 1e3;
    else if (unit == "M") value *= 1e6;
    else if (!unit.empty()) return std::nullopt;
    if (!(value >= 100 && value <= 12e6) || value != std::floor(value)) return std::nullopt;
    return static_cast<uint32_t>(value);
}

// --pins and --rate fit the link only once every option is read: the pin names depend on it.
std::string settle_adapter(Options& o) {
    using Kind = boardlink::LinkRequest::Kind;
    const Kind kind = o.link.kind;
    if (o.link.rate_hz && kind != Kind::Ftdi) return "--rate applies to --link ftdi only";
    if (kind == Kind::Gpio && o.pins.empty())
        return "--link gpio:CHIP needs --pins CLK=LINE,DATA=LINE,LE=LINE (and RBCLK, D4, STATUS for the readback)";
    if (o.pins.empty()) return {};
    if (kind != Kind::Ftdi && kind != Kind::Gpio) return "--pins needs --link ftdi or --link gpio:CHIP";
    const auto adapter = kind == Kind::Ftdi ? boardlink::AdapterKind::UsbBitbang : boardlink::AdapterKind::Gpio;
    if (kind == Kind::Gpio) o.link.pins = {};  // no default wiring: every line is named
    if (std::string error = boardlink::apply_pins(adapter, o.pins, o.link.pins); !error.empty()) return "bad --pins: " + error;
    return {};
}

bool parse_link(const std::string& value, boardlink::LinkRequest& request) {
    const std::string parport = "parport";
    if (value == "sim") {
        request.kind = boardlink::LinkRequest::Kind::Sim;
    } else if (value == parport) {
        request.kind = boardlink::LinkRequest::Kind::Parport;
    } else if (value.rfind(parport + ":", 0) == 0 && value.size() > parport.size() + 1) {
        request.kind = boardlink::LinkRequest::Kind::Parport;
        request.device = value.substr(parport.size() + 1);
    } else if (value == "ftdi" || (value.rfind("ftdi:", 0) == 0 && value.size() > 5)) {
        request.kind = boardlink::LinkRequest::Kind::Ftdi;
        request.device = value.size() > 5 ? value.substr(5) : std::string();  // the serial number; empty: the first
    } else if (value.rfind("gpio:", 0) == 0 && value.size() > 5) {
        request.kind = boardlink::LinkRequest::Kind::Gpio;
        request.device = value.substr(5);
    } else {
        return false;
    }
    return true;
}

}  // namespace

namespace {

// Options of the window system that Qt itself takes from the command line.
bool is_qt_option(const std::string& arg, bool& takes_value) {
    static const char* const kWithValue[] = {"-platform", "-platformpluginpath", "-platformtheme", "-plugin",
                                             "-qwindowgeometry", "-qwindowicon", "-qwindowtitle", "-style",
                                             "-stylesheet", "-session", "-display", "-geometry", "-qmljsdebugger"};
    static const char* const kFlags[] = {"-reverse", "-widgetcount", "-nograb", "-dograb", "-sync"};
    std::string name = arg.substr(0, arg.find('='));
    for (const char* o : kWithValue)
        if (name == o) {
            takes_value = name == arg;
            return true;
        }
    for (const char* o : kFlags)
        if (arg == o) {
            takes_value = false;
            return true;
        }
    return false;
}

}  // namespace

const std::vector<OptionSpec> kOptionTable = {
    {"--link", Takes::Value, "LINK",
     "the board link: sim (the simulated board), parport (/dev/parport0) or parport:/dev/parportN; "
     "ftdi (the first USB bit-bang adapter) or ftdi:SERIAL; gpio:CHIP (a GPIO chip's lines, with --pins); "
     "without it /dev/parport0 when it exists, else the simulated board",
     nullptr, kPlainLinks},
    {"--pins", Takes::Value, "MAP",
     "which adapter pin carries which board line, e.g. CLK=D0,DATA=D1,LE=D2,RBCLK=D3,D4=D4,STATUS=D5 "
     "(ftdi: D0..D7, these are the defaults; LD=D6 wires the lock-detect line) or CLK=17,DATA=27,LE=22,... "
     "(gpio: line numbers; CLK, DATA and LE needed, RBCLK, D4 and STATUS for the readback, LD=N for lock detect)"},
    {"--rate", Takes::Value, "HZ", "the USB adapter's bit-bang rate, 100 .. 12000000 Hz (500k, 2M); default 500k"},
    {"--trace", Takes::Value, "FILE.vcd", "record every port access as a VCD waveform"},
    {"--variant", Takes::Value, "NAME",
     "the variant on the board, ksy7100-0 .. ksy7100-8 (with windows: marked in the variant dialog)", nullptr,
     variants::kNames},
    {"--load", Takes::Value, "FILE", "load this settings file once the variant is chosen, as Get Settings does"},
    {"--import", Takes::Value, "FILE",
     "import the registers of a hex list (.txt) or JSON file once the variant is chosen (after --load, before --exec)"},
    {"--export", Takes::Value, "FILE",
     "write the words to send as .txt (hex list), .h (C header), .csv or .json: headless after --exec, with windows "
     "once the variant is chosen"},
    {"--channels", Takes::Value, "START,STOP,STEP",
     "a channel table from START to STOP MHz in STEP kHz, written by --export-channels"},
    {"--export-channels", Takes::Value, "FILE", "write the --channels table as .h (C header) or .csv"},
    {"--headless", Takes::Nothing, nullptr, "run without any window or display (needs --variant)"},
    {"--exec", Takes::Value, "COMMANDS",
     "with --headless: run these commands (see the command table); - reads them from standard input"},
    {"--scpi", Takes::OptionalValue, "PORT",
     "serve the command language over TCP on this port (5025 when none is given), with windows or with --headless",
     "5025"},
    {"--scpi-listen", Takes::Value, "ADDRESS",
     "the address the command server listens on (default 127.0.0.1: this machine only)"},
    {"--scpi-files", Takes::Value, "DIR", "the folder MEM:LOAD and MEM:SAVE of the command server work in (default .)"},
    {"--scpi-idle", Takes::Value, "SECONDS",
     "when every connection is taken, a new client takes the slot of one idle this long (default 600)"},
    {"--help", Takes::Nothing, nullptr, "show this text"},
    {"--version", Takes::Nothing, nullptr, "show the version"},
};

namespace {

const OptionSpec* find_option(const std::string& name) {
    for (const OptionSpec& o : kOptionTable)
        if (name == o.name) return &o;
    if (name == "-h") return find_option("--help");
    return nullptr;
}

// A variant name as typed, in either case; empty when it is none of the nine.
std::optional<std::string> variant_name(const std::string& typed) {
    std::string lower = typed;
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (variants::is_family_variant(lower)) return lower;
    return std::nullopt;
}

// Stores one option's value; an error text when the value is not usable.
std::string store(Options& o, const std::string& name, const std::string& value) {
    if (name == "--help") o.help = true;
    else if (name == "--version") o.version = true;
    else if (name == "--headless") o.headless = true;
    else if (name == "--link") {
        if (!parse_link(value, o.link))
            return "unknown link '" + shown_value(value) + "': use " + kLinkForms;
    } else if (name == "--pins") {
        if (value.empty()) return "--pins needs NAME=PIN entries, e.g. CLK=D0,DATA=D1";
        o.pins = value;
    } else if (name == "--rate") {
        const std::optional<uint32_t> hz = rate_hz(value);
        if (!hz) return "bad rate '" + shown_value(value) + "': use a whole number of Hz from 100 to 12000000 (500k, 2M)";
        o.link.rate_hz = *hz;
    } else if (name == "--trace") {
        if (value.empty()) return "--trace needs a file name";
        o.link.trace_path = value;
    } else if (name == "--variant") {
        o.variant = variant_name(value);
        if (!o.variant) return "unknown variant '" + shown_value(value) + "': use ksy7100-0 .. ksy7100-8";
    } else if (name == "--load") {
        if (value.empty()) return "--load needs a file name";
        o.load_file = value;
    } else if (name == "--import") {
        if (value.empty()) return "--import needs a file name";
        o.import_file = value;
    } else if (name == "--export") {
        if (!export_format_of(value))
            return "--export writes .txt, .h, .csv or .json, not '" + shown_value(value) + "'";
        o.export_file = value;
    } else if (name == "--channels") {
        Options::Channels c;
        char* end = nullptr;
        const std::string text = value + ",";
        double* fields[] = {&c.start_mhz, &c.stop_mhz, &c.step_khz};
        const char* at = text.c_str();
        for (double* field : fields) {
            *field = std::strtod(at, &end);
            if (end == at || *end != ',' || !std::isfinite(*field)) return "--channels takes START,STOP,STEP (MHz, MHz, kHz), not '" + shown_value(value) + "'";
            at = end + 1;
        }
        if (*at != '\0' || !(c.step_khz > 0)) return "--channels takes START,STOP,STEP (MHz, MHz, kHz; a step above 0), not '" + shown_value(value) + "'";
        o.channels = c;
    } else if (name == "--export-channels") {
        const auto format = export_format_of(value);
        if (format != ExportFormat::C && format != ExportFormat::Csv)
            return "--export-channels writes .h or .csv, not '" + shown_value(value) + "'";
        o.channels_file = value;
    } else if (name == "--exec") {
        o.exec = value;
    } else if (name == "--scpi") {
        char* end = nullptr;
        const long port = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || port < 1 || port > 65535 || !std::isdigit(static_cast<unsigned char>(value[0])))
            return "--scpi takes a port from 1 to 65535, not '" + shown_value(value) + "'";
        o.scpi_port = uint16_t(port);
    } else if (name == "--scpi-listen") {
        if (value.empty()) return "--scpi-listen needs an address";
        o.scpi_listen = value;
    } else if (name == "--scpi-files") {
        if (value.empty()) return "--scpi-files needs a folder";
        o.scpi_files = value;
    } else if (name == "--scpi-idle") {
        char* end = nullptr;
        const long seconds = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || !std::isdigit(static_cast<unsigned char>(value[0])) || seconds < 1 ||
            seconds > 86400 * 365)
            return "--scpi-idle takes a whole number of seconds from 1, not '" + shown_value(value) + "'";
        o.scpi_idle_seconds = unsigned(seconds);
    }
    return {};
}

}  // namespace

ParsedOptions parse_options(const std::vector<std::string>& args) {
    Options options;
    std::vector<std::string> given;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::optional<std::string> value;
        if (auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        }
        if (bool qt_value = false; is_qt_option(arg, qt_value)) {
            // Left to Qt, with its value; the window system is noted for the display check.
            if (qt_value && arg == "-platform" && i + 1 < args.size()) options.qt_platform = args[i + 1];
            if (qt_value) ++i;
            continue;
        }
        const OptionSpec* option = find_option(arg);
        if (!option) {
            // `--scpi 5099`: an optional value comes only after "=".
            if (const OptionSpec* before = i > 0 ? find_option(args[i - 1]) : nullptr;
                before && before->takes == Takes::OptionalValue && !args[i].empty() && args[i][0] != '-')
                return {std::nullopt, std::string(before->name) + " takes its value after '=': write " + before->name +
                                          "=" + shown_value(args[i])};
            return {std::nullopt, "unknown option '" + shown_value(args[i]) + "'"};
        }
        const std::string name = option->name;
        if (std::find(given.begin(), given.end(), name) != given.end()) return {std::nullopt, name + " given twice"};
        given.push_back(name);
        if (option->takes == Takes::Nothing && value) return {std::nullopt, "option '" + arg + "' takes no value"};
        if (option->takes == Takes::OptionalValue && !value) value = option->default_value;  // only --opt=VALUE gives one
        if (option->takes == Takes::Value && !value) {
            if (i + 1 >= args.size()) {
                const bool file = std::string(option->value_name).find("FILE") != std::string::npos;
                return {std::nullopt, name + (file ? " needs a file name" : " needs a value") +
                                          (name == "--link" ? std::string(": ") + kLinkForms : "")};
            }
            value = args[++i];
        }
        if (std::string error = store(options, name, value.value_or("")); !error.empty()) return {std::nullopt, error};
    }
    if (options.headless && !options.variant) return {std::nullopt, "--headless needs --variant NAME"};
    if (options.exec && !options.headless) return {std::nullopt, "--exec runs commands only with --headless"};
    if (options.channels.has_value() != options.channels_file.has_value())
        return {std::nullopt, "--channels and --export-channels go together"};
    if (std::string error = settle_adapter(options); !error.empty()) return {std::nullopt, error};
    return {options, {}};
}

std::string shown_value(const std::string& value) {
    constexpr size_t kShown = 40;
    std::string shown = value.substr(0, kShown);
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    if (value.size() > kShown) shown += "... (" + std::to_string(value.size()) + " characters)";
    return shown;
}

namespace {

// A help text broken into lines of at most 100 columns, the lines after the first indented.
std::string wrapped(const std::string& text, size_t indent) {
    std::string out, line;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        if (!line.empty() && indent + line.size() + 1 + word.size() > 100) {
            out += line + "\n" + std::string(indent, ' ');
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        start = end + 1;
    }
    return out + line;
}

}  // namespace

std::string usage_text() {
    std::string text =
        "Usage: ksy7100-eval [options]\n"
        "Evaluation tool for the KSY7100 family of PLL frequency synthesizers.\n"
        "\n"
        "Options:\n";
    for (const OptionSpec& o : kOptionTable) {
        std::string form = std::string(o.name);
        if (o.takes == Takes::Value) form += std::string(" ") + o.value_name;
        if (o.takes == Takes::OptionalValue) form += std::string("[=") + o.value_name + "]";
        text += "  " + form + std::string(form.size() < 22 ? 22 - form.size() : 1, ' ') + wrapped(o.help, 24) + "\n";
    }
    return text;
}
