#pragma once
// What the exerciser tests share: opening a window from its main-window button, decoding the
// N latch words the board received, and a tool started on a link the test can break.
#include <QPushButton>
#include <QTest>
#include <functional>

#include "link/board_link.h"
#include "link/sim_board.h"
#include "tests/support/gui_harness.h"

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

// A link to the simulated board that can be unplugged: the next access fails, and from then on
// the link drops writes and says why, as a real adapter does.
class BreakableLink : public boardlink::Port {
public:
    explicit BreakableLink(boardlink::SimBoard& board) : board_(board) {}
    void out(uint16_t address, uint8_t value) override {
        if (pass()) board_.out(address, value);
    }
    uint8_t in(uint16_t address) override { return pass() ? board_.in(address) : 0xFF; }
    std::string name() const override { return "breakable link"; }
    std::string failure() const override { return failed_ ? "adapter unplugged" : ""; }
    bool unplugged = false;

private:
    bool pass() {
        failed_ = failed_ || unplugged;
        return !failed_;
    }
    boardlink::SimBoard& board_;
    bool failed_ = false;
};

// The tool started for ksy7100-1 on a breakable link.
struct BreakableRig {
    BreakableRig();
    ~BreakableRig();
    boardlink::SimBoard board;
    boardlink::BoardLink link;
    BreakableLink* port = nullptr;  // owned by link
    EvalState state;
    testing_support::ScriptedPrompts prompts;
    std::unique_ptr<Main> main;
};

}  // namespace exerciser_tests
