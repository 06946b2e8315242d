#include "ui/dialogs/setting_dialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "actions/outcome.h"
#include "ui/main/main_window.h"
#include "ui/widgets/tab_order.h"

SettingDialog::SettingDialog(Main& main, const char* name, const QString& caption, Buttons buttons)
    : QDialog(&main), main_(main), state_(main.state()) {
    setObjectName(name);
    setWindowTitle(caption);
    setPalette(main.palette());
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* outer = new QVBoxLayout(this);
    outer->setSizeConstraint(QLayout::SetFixedSize);
    content_ = new QVBoxLayout;
    outer->addLayout(content_);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    Command1 = new QPushButton("OK");
    Command1->setObjectName("Command1");
    Command1->setDefault(true);
    Command2 = new QPushButton("Cancel");
    Command2->setObjectName("Command2");
    row->addWidget(Command1);
    row->addWidget(Command2);
    if (buttons == Buttons::OkCancelLoadNow) {
        Command3 = new QPushButton("Load Now");
        Command3->setObjectName("Command3");
        Command3->setAutoDefault(false);
        row->addWidget(Command3);
        connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    }
    outer->addLayout(row);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
}

void SettingDialog::tab_order(const QList<QWidget*>& controls) {
    QList<QWidget*> chain = controls;
    chain << Command1 << Command2;
    if (Command3) chain << Command3;
    set_tab_order(chain);
}

void SettingDialog::Command1_Click() {
    Command3_Click();
    accept();
}

void SettingDialog::Command2_Click() { reject(); }

bool SettingDialog::finish(const actions::Outcome& outcome) { return main_.show_outcome(outcome, this); }
