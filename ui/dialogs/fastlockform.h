#pragma once
// The anti-backlash pulse width dialog: R counter latch bits 17..16, with the width written to
// the main window's abpw2 label. Sends the full write sequence.
#include <array>

#include "ui/dialogs/setting_dialog.h"

class QGroupBox;
class QLabel;
class QRadioButton;

class fastlockform : public SettingDialog {
    Q_OBJECT
public:
    explicit fastlockform(Main& main);

    void Form_Load();
    void Command3_Click() override;

    QGroupBox *Frame1 = nullptr, *Frame2 = nullptr;
    QLabel* Label3 = nullptr;
    std::array<QRadioButton*, 4> Option{};  // Option1 .. Option4 are Option[0] .. Option[3]
};
