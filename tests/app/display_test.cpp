#include <gtest/gtest.h>

#include "app/display.h"

TEST(DisplayCheck, FindsTheDisplayTheChosenWindowSystemNeeds) {
    struct Case { DisplayEnvironment env; const char* problem; };  // problem: a part of the message, or ""
    const Case cases[] = {
        {{"", "", ":0", ""}, ""},                      {{"", "", "", "wayland-0"}, ""},
        {{"", "", "", ""}, "neither DISPLAY nor WAYLAND_DISPLAY is set"},
        {{"", "offscreen", "", ""}, ""},               {{"", "xcb", "", "wayland-0"}, "the window system 'xcb' needs DISPLAY"},
        {{"", "xcb", ":1", ""}, ""},                   {{"", "wayland", ":1", ""}, "needs WAYLAND_DISPLAY"},
        {{"", "wayland;xcb", ":1", ""}, ""},           {{"", "wayland;xcb", "", ""}, "no display found"},  // Qt tries each in turn
        {{"", "xcb:nograb", ":2", ""}, ""},
        {{"offscreen", "xcb", "", ""}, ""},            {{"xcb", "offscreen", "", ""}, "needs DISPLAY"},  // -platform wins
    };
    for (const auto& c : cases) {
        const std::string problem = display_problem(c.env);
        SCOPED_TRACE(c.env.qt_platform_option + "|" + c.env.qt_qpa_platform + "|" + c.env.display + "|" + c.env.wayland_display);
        if (*c.problem == '\0') EXPECT_EQ(problem, "");
        else EXPECT_TRUE(problem.find(c.problem) != std::string::npos && problem.find("xvfb-run") != std::string::npos)
            << "names the want and how to get a display: " << problem;
    }
}
