// Writes the manual page and the bash completion of ksy7100-eval from its option table, so the
// options are described once, where they are parsed:
//   option_docs MANPAGE COMPLETION DATE
// DATE (YYYY-MM-DD) is the release's, so the page is the same whenever it is built.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/options.h"
#include "app/run.h"

namespace {

// Text as roff reads it: a backslash escaped, a hyphen of an option a minus sign (so the
// option can be copied from the page), and no control character at the start of a line.
std::string roff(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool word_start = i == 0 || text[i - 1] == ' ' || text[i - 1] == '(' || text[i - 1] == '-';
        if (c == '\\') out += "\\e";
        else if (c == '-' && (word_start || (i + 1 < text.size() && text[i + 1] == '-'))) out += "\\-";
        else out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

std::string option_form(const OptionSpec& o) {
    std::string form = "\\fB" + roff(o.name) + "\\fR";
    if (o.takes == Takes::Value) form += std::string(" \\fI") + roff(o.value_name) + "\\fR";
    if (o.takes == Takes::OptionalValue) form += std::string("[=\\fI") + roff(o.value_name) + "\\fR]";
    return form;
}

std::string man_page(const std::string& date) {
    std::ostringstream m;
    m << ".TH KSY7100\\-EVAL 1 \"" << date << "\" \"ksy7100\\-eval " << KSY_VERSION << "\" \"User Commands\"\n"
      << R"(.nh
.ad l
.SH NAME
ksy7100\-eval \- evaluation tool for the KSY7100 family of PLL frequency synthesizers
.SH SYNOPSIS
.B ksy7100\-eval
.RI [ options ]
.br
.B ksy7100\-eval \-\-headless \-\-variant
.I NAME
.RB [ \-\-exec
.IR COMMANDS ]
.RB [ \-\-scpi [=\c
.IR PORT ]]
.RI [ options ]
.SH DESCRIPTION
.B ksy7100\-eval
computes the four 24-bit latch words of a KSY7100 synthesizer (control, R counter, N counter and
test latch) from the settings made in its windows, and clocks them into the evaluation board over
a three-wire serial interface driven on the parallel port, a USB bit-bang adapter or the GPIO
lines of a single-board computer.
It also reads the board's supply monitor.
Without a board it runs against a simulated evaluation board that decodes the wire as the real
board does.
.PP
With
.B \-\-headless
it opens no window and needs no display: it runs the commands of
.B \-\-exec
and prints each query's answer on a line of its own, or serves the same command language over TCP
with
.BR \-\-scpi .
The guide lists every command, in
.IR /usr/share/doc/ksy7100\-eval/docs/commands.md .
.SH OPTIONS
An option that takes a value takes it as
.B \-\-opt
.I VALUE
or
.BR \-\-opt =\c
.IR VALUE ;
an optional value comes only after the equals sign.
There are no positional arguments.
Qt's own options (such as
.BR "\-platform offscreen" )
pass through to Qt.
)";
    for (const OptionSpec& o : kOptionTable) m << ".TP\n" << option_form(o) << "\n" << roff(o.help) << "\n";
    m << R"(.SH EXIT STATUS
.TP
)" << kExitOk << R"(
The tool ended normally: the main window was closed, or a headless run ran all its commands.
.TP
)" << kExitCannotStart << R"(
The tool could not start (the trace file cannot be created, or there is no display), or a
headless run refused a command or its settings file.
.TP
)" << kExitBadOption << R"(
A bad command-line option.
.TP
)" << kExitTraceIncomplete << R"(
The trace file could not be written to its end: it is incomplete.
.TP
)" << kExitLinkFailed << R"(
A headless run whose board link cannot be opened; no command ran.
.TP
)" << kExitSignalBase << R"( + \fIN\fR
Ended by signal
.IR N ;
the trace is complete.
.SH ENVIRONMENT
.TP
.BR DISPLAY ", " WAYLAND_DISPLAY
The display the windows open on.
Without one the tool says how to get one and ends with status 1, unless it runs
.BR \-\-headless .
.TP
.B QT_QPA_PLATFORM
.B offscreen
runs the windows without showing them.
.SH FILES
.TP
.I /dev/parport0
The parallel port, through the ppdev driver.
Its node belongs to the group
.BR lp ;
add yourself to it to use the port without root rights.
.TP
.I /usr/lib/udev/rules.d/60\-ksy7100\-eval.rules
Gives the group
.B plugdev
and the user logged in at the seat the supported USB bit-bang adapters.
Add yourself to the group and replug the adapter.
.TP
.I /dev/gpiochip0
A GPIO chip; usually of the group
.BR gpio .
.TP
.I /usr/share/libsigrokdecode/decoders/ksy7100
The protocol decoder that shows the latch words of a
.B \-\-trace
in sigrok\-cli and PulseView.
.TP
.I /usr/lib/python3/dist\-packages/ksy7100
The Python driver for bench scripts, over the command server.
.TP
.I /usr/share/doc/ksy7100\-eval/README.md
What the tool is and a first session; it links to the guide in
.IR /usr/share/doc/ksy7100\-eval/docs/ .
.TP
.I /usr/share/doc/ksy7100\-eval/docs/commands.md
The command language, its status model, the command server and the Python driver.
.TP
.I /usr/share/doc/ksy7100\-eval/docs/boards.md
Connecting a real board: wiring, voltage levels and permissions.
.SH SEE ALSO
.BR sigrok\-cli (1),
.BR pulseview (1),
.BR udev (7),
.BR usermod (8)
)";
    return m.str();
}

