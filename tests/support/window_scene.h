#pragma once
// Every window of the tool, one at a time (the main window, the variant dialog and each window the
// main window opens; one registered later joins without a change here), as a user meets it.
#include <QTest>
#include <memory>
#include <string>

#include "tests/support/gui_harness.h"

namespace testing_support {

constexpr int kMain = -2, kDeviceForm = -1;  // then each Window by its number
constexpr int kLastWindow = int(Window::SimulatedBoard);

// The window's name in a test's name.
inline std::string subject_name(int subject) {
    static const char* const windows[] = {"Synth", "Crystal", "Current1", "Current2", "Powerdown", "Mux", "Prescaler", "Preset", "Fastlock",
                                          "Bandselect", "Rev", "Resend", "Conversion", "Registers", "VcoTest", "Locktime", "Sweep", "SimulatedBoard"};
    if (subject < 0) return subject == kMain ? "Main" : "deviceform";
    return subject < int(std::size(windows)) ? windows[subject] : "Window" + std::to_string(subject);
}

// Shows a window and waits until it is the active one, as a user's window is.
inline bool activate(QWidget* window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitFor([&] { return QApplication::activeWindow() == window; });
}

// A fresh tool on the simulated board with one window shown (none when it is not built yet).
struct Scene {
    explicit Scene(int subject, const std::string& variant = "ksy7100-1") : h(variant) {
        if (subject == kMain) window = h.main.get();
        else if (subject == kDeviceForm) owned = std::make_unique<deviceform>(*h.main, boardlink::BoardLink::Opened{});
        else if (h.main->has_window(Window(subject))) owned = h.main->window_factory(Window(subject))(*h.main);
        if (owned) window = owned.get();
        if (window) (void)activate(window);
        h.words();  // only what the test does counts
    }
    Harness h;
    std::unique_ptr<QWidget> owned;
    QWidget* window = nullptr;
};

}  // namespace testing_support
