#include "ui/dialogs/muxform.h"

#include <algorithm>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "actions/options.h"
#include "model/setting_choices.h"
#include "model/variants.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/main/main_window.h"

using namespace dialog_parts;

muxform::muxform(Main& main) : SettingDialog(main, "muxform", "Muxout Options") {
    static const char* const kCaptions[] = {
        "Three-State Output", "Digital Lock Detect",    "N Divider Output",   "DVdd",
        "R Divider Output",   "Open Drain Lock Detect", "Serial Data Output", "DGnd",
    };
    Frame1 = frame("Frame1");
    Label1 = label("Label1", "Choose the muxout feature");
    auto* column = new QVBoxLayout(Frame1);
    column->addWidget(Label1);
    QStringList captions;
    for (const char* caption : kCaptions) captions << caption;
    std::ranges::copy(option_column(this, column, captions), Option.begin());
    content()->addWidget(Frame1);
    tab_order(QList<QWidget*>(Option.begin(), Option.end()));
    Form_Load();
    name_repeated_captions(Option, 3);  // the single-modulus variant shows "Not Used" twice
}

void muxform::Form_Load() {
    // The single-modulus variant has no such functions; the choices stay and keep their codes.
    if (variants::is_single_modulus(state_.device)) {
        Option[5]->setText("Not Used");
        Option[6]->setText("Not Used");
    }
    if (auto option = muxout_option_for(state_.muxout_bits)) Option[*option - 1]->setChecked(true);
}

void muxform::Command3_Click() { finish(actions::apply_muxout(state_, main_.link(), checked_option(Option))); }
