#pragma once
// The band-select clock divider dialog: the divide ratio 1, 2, 4 or 8 (R latch bits 21..20).
// Sends every latch.
#include "ui/dialogs/setting_dialog.h"

class QLabel;
class SelectorKnob;

class Bandselectform : public SettingDialog {
    Q_OBJECT
public:
    explicit Bandselectform(Main& main);

    void Form_Load();
    void Command3_Click() override;

    QLabel* Label1 = nullptr;
    SelectorKnob* Selector1 = nullptr;
};
