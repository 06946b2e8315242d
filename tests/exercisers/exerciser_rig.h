#pragma once
// What the exerciser tests share: opening a window from its main-window button, decoding the
// latch words the board received, and unplugging the board.
#include <QPushButton>
#include <QTest>
#include <functional>

#include "tests/support/gui_harness.h"
#include "tests/support/recording_port.h"

namespace exerciser_tests {

constexpr int kControl = 0, kN = 2;
inline uint32_t b_of(uint32_t word) { return (word >> 8) & 0x1FFF; }
inline uint32_t a_of(uint32_t word) { return (word >> 2) & 31; }
inline bool bit(uint32_t word, int n) { return (word >> n) & 1; }
inline std::vector<int> latches_of(const std::vector<uint32_t>& words) {
    std::vector<int> l;
    for (uint32_t w : words) l.push_back(int(w & 3));
    return l;
}

// Clicks `button` of the main window and runs `act` on the window it opens, while it is shown.
template <class W>
void open_window(testing_support::ScriptedPrompts& prompts, QPushButton* button,
                 const std::function<void(W&)>& act) {
    prompts.on_modal = [&](QDialog& dialog) {
        auto* window = dynamic_cast<W*>(&dialog);
        ASSERT_NE(window, nullptr) << dialog.objectName().toStdString();
        act(*window);
    };
    QTest::mouseClick(button, Qt::LeftButton);
    prompts.on_modal = nullptr;
}

// Puts a link that fails at its first access (an unplugged adapter) in place of the harness's
// board. `spare` is never reached; the harness's board is gone, so h.board and h.words() are not
// to be used afterwards.
inline void unplug(testing_support::Harness& h, boardlink::Port& spare) {
    h.link.attach(std::make_unique<testing_support::FaultInjectingPort>(spare, 0));
}

}  // namespace exerciser_tests
