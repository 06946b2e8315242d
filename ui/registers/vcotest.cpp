#include "ui/registers/vcotest.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "actions/test_latch.h"
#include "model/latch.h"
#include "model/number_format.h"
#include "model/test_modes.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/main/main_window.h"
#include "ui/widgets/named_combo_box.h"
#include "ui/widgets/toggle_switch.h"

using namespace dialog_parts;
using test_modes::List;
using test_modes::Switch;

namespace {

QString text_of(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// A list with what it sets for assistive tools and a tip saying where it lands.
QComboBox* list(const char* name, const QString& sets, const QString& tip) {
    auto* combo = named(new NamedComboBox, name);
    combo->setAccessibleName(sets);
    combo->setToolTip(tip);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    combo->setFocusPolicy(Qt::StrongFocus);
    return combo;
}

ToggleSwitch* toggle(const char* name, Switch s, const QString& sets, const QString& tip) {
    const auto& info = test_modes::switch_info(s);
    auto* t = named(new ToggleSwitch(text_of(info.off_caption), text_of(info.on_caption)), name);
    t->setAccessibleName(sets);
    t->setToolTip(tip);
    return t;
}

QString word_text(int64_t word) { return QString::fromStdString(numfmt::word_hex(uint32_t(word))); }

}  // namespace

vcotest::vcotest(Main& main) : QDialog(&main), main_(main), state_(main.state()) {
    setObjectName("vcotest");
    setWindowTitle("Test Modes");
    setPalette(main.palette());

    Frame1 = frame("Frame1");
    Label3 = label("Label3", "Synthesizer Test Modes");
    Label4 = label("Label4", "SAR / ADC Readback");
    Label5 = label("Label5", "External Band Control");
    Combo3 = list("Combo3", "Synthesizer test mode",
                  "Test latch DB14 to DB11; sent by Update Testmode Latch");
    Combo1 = list("Combo1", "SAR / ADC readback", "Test latch DB8, DB7; sent by Update Testmode Latch");
    Combo2 = list("Combo2", "External band control code",
                  "Test latch DB6, DB5, DB4 as spelled; sent by Update Testmode Latch");
    Label3->setBuddy(Combo3);
    Label4->setBuddy(Combo1);
    Label5->setBuddy(Combo2);

    Toggle4 = toggle("Toggle4", Switch::TestEnable, "Test mode enable",
                     "R counter latch DB19; flipping it sends all four latches");
    Toggle2 = toggle("Toggle2", Switch::BandControl, "Band control",
                     "Test latch DB10; sent by Update Testmode Latch");
    Toggle3 = toggle("Toggle3", Switch::AdcControl, "ADC control",
                     "Test latch DB9; sent by Update Testmode Latch");
    Toggle1 = toggle("Toggle1", Switch::ExtBandEnable, "External band enable",
                     "Test latch DB15; sent by Update Testmode Latch");

    Command1 = named(new QPushButton("Update Testmode Latch"), "Command1");
    Command1->setDefault(true);
    Command2 = named(new QPushButton("Cancel"), "Command2");
    test_word_status = label("test_word_status", {});
    // Wide enough for its longer text, so the window keeps its size as the text changes.
    test_word_status->setMinimumWidth(
        test_word_status->fontMetrics().horizontalAdvance("Test latch 0x000000 not yet sent: press Update Testmode Latch") + 8);

    // Lists on the left under their captions, switches on the right, buttons at the bottom. Each
    // column is a widget of its own, so a screen reader reads the lists before the switches.
    auto* lists_column = new QWidget;
    auto* lists = new QVBoxLayout(lists_column);
    lists->setContentsMargins(0, 0, 0, 0);
    for (auto [caption, combo] : {std::pair{Label3, Combo3}, {Label4, Combo1}, {Label5, Combo2}}) {
        if (caption != Label3) lists->addSpacing(caption->fontMetrics().height() / 2);
        lists->addWidget(caption);
        lists->addWidget(combo, 0, Qt::AlignLeft);
    }
    lists->addStretch(1);
    auto* switches_column = new QWidget;
    auto* switches = new QVBoxLayout(switches_column);
    switches->setContentsMargins(0, 0, 0, 0);
    for (ToggleSwitch* t : {Toggle4, Toggle2, Toggle3, Toggle1}) switches->addWidget(t);
    switches->addStretch(1);
    auto* columns = new QHBoxLayout;
    columns->addWidget(lists_column, 1);
    columns->addSpacing(24);
    columns->addWidget(switches_column);

    QHBoxLayout* buttons = button_row({Command1, Command2});

    auto* inside = new QVBoxLayout(Frame1);
    inside->addLayout(columns);
    inside->addSpacing(8);
    inside->addWidget(test_word_status);
    inside->addLayout(buttons);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(Frame1);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    QWidget* order[] = {Combo3, Combo1, Combo2, Toggle4, Toggle2, Toggle3, Toggle1, Command1, Command2};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    connect(Combo1, &QComboBox::activated, this, &vcotest::Combo1_Click);
    connect(Combo2, &QComboBox::activated, this, &vcotest::Combo2_Click);
    connect(Combo3, &QComboBox::activated, this, &vcotest::Combo3_Click);
    connect(Toggle1, &ToggleSwitch::clicked, this, &vcotest::Toggle1_Click);
    connect(Toggle2, &ToggleSwitch::clicked, this, &vcotest::Toggle2_Click);
    connect(Toggle3, &ToggleSwitch::clicked, this, &vcotest::Toggle3_Click);
    connect(Toggle4, &ToggleSwitch::clicked, this, &vcotest::Toggle4_Click);
    connect(Command1, &QPushButton::clicked, this, &vcotest::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &vcotest::Command2_Click);
    Form_Load();
}

void vcotest::Form_Load() {
    for (auto [combo, which] : {std::pair{Combo3, List::TestMode}, {Combo1, List::Readback}, {Combo2, List::ExtBand}}) {
        for (std::string_view entry : test_modes::entries(which)) combo->addItem(text_of(entry));
        // The codes the state holds, so a reopened window shows what the board was sent; the
        // program's selection raises no handler, so opening stores nothing.
        combo->setCurrentIndex(test_modes::choice_shown(state_, which).value_or(-1));
    }
    for (auto [t, which] : {std::pair{Toggle1, Switch::ExtBandEnable}, {Toggle2, Switch::BandControl},
                            {Toggle3, Switch::AdcControl}, {Toggle4, Switch::TestEnable}})
        t->setChecked(test_modes::switch_on(state_, which));
    show_test_word();
}

void vcotest::Combo1_Click(int index) { show_outcome(actions::choose_test_list(state_, List::Readback, index)); }
void vcotest::Combo2_Click(int index) { show_outcome(actions::choose_test_list(state_, List::ExtBand, index)); }
void vcotest::Combo3_Click(int index) { show_outcome(actions::choose_test_list(state_, List::TestMode, index)); }

void vcotest::Toggle1_Click() { flip(Switch::ExtBandEnable, Toggle1); }
void vcotest::Toggle2_Click() { flip(Switch::BandControl, Toggle2); }
void vcotest::Toggle3_Click() { flip(Switch::AdcControl, Toggle3); }
void vcotest::Toggle4_Click() { flip(Switch::TestEnable, Toggle4); }

void vcotest::flip(Switch which, const ToggleSwitch* toggle) {
    show_outcome(actions::set_test_switch(state_, main_.link(), which, toggle->isChecked()));
}

void vcotest::Command1_Click() { show_outcome(actions::update_test_latch(state_, main_.link())); }

void vcotest::show_outcome(const actions::Outcome& outcome) {
    main_.show_outcome(outcome, this);
    show_test_word();
}

void vcotest::Command2_Click() { reject(); }

void vcotest::show_test_word() {
    const QString word = "Test latch " + word_text(assemble_latch(state_, kTestLatch));
    if (main_.link_failed())
        test_word_status->setText(word + " not sent: the board link failed");
    else if (test_modes::test_latch_pending(state_))
        test_word_status->setText(word + " not yet sent: press Update Testmode Latch");
    else
        test_word_status->setText(word + " sent to the board");
}
