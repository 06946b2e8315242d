#include "exercisers/locktime.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include "model/number_format.h"
#include "ui/main/main_window.h"
#include "ui/plots/plot_panel.h"
#include "ui/widgets/tab_order.h"
#include "ui/widgets/toggle_switch.h"

namespace {

template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QLineEdit* entry(const char* name, const QString& text, const QString& tip) {
    auto* e = named(new QLineEdit(text), name);
    e->setToolTip(tip);
    e->setMaximumWidth(QFontMetrics(e->font()).horizontalAdvance("0000000000") + 12);
    return e;
}

}  // namespace

locktime::locktime(Main& main) : ExerciserWindow(main, "locktime", "LockTime") {
    Label1 = named(new QLabel("Enter Start Frequency (MHz):"), "Label1");
    Text1 = entry("Text1", "1750", "The first frequency, in whole MHz");
    Label2 = named(new QLabel("Enter Stop Frequency (MHz):"), "Label2");
    Text2 = entry("Text2", "1752", "The second frequency, in whole MHz");
    Label3 = named(new QLabel("Enter Frequency of jumps: (msecs)"), "Label3");
    Text3 = entry("Text3", "1000", "Milliseconds between jumps, 1 to 32767");
    Label5 = named(new QLabel("Enter Delay Between CP Gain Control Latch Update  [msecs]"), "Label5");
    Text4 = entry("Text4", "1000", "Milliseconds before the charge-pump gain is lowered, 1 to 32767");
    Toggle2 = named(new ToggleSwitch("Divide Off", "Divide On"), "Toggle2");
    Toggle2->setToolTip("Output divide-by-2 while at the start frequency");
    Toggle3 = named(new ToggleSwitch("Divide Off", "Divide On"), "Toggle3");
    Toggle3->setToolTip("Output divide-by-2 while at the stop frequency");
    Toggle1 = named(new ToggleSwitch("Delay Off", "Delay On"), "Toggle1");
    Toggle1->setToolTip("With CP gain: lower the gain after the delay instead of at once");
    Toggle4 = named(new ToggleSwitch("Lock Time Off", "Lock Time On"), "Toggle4");
    Toggle4->setToolTip("Measure each hop's lock time on the lock-detect line (MUXOUT: Digital Lock Detect)");
    Toggle4->setAccessibleName("Measure lock time");
    // On to begin with where the measurement can be made (the line is not read while another
    // run holds the link: its thread is the link's one writer and reader then).
    const bool line = !main.link().held_by() && main.link().lock_detect().has_value();
    Toggle4->setChecked(actions::lock_measurement(std::nullopt, line, main.state().muxout_bits).measure);
    Label6 = named(new QLabel, "Label6");
    LockHistogram = new PlotPanel("LockHistogram", "Lock times measured", "Lock time (us)", "Hops", false);
    Command1 = named(new QPushButton("Start"), "Command1");
    Command4 = named(new QPushButton("Use CP Gain"), "Command4");
    Command3 = named(new QPushButton("Stop"), "Command3");
    Command2 = named(new QPushButton("Cancel"), "Command2");
    for (QPushButton* b : {Command1, Command4, Command3, Command2}) b->setAutoDefault(false);
    Label4 = named(new QLabel(
        "Note: This window exercises the synthesizer to jump between two frequencies, to aid lock time "
        "measurements. To change any setting after the start button has been pressed, press the stop "
        "button, make the changes, and then press start again. Divide on/off allows the output divider "
        "(divide by 2) to be switched on or off for each frequency.  Use Cp gain allows the cpgain to be "
        "set high and then low to aid fast locking, the delay may be set or disabled."), "Label4");
    Label4->setWordWrap(true);
    Label4->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Label4->setMargin(6);

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Text1, 0, 1);
    grid->addWidget(Toggle2, 0, 2);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Text2, 1, 1);
    grid->addWidget(Toggle3, 1, 2);
    grid->addWidget(Label3, 2, 0);
    grid->addWidget(Text3, 2, 1);
    grid->addWidget(Label5, 3, 0);
    grid->addWidget(Text4, 3, 1);
    grid->addWidget(Toggle1, 3, 2);
    grid->addWidget(Toggle4, 4, 2);
    grid->setColumnStretch(2, 1);
    grid->setHorizontalSpacing(12);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {Command1, Command4, Command3, Command2}) buttons->addWidget(b);

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(grid);
    outer->addLayout(buttons);
    outer->addWidget(Label4);
    outer->addWidget(Label6);
    outer->addWidget(LockHistogram);
    // The note wraps to the width of the entries above it.
    Label4->setFixedWidth(grid->sizeHint().width());
    outer->setSizeConstraint(QLayout::SetFixedSize);

    // Each entry is named by the label in front of it; each switch by what it sets, since its
    // captions ("Divide Off", twice) say only its state.
    for (auto [label, text] : {std::pair{Label1, Text1}, {Label2, Text2}, {Label3, Text3}, {Label5, Text4}})
        label->setBuddy(text);
    Toggle2->setAccessibleName("Output divide by 2 at the start frequency");
    Toggle3->setAccessibleName("Output divide by 2 at the stop frequency");
    Toggle1->setAccessibleName("CP gain release delay");
    set_tab_order(
        {Text1, Toggle2, Text2, Toggle3, Text3, Text4, Toggle1, Toggle4, Command1, Command4, Command3, Command2});

    connect(Command1, &QPushButton::clicked, this, &locktime::Command1_Click);
    connect(Command4, &QPushButton::clicked, this, &locktime::Command4_Click);
    connect(Command3, &QPushButton::clicked, this, &locktime::Command3_Click);
    connect(Command2, &QPushButton::clicked, this, &locktime::Command2_Click);
    for (QLineEdit* e : {Text1, Text2, Text3, Text4}) connect(e, &QLineEdit::textChanged, this, &locktime::take_inputs);
    for (ToggleSwitch* t : {Toggle1, Toggle2, Toggle3}) connect(t, &QAbstractButton::toggled, this, &locktime::take_inputs);
    take_inputs();
    show_figures();
}

