#pragma once
// The reference frequency dialog: REF IN in MHz. Applying recomputes R (truncated) and the B
// and A counters from the present PFD and VCO frequencies and sends every latch.
#include "ui/dialogs/setting_dialog.h"

class QGroupBox;
class QLabel;

class crystalform : public SettingDialog {
    Q_OBJECT
public:
    explicit crystalform(Main& main);

    void Form_Load();
    void Command3_Click() override;

    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Text1 = nullptr;
};
