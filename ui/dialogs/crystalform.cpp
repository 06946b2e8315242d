#include "ui/dialogs/crystalform.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "actions/frequency.h"
#include "model/number_format.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/entry_parse.h"
#include "ui/main/main_window.h"

using namespace dialog_parts;

crystalform::crystalform(Main& main) : SettingDialog(main, "crystalform", "Crystal Frequency") {
    Frame1 = frame("Frame1");
    Label1 = label("Label1", "Enter the reference oscillator frequency (MHz):");
    Text1 = entry("Text1", "100.000000");
    auto* row = new QHBoxLayout(Frame1);
    row->addWidget(Label1);
    row->addWidget(Text1);
    content()->addWidget(Frame1);
    Label1->setBuddy(Text1);
    tab_order({Text1});
    Form_Load();
}

void crystalform::Form_Load() {
    Text1->setText(QString::fromStdString(numfmt::general(state_.ref_freq / 1'000'000)));
}

void crystalform::Command3_Click() {
    auto out = actions::apply_reference(state_, main_.link(), parse_entry(Text1));
    if (out.ok()) Text1->setText(QString::fromStdString(out.entry_text));
    finish(out);
}
