#include "app/options.h"

namespace {

bool parse_link(const std::string& value, boardlink::LinkRequest& request) {
    const std::string parport = "parport";
    if (value == "sim") {
        request.kind = boardlink::LinkRequest::Kind::Sim;
    } else if (value == parport) {
        request.kind = boardlink::LinkRequest::Kind::Parport;
    } else if (value.rfind(parport + ":", 0) == 0 && value.size() > parport.size() + 1) {
        request.kind = boardlink::LinkRequest::Kind::Parport;
        request.device = value.substr(parport.size() + 1);
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

ParsedOptions parse_options(const std::vector<std::string>& args) {
    Options options;
    bool link_given = false, trace_given = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::string value;
        bool has_value = false;
        if (auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            has_value = true;
        }
        auto take_value = [&]() -> bool {
            if (has_value) return true;
            if (i + 1 >= args.size()) return false;
            value = args[++i];
            return true;
        };

        if (arg == "--help" || arg == "-h" || arg == "--version") {
            if (has_value) return {std::nullopt, "option '" + arg + "' takes no value"};
            (arg == "--version" ? options.version : options.help) = true;
        } else if (arg == "--link") {
            if (link_given) return {std::nullopt, "--link given twice"};
            if (!take_value()) return {std::nullopt, "--link needs a value: sim, parport or parport:/dev/parportN"};
            if (!parse_link(value, options.link))
                return {std::nullopt, "unknown link '" + shown_value(value) + "': use sim, parport or parport:/dev/parportN"};
            link_given = true;
        } else if (arg == "--trace") {
            if (trace_given) return {std::nullopt, "--trace given twice"};
            if (!take_value() || value.empty()) return {std::nullopt, "--trace needs a file name"};
            options.link.trace_path = value;
            trace_given = true;
        } else if (bool qt_value = false; is_qt_option(arg, qt_value)) {
            // Left to Qt, with its value; the window system is noted for the display check.
            if (qt_value && arg == "-platform" && i + 1 < args.size()) options.qt_platform = args[i + 1];
            if (qt_value) ++i;
        } else {
            return {std::nullopt, "unknown option '" + shown_value(args[i]) + "'"};
        }
    }
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

std::string usage_text() {
    return "Usage: ksy7100-eval [options]\n"
           "Evaluation tool for the KSY7100 family of PLL frequency synthesizers.\n"
           "\n"
           "Options:\n"
           "  --link sim                   use the simulated evaluation board\n"
           "  --link parport               use the parallel port /dev/parport0\n"
           "  --link parport:/dev/parportN use the given parallel port device\n"
           "  --trace FILE.vcd             record every port access as a VCD waveform\n"
           "  --help                       show this text\n"
           "  --version                    show the version\n"
           "\n"
           "Without --link the tool uses /dev/parport0 when it exists, else the simulated board.\n";
}
