#pragma once
// The muxout dialog: which internal signal drives the MUXOUT pin (control latch bits 7..5).
// Sends the control latch alone.
#include <array>

#include "ui/dialogs/setting_dialog.h"

class QGroupBox;
class QLabel;
class QRadioButton;

class muxform : public SettingDialog {
    Q_OBJECT
public:
    explicit muxform(Main& main);

    void Form_Load();
    void Command3_Click() override;

    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    std::array<QRadioButton*, 8> Option{};  // Option1 .. Option8 are Option[0] .. Option[7]
};
