#include "ui/dialogs/fastlockform.h"

#include <algorithm>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "actions/options.h"
#include "model/setting_choices.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/main/main_window.h"
#include "ui/widgets/click_label.h"

using namespace dialog_parts;

fastlockform::fastlockform(Main& main) : SettingDialog(main, "fastlockform", "FastLock and Timer Control") {
    Frame1 = frame("Frame1");
    Label3 = label("Label3", "Anti Backlash");
    QFont heading = Label3->font();
    heading.setFamily("DejaVu Serif");
    heading.setItalic(true);
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.6);
    Label3->setFont(heading);
    Frame2 = frame("Frame2", "Anti Backlash Pulse Width");
    auto* options = new QVBoxLayout(Frame2);
    std::ranges::copy(option_column(this, options, {"3.0 nsecs", "1.3 nsecs", "6.0 nsecs", "3.0 nsecs"}), Option.begin());
    auto* column = new QVBoxLayout(Frame1);
    column->addWidget(Label3, 0, Qt::AlignHCenter);
    column->addWidget(Frame2);
    content()->addWidget(Frame1);
    name_repeated_captions(Option, 2);  // 00 and 11 both read "3.0 nsecs"
    tab_order(QList<QWidget*>(Option.begin(), Option.end()));
    Form_Load();
}

void fastlockform::Form_Load() {
    if (auto option = abp_width_option_for(state_.abp_width_bits)) Option[*option - 1]->setChecked(true);
}

void fastlockform::Command3_Click() { finish(actions::apply_abp_width(state_, main_.link(), checked_option(Option))); }
