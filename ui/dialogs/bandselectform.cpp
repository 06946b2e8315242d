#include "ui/dialogs/bandselectform.h"

#include <QLabel>
#include <QVBoxLayout>

#include "actions/options.h"
#include "model/setting_choices.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/main/main_window.h"
#include "ui/widgets/click_label.h"
#include "ui/widgets/selector_knob.h"

using namespace dialog_parts;

Bandselectform::Bandselectform(Main& main) : SettingDialog(main, "Bandselectform", "Band Select Divide Modes") {
    Label1 = label("Label1", "Band Select Clock Divide Ratio");
    Selector1 = knob("Selector1", {" 1", " 2", " 4", " 8"});
    content()->addWidget(Label1, 0, Qt::AlignHCenter);
    content()->addWidget(Selector1, 0, Qt::AlignHCenter);
    Label1->setBuddy(Selector1);
    tab_order({Selector1});
    Form_Load();
}

void Bandselectform::Form_Load() {
    if (auto position = band_select_position(state_.bscd_bits)) Selector1->setPosition(*position);
}

void Bandselectform::Command3_Click() {
    finish(actions::apply_band_select(state_, main_.link(), Selector1->position()));
}
