#pragma once
// Whether the tool has a display to show its windows on. Qt ends the process with an abort when
// its window system finds no display, before the tool could say anything useful; so the tool
// checks first, and guards Qt's start for a display that is named but cannot be reached.
#include <string>

struct DisplayEnvironment {
    std::string qt_platform_option;  // Qt's -platform option, empty when not given
    std::string qt_qpa_platform;     // QT_QPA_PLATFORM
    std::string display;             // DISPLAY
    std::string wayland_display;     // WAYLAND_DISPLAY

    static DisplayEnvironment of_process(const std::string& qt_platform_option);
};

// Empty when a display is there (or the chosen window system needs none, as `offscreen`);
// otherwise the message for the user: that no display was found and how to get one.
std::string display_problem(const DisplayEnvironment& env);

// From here until end_display_guard(), a window system that fails to start ends the tool with
// that plain message and exit status 1 instead of Qt's abort.
void begin_display_guard();
void end_display_guard();
