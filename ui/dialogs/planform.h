#pragma once
// The frequency planner's window, opened by the frequency dialog's "Plan...": the plans the chip
// can run for the frequency wanted, best first (model/frequency_planner.h), optionally for a
// channel step; "Load" hands the chosen one back to the frequency dialog, which loads it through
// its own Load Now.
#include <QDialog>
#include <optional>
#include <vector>

#include "model/frequency_planner.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class Main;

class planform : public QDialog {
    Q_OBJECT
public:
    planform(Main& main, double wanted_mhz);

    void Command3_Click();  // Find: the plans for the entries
    void Command1_Click();  // Load the plan chosen
    void Command2_Click();  // Close

    // The plan chosen with Load, if any.
    const std::optional<FrequencyPlan>& chosen() const { return chosen_; }

    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
    QLineEdit *Text1 = nullptr, *Text2 = nullptr;  // wanted MHz, channel step kHz (may be empty)
    QTableWidget* Table1 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr;

private:
    Main& main_;
    std::vector<FrequencyPlan> plans_;
    std::optional<FrequencyPlan> chosen_;
};