// How bash completes an option's value: from its choices, as a file or folder, or not at all.
std::string value_completion(const OptionSpec& o) {
    const std::string value = o.value_name ? o.value_name : "";
    // An optional value comes only after '=': without it the next word is an option again.
    if (o.takes == Takes::OptionalValue) return "$split && return";
    if (!o.choices.empty()) {
        std::string words;
        for (std::string_view choice : o.choices) words += (words.empty() ? "" : " ") + std::string(choice);
        return "COMPREPLY=($(compgen -W '" + words + "' -- \"$cur\"))\n            return";
    }
    if (value.rfind("FILE.", 0) == 0) return "_filedir '" + value.substr(5) + "'\n            return";
    if (value.find("FILE") != std::string::npos) return "_filedir\n            return";
    if (value == "DIR") return "_filedir -d\n            return";
    return "return";
}

std::string bash_completion() {
    // The options whose values complete alike share a branch, in the table's order.
    std::vector<std::pair<std::string, std::string>> branches;  // {"--load|--import", "_filedir ..."}
    std::string names;
    for (const OptionSpec& o : kOptionTable) {
        names += (names.empty() ? "" : " ") + std::string(o.name);
        if (o.takes == Takes::Nothing) continue;
        const std::string action = value_completion(o);
        auto same = std::find_if(branches.begin(), branches.end(), [&](const auto& b) { return b.second == action; });
        if (same == branches.end()) branches.emplace_back(o.name, action);
        else same->first += std::string("|") + o.name;
    }
    std::string cases;
    for (const auto& [options, action] : branches)
        cases += "        " + options + ")\n            " + action + "\n            ;;\n";
    return "# bash completion for ksy7100-eval, generated from its option table     -*- shell-script -*-\n"
           "\n"
           "_comp_ksy7100_eval()\n"
           "{\n"
           "    local cur prev words cword split\n"
           "    _init_completion -s || return\n"
           "\n"
           "    case $prev in\n" +
           cases +
           "    esac\n"
           "    $split && return\n"
           "\n"
           "    COMPREPLY=($(compgen -W '" + names + "' -- \"$cur\"))\n"
           "} &&\n"
           "    complete -F _comp_ksy7100_eval ksy7100-eval\n";
}

bool write(const char* path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out) std::fprintf(stderr, "option_docs: cannot write %s\n", path);
    return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: option_docs MANPAGE COMPLETION DATE\n");
        return 2;
    }
    return write(argv[1], man_page(argv[3])) && write(argv[2], bash_completion()) ? 0 : 1;
}
