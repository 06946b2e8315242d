#pragma once
// Helpers of the window tests: latch word fields, opening a window through a main-window entry.
#include <QTest>
#include <QtWidgets>
#include <cstdint>
#include <functional>

#include "tests/support/gui_harness.h"
#include "tests/support/recording_port.h"
#include "ui/dialogs/presetform.h"
#include "ui/main/main_window.h"
#include "ui/widgets/click_label.h"
#include "ui/widgets/selector_knob.h"
#include "ui/widgets/toggle_switch.h"

namespace dialog_tests {

constexpr int C = 0, R = 1, N = 2, T = 3;

inline uint32_t bits(uint32_t word, int high, int low) { return (word >> low) & ((1u << (high - low + 1)) - 1); }
inline bool bit(uint32_t word, int n) { return (word >> n) & 1; }
inline uint32_t b_of(uint32_t n_word) { return bits(n_word, 20, 8); }
inline uint32_t a_of(uint32_t n_word) { return bits(n_word, 6, 2); }

using testing_support::latches_of;

// The word of `latch` among `words` (the last one sent to it).
inline uint32_t word_of(const std::vector<uint32_t>& words, int latch) {
    for (auto w = words.rbegin(); w != words.rend(); ++w)
        if (int(*w & 3) == latch) return *w;
    ADD_FAILURE() << "no word for latch " << latch;
    return 0;
}

// The state without the copies of the words (and the wait count) a send leaves behind.
inline EvalState fields_of(EvalState s) {
    s.latch_select = 0, s.tx_word = 0, s.shift_delay = 0, s.latches_sent = 0, s.board_single_modulus = false;
    s.control_word = s.r_word = s.r_word_assembled = s.n_word = s.n_word_assembled = s.test_word = 0;
    return s;
}

// Runs `open` (a click on a main-window entry) and `act` on the dialog it shows, which it must show
// when there is an `act`; the dialog's name.
template <class Dialog>
QString through_entry(testing_support::Harness& h, const std::function<void()>& open, const std::function<void(Dialog&)>& act = {}) {
    QString name;
    h.prompts.on_modal = [&](QDialog& d) {
        name = d.objectName();
        auto* dialog = qobject_cast<Dialog*>(&d);
        ASSERT_NE(dialog, nullptr) << d.objectName().toStdString();
        if (act) act(*dialog);
    };
    open();
    h.prompts.on_modal = nullptr;
    EXPECT_TRUE(!act || !name.isEmpty()) << "the entry opened no window";
    return name;
}

// A click at a control's middle, or on a radio button's indicator (one wider than its caption takes
// none at its middle), its window shown first so that it is laid out at its real size.
inline void click(QWidget* w) {
    if (!w->isVisible()) w->window()->show();
    if (qobject_cast<QRadioButton*>(w))
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->height() / 2, w->height() / 2));
    else
        QTest::mouseClick(w, Qt::LeftButton);
}

// Chooses board `option` (1..5, or 0 for none) in the preset dialog and presses OK.
inline void choose_board(testing_support::Harness& h, int option) {
    through_entry<presetform>(h, [&] { click(h.main->ui.eval); }, [&](presetform& d) {
        if (option > 0) click(d.Option[option - 1]);
        click(d.Command1);
    });
}

// Puts a link that fails at its first access (an unplugged adapter) in place of the harness's
// board. `spare` is never reached; h.board and h.words() are not to be used afterwards.
inline void unplug(testing_support::Harness& h, boardlink::Port& spare) {
    h.link.attach(std::make_unique<testing_support::FaultInjectingPort>(spare, 0));
}

}  // namespace dialog_tests
