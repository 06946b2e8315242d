#include "ui/dialogs/powerform.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "actions/options.h"
#include "model/setting_choices.h"
#include "model/variants.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/main/main_window.h"

using namespace dialog_parts;

powerform::powerform(Main& main) : SettingDialog(main, "powerform", "Powerdown") {
    Frame1 = frame("Frame1");
    Frame2 = frame("Frame2", "RF Section");
    Option1 = named(new QRadioButton("Normal Operation. Device not in powerdown"), "Option1");
    Option2 = named(new QRadioButton("Synchronous powerdown"), "Option2");
    Option3 = named(new QRadioButton("Asynchronous powerdown"), "Option3");
    auto* group = new QButtonGroup(this);
    auto* column = new QVBoxLayout(Frame2);
    for (QRadioButton* option : options()) {
        group->addButton(option);
        column->addWidget(option);
    }
    auto* all = new QVBoxLayout(Frame1);
    all->addWidget(Frame2);
    content()->addWidget(Frame1);
    tab_order({Option1, Option2, Option3});
    Form_Load();
}

void powerform::Form_Load() {
    if (!variants::is_family_variant(state_.device)) return;
    if (auto option = powerdown_option_for(state_.powerdown_bits)) options()[*option - 1]->setChecked(true);
}

void powerform::Command3_Click() {
    finish(actions::apply_powerdown(state_, main_.link(), checked_option(options())));
}

void powerform::Command1_Click() {
    setCursor(Qt::WaitCursor);
    Command3_Click();
    unsetCursor();
    accept();
}
