#pragma once
// The power-down dialog: normal operation, synchronous or asynchronous power-down (control
// latch bits 21 and 20). It acts for the nine variants only and sends the control latch alone.
#include <array>

#include "ui/dialogs/setting_dialog.h"

class QGroupBox;
class QRadioButton;

class powerform : public SettingDialog {
    Q_OBJECT
public:
    explicit powerform(Main& main);

    void Form_Load();
    void Command3_Click() override;
    void Command1_Click() override;  // OK with the busy pointer while it applies

    QGroupBox *Frame1 = nullptr, *Frame2 = nullptr;
    QRadioButton *Option1 = nullptr, *Option2 = nullptr, *Option3 = nullptr;

private:
    std::array<QRadioButton*, 3> options() const { return {Option1, Option2, Option3}; }
};
