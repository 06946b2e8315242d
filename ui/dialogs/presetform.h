#pragma once
// The evaluation-board dialog: one of the five boards of the family and its complete preset
// setup. OK applies, refreshes, sends the full write sequence and closes; there is no Load Now.
#include <array>

#include "ui/dialogs/setting_dialog.h"

class QGroupBox;
class QLabel;
class QRadioButton;

class presetform : public SettingDialog {
    Q_OBJECT
public:
    explicit presetform(Main& main);

    void Form_Load();
    void Command1_Click() override;

    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    std::array<QRadioButton*, 5> Option{};  // Option1 .. Option5 are Option[0] .. Option[4]
};
