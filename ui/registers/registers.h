#pragma once
// The register map: the control, N counter and R counter latches as three rows of 24 bit
// switches, DB23 at the left. Opening sets the switches from the state; nothing is stored or
// sent until a send button rebuilds the state from the switches (refused while every R counter
// switch is off) and sends one latch, or all three in the order R, control, N.
//
// Beyond the switches each row takes a whole word typed in hexadecimal: Return sets the row's
// switches from it, when its address bits are the row's; a send applies a word still typed in its
// rows first, as Return would. A row's send stores and sends that row only: a row whose switches
// differ from what was stored is marked as edited and not sent, until it is sent or the window is
// cancelled. The fixed digits show the bits as they are sent (DB19 of the R latch is the test-mode
// enable bit of the Test Modes window).
#include <QFrame>
#include <array>

#include "actions/register_sends.h"
#include "model/register_map.h"
#include "ui/dialogs/setting_dialog.h"

class QLabel;
class QLineEdit;
class ToggleSwitch;

class registers : public SettingDialog {
    Q_OBJECT
public:
    explicit registers(Main& main);

    void Form_Load();
    // Rebuilds the state from the switches and shows the lock-detect precision and the
    // anti-backlash width on the main window. False (with a message, nothing changed) when every
    // R counter switch is off.
    bool update();

    void Command1_Click() override;  // OK: Load Now, and close unless it was refused
    void Command3_Click() override;  // Load Now
    void Command4_Click();           // Update Function Latch
    void Command5_Click();           // Update N Register
    void Command6_Click();           // Update R Register

    // The switch at bit `db` of a row, and the positions of all switches.
    ToggleSwitch* switch_at(regmap::Row row, int db) const { return switches_[size_t(row)][size_t(db)]; }
    regmap::RegisterBits bits() const;
    // The hexadecimal entry of a row; Return applies it. False (with Return's message) when the
    // word typed is refused.
    QLineEdit* word_entry(regmap::Row row) const { return entries_[size_t(row)]; }
    bool apply_word_entry(regmap::Row row);
    // The mark of a row whose switches were edited and not sent.
    QLabel* unsent_mark(regmap::Row row) const { return unsent_marks_[size_t(row)]; }

    QFrame* Frame1 = nullptr;
    QPushButton *Command4 = nullptr, *Command5 = nullptr, *Command6 = nullptr;
    QLabel *Label35 = nullptr, *Label36 = nullptr, *Label37 = nullptr;
    // The captions the variant without dual-modulus prescaler changes.
    QLabel *Label7 = nullptr, *Label8 = nullptr, *Label11 = nullptr, *Label12 = nullptr, *Label18 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build_row(regmap::Row row, class QGridLayout* grid, int top);
    void set_row(regmap::Row row, uint32_t bits);
    void show_row_word(regmap::Row row);
    void show_unsent();
    bool send(actions::RegisterSend which, std::initializer_list<regmap::Row> rows);
    void show_sent(regmap::Row row);
    bool load_now();
    QLabel* caption_label(regmap::Row row, int high) const;

    std::array<std::array<ToggleSwitch*, 24>, 3> switches_{};
    std::array<QLineEdit*, 3> entries_{};
    std::array<QLabel*, 3> sent_labels_{};
    std::array<QLabel*, 3> unsent_marks_{};
};
