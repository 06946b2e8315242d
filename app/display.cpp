#include "app/display.h"

#include <unistd.h>

#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

const char* const kHowTo =
    "Start the tool in a desktop session, over ssh with X forwarding (ssh -X), or under a virtual "
    "display (xvfb-run scripts/run.sh).";

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Does window system `name` (as Qt names its platform plugins) find what it needs?
bool has_display(const std::string& name, const DisplayEnvironment& e) {
    std::string plugin = name.substr(0, name.find(':'));  // "xcb:option=value" names xcb
    if (plugin == "xcb") return !e.display.empty();
    if (plugin.rfind("wayland", 0) == 0) return !e.wayland_display.empty();
    return true;  // offscreen, minimal, vnc, eglfs, linuxfb...: no display server needed
}

QtMessageHandler g_previous = nullptr;  // Qt's message handler while the guard is on

void guard_handler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        if (g_previous) g_previous(type, context, message);
        return;
    }
    std::string display = env("DISPLAY");
    std::fprintf(stderr, "ksy7100-eval: no display found: the window system could not be started%s. %s\n",
                 display.empty() ? "" : (" on DISPLAY=" + display).c_str(), kHowTo);
    std::fflush(stderr);
    ::_exit(1);  // nothing has been sent yet; the trace holds its whole header
}

}  // namespace

DisplayEnvironment DisplayEnvironment::of_process(const std::string& qt_platform_option) {
    return {qt_platform_option, env("QT_QPA_PLATFORM"), env("DISPLAY"), env("WAYLAND_DISPLAY")};
}

std::string display_problem(const DisplayEnvironment& e) {
    // Qt's -platform option wins over QT_QPA_PLATFORM, which may list systems to try in turn.
    std::string chosen = !e.qt_platform_option.empty() ? e.qt_platform_option : e.qt_qpa_platform;
    if (chosen.empty()) {
        if (!e.display.empty() || !e.wayland_display.empty()) return {};
        return std::string("no display found: neither DISPLAY nor WAYLAND_DISPLAY is set. ") + kHowTo;
    }
    std::istringstream list(chosen);
    std::string name;
    while (std::getline(list, name, ';'))
        if (has_display(name, e)) return {};
    return "no display found: the window system '" + chosen + "' needs " +
           (chosen.rfind("wayland", 0) == 0 ? "WAYLAND_DISPLAY" : "DISPLAY") + ", which is not set. " + kHowTo;
}

void begin_display_guard() { g_previous = qInstallMessageHandler(guard_handler); }

void end_display_guard() {
    qInstallMessageHandler(g_previous);
    g_previous = nullptr;
}
