#include "ui/dialogs/resend_form.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "actions/options.h"
#include "model/latch.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/main/main_window.h"
#include "ui/widgets/tab_order.h"

using namespace dialog_parts;

Form1::Form1(Main& main) : QDialog(&main), main_(main) {
    setObjectName("Form1");
    setWindowTitle("Resend the Data");
    setPalette(main.palette());
    auto resend = [this](const char* name, const char* bits, void (Form1::*handler)()) {
        auto* button = named(new QPushButton(QString("Resend Data to Register with Control Bits: %1").arg(bits)), name);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, handler);
        return button;
    };
    Command1 = resend("Command1", "(1,1)", &Form1::Command1_Click);
    Command2 = resend("Command2", "(1,0)", &Form1::Command2_Click);
    Command6 = resend("Command6", "(0,1)", &Form1::Command6_Click);
    Command7 = resend("Command7", "(0,0)", &Form1::Command7_Click);
    Command3 = named(new QPushButton("Done"), "Command3");
    Command3->setDefault(true);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    Label1 = label("Label1", "This window allows the user to resend the current settings to the registers.");
    Label1->setWordWrap(true);
    Label1->setMinimumWidth(Label1->fontMetrics().horizontalAdvance("This window allows the user"));

    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    int row = 0;
    for (QPushButton* b : {Command1, Command2, Command6, Command7}) grid->addWidget(b, row++, 0);
    grid->addWidget(Label1, 0, 1, row, 1);
    grid->addWidget(Command3, row, 1, Qt::AlignRight);
    grid->setColumnMinimumWidth(1, Label1->minimumWidth());
    // The window opens on its first resend button rather than on Done, the default button.
    set_tab_order({Command1, Command2, Command6, Command7, Command3});
}

void Form1::Command1_Click() { main_.show_outcome(actions::resend_latch(main_.state(), main_.link(), kTestLatch)); }
void Form1::Command2_Click() { main_.show_outcome(actions::resend_latch(main_.state(), main_.link(), kNLatch)); }
void Form1::Command6_Click() { main_.show_outcome(actions::resend_latch(main_.state(), main_.link(), kRLatch)); }
void Form1::Command7_Click() { main_.show_outcome(actions::resend_latch(main_.state(), main_.link(), kControlLatch)); }
void Form1::Command3_Click() { accept(); }
