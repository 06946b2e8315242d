#pragma once
// The test-mode window (vcotest): the fields of the test latch and the test-mode enable bit of
// the R counter latch. A list choice or a flip of Toggle1..Toggle3 is stored at once and reaches
// the board with "Update Testmode Latch"; Toggle4 sends all four latches at once.
//
// The window opens showing what the state holds and stores nothing by opening. Every rule is in
// the test-latch actions (actions/test_latch.h); handlers connect
// to the user's actions only (a list's activated, a switch's clicked), so values the program
// sets raise nothing.
#include <QDialog>

#include "model/test_modes.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class ToggleSwitch;
class Main;
struct EvalState;
namespace actions { struct Outcome; }

class vcotest : public QDialog {
    Q_OBJECT
public:
    explicit vcotest(Main& main);

    void Form_Load();
    void Combo1_Click(int index);
    void Combo2_Click(int index);
    void Combo3_Click(int index);
    void Toggle1_Click();
    void Toggle2_Click();
    void Toggle3_Click();
    void Toggle4_Click();
    void Command1_Click();  // Update Testmode Latch
    void Command2_Click();  // Cancel

    QGroupBox* Frame1 = nullptr;
    QLabel *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr;
    QComboBox *Combo1 = nullptr, *Combo2 = nullptr, *Combo3 = nullptr;
    ToggleSwitch *Toggle1 = nullptr, *Toggle2 = nullptr, *Toggle3 = nullptr, *Toggle4 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr;
    // The test word the window describes, and whether the board has it yet.
    QLabel* test_word_status = nullptr;

private:
    void flip(test_modes::Switch which, const ToggleSwitch* toggle);
    // Shows an action's outcome through the main window, then the test word's status.
    void show_outcome(const actions::Outcome& outcome);
    void show_test_word();

    Main& main_;
    EvalState& state_;
};
