#include "ui/dialogs/prescaleform.h"

#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "actions/frequency.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/main/main_window.h"
#include "ui/widgets/selector_knob.h"

using namespace dialog_parts;

prescaleform::prescaleform(Main& main) : SettingDialog(main, "prescaleform", "Prescaler") {
    Frame1 = frame("Frame1", "What value Prescaler is being used???");
    Frame6 = frame("Frame6");
    Selector1 = knob("Selector1", {"8/9", "16/17", "32/33", "32/33"});
    Label1 = label("Label1", "RF Prescaler");
    auto* knob_column = new QVBoxLayout(Frame6);
    knob_column->addWidget(Selector1, 0, Qt::AlignHCenter);
    knob_column->addWidget(Label1, 0, Qt::AlignHCenter);
    auto* all = new QVBoxLayout(Frame1);
    all->addWidget(Frame6);
    content()->addWidget(Frame1);
    Label1->setBuddy(Selector1);
    tab_order({Selector1});
    Form_Load();
}

void prescaleform::Form_Load() {
    if (auto position = prescaler_position(state_.prescaler_bits)) Selector1->setPosition(*position);
}

void prescaleform::Command3_Click() { finish(actions::apply_prescaler(state_, main_.link(), Selector1->position())); }
