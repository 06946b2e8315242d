#include "tests/support/window_scene.h"

#include <QApplication>
#include <QTest>

#include "ui/main/deviceform.h"

namespace testing_support {

std::string subject_name(int subject) {
    static const char* const windows[] = {"Synth", "Crystal", "Current1", "Current2", "Powerdown", "Mux", "Prescaler",
                                          "Preset", "Fastlock", "Bandselect", "Rev", "Resend", "Conversion",
                                          "Registers", "VcoTest", "Locktime", "Sweep", "SimulatedBoard"};
    if (subject < 0) return subject == kMain ? "Main" : "deviceform";
    return subject < int(std::size(windows)) ? windows[subject] : "Window" + std::to_string(subject);
}

bool activate(QWidget* window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitFor([&] { return QApplication::activeWindow() == window; });
}

Scene::Scene(int subject, const std::string& variant) : h(variant) {
    if (subject == kMain) window = h.main.get();
    else if (subject == kDeviceForm) owned = std::make_unique<deviceform>(*h.main, boardlink::BoardLink::Opened{});
    else if (h.main->has_window(Window(subject))) owned = h.main->window_factory(Window(subject))(*h.main);
    if (owned) window = owned.get();
    if (window) (void)activate(window);
    h.words();  // only what the test does counts
}

}  // namespace testing_support
