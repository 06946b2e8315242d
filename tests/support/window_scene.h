#pragma once
// Every window of the tool, one at a time (the main window, the variant dialog and each window the
// main window opens; one registered later joins without a change here), as a user meets it.
#include <QWidget>
#include <memory>
#include <string>

#include "tests/support/gui_harness.h"

namespace testing_support {

constexpr int kMain = -2, kDeviceForm = -1;  // then each Window by its number
constexpr int kLastWindow = int(Window::SimulatedBoard);

// The window's name in a test's name.
std::string subject_name(int subject);

// Shows a window and waits until it is the active one, as a user's window is.
bool activate(QWidget* window);

// A fresh tool on the simulated board with one window shown (none when it is not built yet).
struct Scene {
    explicit Scene(int subject, const std::string& variant = "ksy7100-1");
    Harness h;
    std::unique_ptr<QWidget> owned;
    QWidget* window = nullptr;
};

}  // namespace testing_support
