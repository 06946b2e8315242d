#pragma once
// The two charge-pump current dialogs, current1form and current2form: an eight-position knob
// labelled with the currents at the set resistor, which the dialog also sets. Applying stores
// the code, the charge-pump gain that goes with the setting and RSet, and sends every latch.
#include "model/setting_choices.h"
#include "ui/dialogs/setting_dialog.h"

class QGroupBox;
class QLabel;
class SelectorKnob;

class CurrentForm : public SettingDialog {
    Q_OBJECT
public:
    CurrentForm(Main& main, CurrentSetting setting);

    void Form_Load();
    void Command3_Click() override;

    QGroupBox *Frame1 = nullptr, *Frame2 = nullptr, *Frame3 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
    QLineEdit* Text2 = nullptr;  // RSet, ohms
    SelectorKnob* Selector1 = nullptr;

private:
    void relabel_knob();
    int32_t& field();

    const CurrentSetting setting_;
};
