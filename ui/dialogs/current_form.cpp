#include "ui/dialogs/current_form.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "actions/options.h"
#include "model/number_format.h"
#include "model/variants.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/entry_parse.h"
#include "ui/main/main_window.h"
#include "ui/widgets/selector_knob.h"
#include "ui/widgets/toggle_switch.h"

using namespace dialog_parts;

namespace {

struct FormText {
    const char* name;
    const char* caption;
    const char* rset_caption;  // the entry sits in its run of blanks
    const char* prompt;
    QStringList knob_labels;   // shown until the knob is relabelled
};

FormText text_of(CurrentSetting setting) {
    if (setting == CurrentSetting::One)
        return {"current1form", "Current Setting One", "R Set:                 Ohms",
                "Select the desired Current Setting 1 value (mA):",
                {"0.31", ".62", ".93", "1.25", "1.56", "1.87", "2.18", "2.5"}};
    return {"current2form", "Current Setting 2", "RSet:                  Ohms",
            "Select the desired Current Setting 2 value (mA):",
            {"0.31", "0.62", "0.93", "1.25", "1.56", "1.87", "2.18", "2.5"}};
}

// Places the entry over the run of blanks in the label's caption, so it reads
// "R Set: [4700] Ohms".
void embed_entry(QLabel* caption, QLineEdit* entry) {
    const QString text = caption->text();
    const int colon = int(text.indexOf(':')) + 1;
    const int blanks_end = int(text.indexOf("Ohms"));
    const QFontMetrics fm(caption->font());
    const int x = fm.horizontalAdvance(text.left(colon)) + 3;
    const int width = fm.horizontalAdvance(text.mid(colon, blanks_end - colon)) - 6;
    const int height = entry->sizeHint().height();
    caption->setFixedSize(fm.horizontalAdvance(text) + 2, height);
    caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    entry->setParent(caption);
    entry->setGeometry(x, 0, width, height);
}

}  // namespace

CurrentForm::CurrentForm(Main& main, CurrentSetting setting)
    : SettingDialog(main, text_of(setting).name, text_of(setting).caption), setting_(setting) {
    const FormText text = text_of(setting);
    Frame1 = frame("Frame1");
    Frame2 = frame("Frame2", "R Set");
    Label2 = label("Label2", text.rset_caption);
    Text2 = named(new QLineEdit("4700"), "Text2");
    Text2->setAlignment(Qt::AlignRight);
    embed_entry(Label2, Text2);
    Label1 = label("Label1", "Changes the current setting values depending on the value of R Set");
    Label1->setWordWrap(true);
    auto* rset = new QVBoxLayout(Frame2);
    rset->addWidget(Label2);
    rset->addWidget(Label1);

    Frame3 = frame("Frame3");
    Label3 = label("Label3", text.prompt);
    Selector1 = knob("Selector1", text.knob_labels);
    auto* choice = new QVBoxLayout(Frame3);
    choice->addWidget(Label3);
    choice->addWidget(Selector1, 0, Qt::AlignHCenter);

    auto* all = new QVBoxLayout(Frame1);
    all->addWidget(Frame2);
    all->addWidget(Frame3);
    content()->addWidget(Frame1);
    // The entry sits inside its caption, so it is named by hand.
    Text2->setAccessibleName("R Set (Ohms)");
    Label3->setBuddy(Selector1);
    Selector1->setAccessibleName(setting == CurrentSetting::One ? "Charge pump current setting 1"
                                                                : "Charge pump current setting 2");
    Selector1->setUnit("mA");
    tab_order({Text2, Selector1});
    Form_Load();
}

int32_t& CurrentForm::field() {
    return setting_ == CurrentSetting::One ? state_.cs1_bits : state_.cs2_bits;
}

void CurrentForm::Form_Load() {
    Text2->setText(QString::fromStdString(numfmt::general(state_.rset)));
    if (auto position = current_setting_position(setting_, field())) Selector1->setPosition(*position);
    if (variants::is_family_variant(state_.device)) relabel_knob();
}

void CurrentForm::Command3_Click() {
    auto out = actions::apply_current_setting(state_, main_.link(), setting_, Selector1->position(), parse_entry(Text2));
    // The knob shows the currents of the RSet now stored; a rejected RSet leaves its labels.
    if (out.ok() && variants::is_family_variant(state_.device)) relabel_knob();
    finish(out);
}

void CurrentForm::relabel_knob() {
    if (!(state_.rset > 0)) return;  // a resistance from elsewhere that gives no current
    const auto labels = current_setting_labels(state_.rset);
    for (int p = 0; p < kCurrentPositions; ++p) Selector1->setLabel(p, QString::fromStdString(labels[p]));
}
