#include "ui/dialogs/presetform.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "model/board_presets.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/main/main_window.h"
#include "ui/widgets/click_label.h"

using namespace dialog_parts;

presetform::presetform(Main& main)
    : SettingDialog(main, "presetform", "Evaluation Boards", Buttons::OkCancel) {
    Frame1 = frame("Frame1");
    Label1 = label("Label1", "Choose Evaluation Board In Use");
    auto* column = new QVBoxLayout(Frame1);
    column->addWidget(Label1);
    auto* group = new QButtonGroup(this);
    for (size_t i = 0; i < Option.size(); ++i) {
        Option[i] = new QRadioButton(QString::fromUtf8(kBoardPresets[i].caption.data(),
                                                       int(kBoardPresets[i].caption.size())));
        Option[i]->setObjectName(QString("Option%1").arg(i + 1));
        group->addButton(Option[i]);
        column->addWidget(Option[i]);
    }
    content()->addWidget(Frame1);
    Form_Load();
}

void presetform::Form_Load() {
    // preset_index is 0 after a variant was chosen at start-up: no board is marked then.
    const int index = state_.preset_index;
    if (index >= 1 && index <= int(Option.size())) Option[index - 1]->setChecked(true);
}

void presetform::Command1_Click() {
    for (size_t i = 0; i < Option.size(); ++i)
        if (Option[i]->isChecked()) {
            const BoardPreset& preset = kBoardPresets[i];
            apply_board_preset(state_, preset);
            main_.ui.eval->setText(QString::fromUtf8(preset.caption.data(), int(preset.caption.size())));
            break;
        }
    main_.refresh_main();
    send_full_sequence();
    accept();
}