actions::HopRun::Entries locktime::entries() const {
    return {text_of(Text1), text_of(Text2), text_of(Text3), text_of(Text4), decimal_point()};
}

actions::HopRun::Switches locktime::switches() const {
    return {Toggle2->isChecked(), Toggle3->isChecked(), Toggle1->isChecked()};
}

void locktime::take_inputs() {
    std::lock_guard lock(inputs_mutex_);
    hop_entries_ = entries();
    hop_switches_ = switches();
}

actions::TickResult locktime::tick(size_t index, EvalState& s, boardlink::Port& port) {
    // The inputs as the window last took them; when the window holds them right now, the ones of
    // the tick before: a tick never waits for the window.
    if (std::unique_lock lock(inputs_mutex_, std::try_to_lock); lock) {
        tick_entries_ = hop_entries_;
        tick_switches_ = hop_switches_;
    }
    return run_.tick(index, s, port, tick_entries_, tick_switches_);
}

void locktime::stop_timers() {
    stop_ticks();
    run_.stop();
}

void locktime::Command1_Click() {
    stop_ticks();
    if (!prepare_lock()) return;
    tick_entries_ = entries(), tick_switches_ = switches();
    gain_note_.clear();
    start_ticks(run_.start_plain(state_, main_.link(), entries()));
}

void locktime::Command4_Click() {
    stop_ticks();
    if (!prepare_lock()) return;
    tick_entries_ = entries(), tick_switches_ = switches();
    const actions::Outcome start = run_.start_with_gain(state_, main_.link(), entries());
    gain_note_ = run_.gain_note(tick_switches_);
    start_ticks(start);
}

void locktime::Command3_Click() { stop_timers(); }

void locktime::Command2_Click() { reject(); }  // closing ends every timer

void locktime::Timer1_Timer() { tick_now(0); }

void locktime::Timer2_Timer() { tick_now(1); }

void locktime::Timer3_Timer() { tick_now(2); }

bool locktime::prepare_lock() {
    const bool line = !main_.link().held_by() && main_.link().lock_detect().has_value();
    const actions::LockDecision lock = actions::lock_measurement(Toggle4->isChecked(), line, state_.muxout_bits);
    if (lock.refusal) {
        show_outcome({lock.refusal, {}});
        return false;
    }
    run_.measure_lock(lock.measure ? &run_clock() : nullptr);
    figures_.clear();
    const auto mhz = [](const QLineEdit* entry) { return entry->text().toDouble(); };
    prediction_s_ = lock.measure ? actions::predicted_lock_detect_s(state_, mhz(Text1), mhz(Text2)) : std::nullopt;
    show_figures();
    return true;
}

void locktime::show_news(const actions::RunNews& news) {
    if (news.locks.empty()) return;
    for (const actions::HopLock& hop : news.locks) figures_.add(hop);
    show_figures();
}

void locktime::show_figures() {
    const actions::LockSummary sum = figures_.summary();
    const auto us = [](const std::optional<double>& s) {
        return s ? QString::fromStdString(numfmt::pattern(*s * 1e6, "#0.0")) + " us" : QString("-");
    };
    QString text = QString("Lock time: last %1, min %2, median %3, max %4; not locked %5 of %6 hops")
                       .arg(us(sum.last_s), us(sum.min_s), us(sum.median_s), us(sum.max_s))
                       .arg(sum.not_locked)
                       .arg(sum.count);
    if (sum.count) text += QString(" (resolution %1)").arg(us(sum.resolution_s));
    if (prediction_s_) text += QString("; predicted %1").arg(us(prediction_s_));
    Label6->setText(text);

    constexpr int kBins = 20;
    const double top = std::max(sum.max_s.value_or(0), prediction_s_.value_or(0)) * 1.25;
    PlotPanel::Curve counts{"Hops", {}, {}};
    for (const auto& bin : figures_.histogram(kBins, top)) {
        counts.x.push_back(bin.centre_s * 1e6);
        counts.y.push_back(bin.count);
    }
    std::vector<PlotPanel::Marker> markers;
    if (prediction_s_) markers.push_back({"predicted (LOOP:LDT?)", *prediction_s_ * 1e6});
    LockHistogram->show_curves({counts}, markers);
    if (QCPGraph* bars = LockHistogram->plot()->graph(0)) {  // counts per bin read as steps
        bars->setLineStyle(QCPGraph::lsStepCenter);
        LockHistogram->plot()->replot();
    }
    LockHistogram->describe(text);
}
