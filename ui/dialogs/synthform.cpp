#include "ui/dialogs/synthform.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "actions/frequency.h"
#include "model/number_format.h"
#include "model/variants.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/dialogs/planform.h"
#include "ui/entry_parse.h"
#include "ui/main/main_window.h"

using namespace dialog_parts;

synthform::synthform(Main& main) : SettingDialog(main, "synthform", "RF Output Frequency") {
    Frame2 = frame("Frame2", "Synthesizer Frequency");
    Label1 = label("Label1", "Enter the desired VCO output frequency (MHz):");
    Text1 = entry("Text1", "2400.000000");
    Label2 = label("Label2", "Enter the desired pfd reference frequency (kHz):");
    Text2 = entry("Text2", "2400.000000");
    auto* grid = new QGridLayout(Frame2);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Text1, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Text2, 1, 1);

    // N, P, B and A after the last computation.
    auto* values = new QGridLayout;
    values->setHorizontalSpacing(6);
    const char* titles[] = {"Label8", "Label9", "Label10", "Label11"};
    const char* captions[] = {"N:", "P:", "B:", "A:"};
    const char* value_names[] = {"Label4", "Label5", "Label6", "Label7"};
    QLabel** title_slots[] = {&Label8, &Label9, &Label10, &Label11};
    QLabel** value_slots[] = {&Label4, &Label5, &Label6, &Label7};
    for (int i = 0; i < 4; ++i) {
        *title_slots[i] = label(titles[i], captions[i]);
        *value_slots[i] = label(value_names[i], {});
        QLabel* value = *value_slots[i];
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance("0000000"));
        value->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        values->addWidget(*title_slots[i], 0, 2 * i, Qt::AlignRight);
        values->addWidget(value, 0, 2 * i + 1);
    }
    values->setColumnStretch(8, 1);
    grid->addLayout(values, 2, 0, 1, 2);

    Frame3 = frame("Frame3", "Single channel jump");
    Command4 = named(new QPushButton("Increment by one channel space"), "Command4");
    Command5 = named(new QPushButton("Decrement by one channel space"), "Command5");
    Command4->setAutoDefault(false);
    Command5->setAutoDefault(false);
    Label3 = label("Label3", "Note: These buttons will write to the N register only.");
    auto* jump = new QGridLayout(Frame3);
    jump->addWidget(Command4, 0, 0);
    jump->addWidget(Command5, 0, 1);
    jump->addWidget(Label3, 1, 0, 1, 2);

    Command6 = named(new QPushButton("Plan..."), "Command6");
    Command6->setAutoDefault(false);
    Command6->setToolTip("The plans the chip can run for the frequency entered, best first");

    Th = label("Th",
               "Note: The Load Now and OK buttons only update the N register and R Register. If the user "
               "changes only the output frequency, then only the N register will be updated.  If the user "
               "changes only the pfd reference frequency, then only the R register will be updated. If the "
               "user changes both operating frequency and pfd reference frequency, then both the N register "
               "and R register will be updated.");
    Th->setWordWrap(true);

    content()->addWidget(Frame2);
    content()->addWidget(Frame3);
    content()->addWidget(Command6, 0, Qt::AlignLeft);
    content()->addWidget(Th);
    Label1->setBuddy(Text1);
    Label2->setBuddy(Text2);
    tab_order({Text1, Text2, Command4, Command5, Command6});
    connect(Command4, &QPushButton::clicked, this, &synthform::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &synthform::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &synthform::Command6_Click);
    Form_Load();
}

void synthform::Form_Load() {
    const SynthEntries entries = actions::open_frequency_dialog(state_);
    Text1->setText(QString::fromStdString(entries.vco_text));
    Text2->setText(QString::fromStdString(entries.pfd_text));
}

void synthform::Command3_Click() {
    auto out = actions::load_frequency(state_, main_.link(), parse_entry(Text1), parse_entry(Text2));
    if (out.counters) show_counters(*out.counters);
    finish(out);
}

void synthform::Command4_Click() { step_channel(+1); }
void synthform::Command5_Click() { step_channel(-1); }

void synthform::step_channel(int direction) {
    auto out = actions::step_channel(state_, main_.link(), parse_entry(Text1), parse_entry(Text2), direction);
    if (out.ok()) {
        Text1->setText(QString::fromStdString(out.vco_text));
        show_counters(*out.counters);
    }
    finish(out);
}

void synthform::Command6_Click() {
    planform planner(main_, parse_entry(Text1).value_or(state_.vco_freq));
    main_.prompts().run_modal(planner);
    const auto& plan = planner.chosen();
    if (!plan) return;
    // A plan of another modulus is loaded by the prescaler's apply first, then as any other.
    if (plan->p != state_.prescaler && !variants::is_single_modulus(state_.device)) {
        const int position = plan->p == 8 ? 0 : plan->p == 16 ? 1 : 2;
        if (!finish(actions::apply_prescaler(state_, main_.link(), position))) return;
    }
    Text1->setText(QString::fromStdString(numfmt::general(plan->vco_mhz)));
    Text2->setText(QString::fromStdString(numfmt::general(plan->pfd_khz)));
    Command3_Click();
}

void synthform::show_counters(const Counters& c) {
    Label4->setText(QString::number(c.n_value));
    Label5->setText(QString::number(c.prescaler));
    Label6->setText(QString::number(c.b_counter));
    Label7->setText(QString::number(c.a_counter));
}
