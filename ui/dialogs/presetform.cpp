#include "ui/dialogs/presetform.h"

#include <algorithm>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "actions/options.h"
#include "model/board_presets.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/main/main_window.h"
#include "ui/widgets/click_label.h"

using namespace dialog_parts;

namespace {

QString caption_of(const BoardPreset& preset) {
    return QString::fromUtf8(preset.caption.data(), int(preset.caption.size()));
}

}  // namespace

presetform::presetform(Main& main)
    : SettingDialog(main, "presetform", "Evaluation Boards", Buttons::OkCancel) {
    Frame1 = frame("Frame1");
    Label1 = label("Label1", "Choose Evaluation Board In Use");
    auto* column = new QVBoxLayout(Frame1);
    column->addWidget(Label1);
    QStringList captions;
    for (const BoardPreset& preset : kBoardPresets) captions << caption_of(preset);
    std::ranges::copy(option_column(this, column, captions), Option.begin());
    content()->addWidget(Frame1);
    tab_order(QList<QWidget*>(Option.begin(), Option.end()));
    Form_Load();
}

void presetform::Form_Load() {
    // preset_index is 0 after a variant was chosen at start-up: no board is marked then.
    const int index = state_.preset_index;
    if (index >= 1 && index <= int(Option.size())) Option[index - 1]->setChecked(true);
}

void presetform::Command1_Click() {
    finish(actions::apply_board_preset(state_, main_.link(), checked_option(Option)));
    accept();
}
