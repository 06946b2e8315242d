#pragma once
// The prescaler dialog: the modulus P/P+1 of the N divider. Applying splits N anew into the B
// and A counters (R rounded) and sends every latch.
#include "ui/dialogs/setting_dialog.h"

class QGroupBox;
class QLabel;
class SelectorKnob;

class prescaleform : public SettingDialog {
    Q_OBJECT
public:
    explicit prescaleform(Main& main);

    void Form_Load();
    void Command3_Click() override;

    QGroupBox *Frame1 = nullptr, *Frame6 = nullptr;
    SelectorKnob* Selector1 = nullptr;
    QLabel* Label1 = nullptr;
};
