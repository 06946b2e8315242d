#include "ui/loop/loopform.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "actions/loop_filter.h"
#include "model/e_series.h"
#include "model/loop_plan.h"
#include "model/number_format.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/entry_parse.h"
#include "ui/loop/loop_memory.h"
#include "ui/main/main_window.h"
#include "ui/plots/plot_panel.h"

using dialog_parts::named;

namespace {

constexpr int kCurvePoints = 300;
const char* const kRowNames[] = {"C1", "C2", "C3", "R2", "R3", "Crossover", "Phase margin", "Lock time", "RMS jitter"};
constexpr int kPartRows = 5;
enum Column { Designed = 0, Rounded = 1, InUse = 2 };
constexpr ESeries kSeries[] = {ESeries::E12, ESeries::E24, ESeries::E96, ESeries::None};

QString text_of(const std::string& s) { return QString::fromStdString(s); }

QLineEdit* number_entry(const char* name, const QString& accessible, const QString& tip) {
    auto* e = named(new QLineEdit, name);
    e->setAccessibleName(accessible);
    e->setToolTip(tip);
    return e;
}

double part_of(const LoopParts& p, int row) {
    const double values[] = {p.c1, p.c2, p.c3, p.r2, p.r3};
    return values[row];
}

}  // namespace

loopform::loopform(Main& main) : QDialog(&main), main_(main), state_(main.state()) {
    setObjectName("loopform");
    setWindowTitle("Loop Filter");
    recall_loop_once(main_, state_);

    Combo1 = named(new QComboBox, "Combo1");
    Combo1->addItems({"2", "3"});
    Combo1->setAccessibleName("Filter order");
    Combo2 = named(new QComboBox, "Combo2");
    Combo2->addItems({"E12", "E24", "E96", "None"});
    Combo2->setAccessibleName("Round the parts to the series");
    fc = number_entry("fc", "Loop bandwidth, Hz", "The open loop's unity-gain crossover, Hz");
    pm = number_entry("pm", "Phase margin, degrees", "The phase margin at the crossover, degrees");
    gamma = number_entry("gamma", "Gamma", "Where the zero sits against the poles; 1 puts the phase maximum at fc");
    t31 = number_entry("t31", "T31", "Order 3: the second pole's time constant over the first's");
    kvco = number_entry("kvco", "VCO gain, MHz per volt", "The VCO's tuning gain, MHz/V (replace with your part's)");
    fom = number_entry("fom", "Noise floor FOM, dBc/Hz", "The synthesizer's normalised noise floor, dBc/Hz");
    flicker = number_entry("flicker", "Flicker noise, dBc/Hz", "The flicker level at 10 kHz from a 1 GHz output, dBc/Hz");
    vco_points = number_entry("vco_points", "VCO noise points", "Free-running VCO noise: offset Hz, dBc/Hz; ...");
    ref_points = number_entry("ref_points", "Reference noise points", "Reference noise: offset Hz, dBc/Hz; ... (empty: none)");
    step_from = number_entry("step_from", "Lock time step from, MHz", "The frequency the step starts from, MHz");
    step_to = number_entry("step_to", "Lock time step to, MHz", "The frequency the step goes to, MHz");
    tolerance = number_entry("tolerance", "Lock tolerance, Hz", "Locked once within this many Hz of the new frequency");
    jitter_from = number_entry("jitter_from", "Jitter band from, Hz", "The lower end of the jitter integration, Hz");
    jitter_to = number_entry("jitter_to", "Jitter band to, Hz", "The upper end of the jitter integration, Hz");
    Design = named(new QPushButton("&Design"), "Design");
    UseDesigned = named(new QPushButton("Use D&esigned"), "UseDesigned");
    UseRounded = named(new QPushButton("Use &Rounded"), "UseRounded");
    Close = named(new QPushButton("Close"), "Close");
    const int digits = fontMetrics().horizontalAdvance("0000000000");
    for (QLineEdit* e : {fc, pm, gamma, t31, kvco, fom, flicker, step_from, step_to, tolerance, jitter_from, jitter_to})
        e->setMinimumWidth(digits);
    for (QLineEdit* e : {vco_points, ref_points}) e->setMinimumWidth(digits * 3);
    status = named(new QLabel, "status");
    status->setWordWrap(true);
    status->setAccessibleName("Loop designer status");

    parts = named(new QTableWidget(std::size(kRowNames), 3), "parts");
    parts->setAccessibleName("Parts and what they achieve");
    parts->setHorizontalHeaderLabels({"Designed", "Rounded", "In use"});
    QStringList rows;
    for (const char* r : kRowNames) rows << r;
    parts->setVerticalHeaderLabels(rows);
    parts->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    parts->setMinimumWidth(parts->fontMetrics().horizontalAdvance("Phase margin  Rounded (None)  999 kohm  999 kohm") + 40);
    parts->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);

    open_loop = new PlotPanel("open_loop", "Open loop", "Frequency (Hz)", "Gain (dB)", true);
    noise = new PlotPanel("noise", "Phase noise", "Offset (Hz)", "Phase noise (dBc/Hz)", true,
                          Qt::AlignBottom | Qt::AlignLeft);
    transient = new PlotPanel("transient", "Lock transient", "Time (ms)", "Frequency error (Hz)", false);

    auto* design_box = new QGroupBox("Filter");
    auto* design_form = new QFormLayout(design_box);
    design_form->addRow("&Order:", Combo1);
    design_form->addRow("Loop &bandwidth (Hz):", fc);
    design_form->addRow("&Phase margin (deg):", pm);
    design_form->addRow("&Gamma:", gamma);
    design_form->addRow("&T31:", t31);
    design_form->addRow("&VCO gain (MHz/V):", kvco);
    design_form->addRow("Round to &series:", Combo2);
    auto* noise_box = new QGroupBox("Noise");
    auto* noise_form = new QFormLayout(noise_box);
    noise_form->addRow("&FOM (dBc/Hz):", fom);
    noise_form->addRow("F&licker (dBc/Hz):", flicker);
    noise_form->addRow("VCO &noise (Hz, dBc/Hz; ...):", vco_points);
    noise_form->addRow("Re&ference noise:", ref_points);
    auto* ask_box = new QGroupBox("Questions");
    auto* ask_form = new QFormLayout(ask_box);
    ask_form->addRow("Step fro&m (MHz):", step_from);
    ask_form->addRow("Step &to (MHz):", step_to);
    ask_form->addRow("Tolerance (H&z):", tolerance);
    ask_form->addRow("&Jitter from (Hz):", jitter_from);
    ask_form->addRow("Jitter to (Hz):", jitter_to);

    auto* inputs = new QVBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(design_box), static_cast<QWidget*>(noise_box), static_cast<QWidget*>(ask_box)})
        inputs->addWidget(w);
    inputs->addStretch(1);

    auto* middle = new QVBoxLayout;
    middle->addWidget(parts, 1);
    auto* use = new QHBoxLayout;
    for (QPushButton* b : {Design, UseDesigned, UseRounded}) use->addWidget(b);
    middle->addLayout(use);
    middle->addWidget(status);

    auto* plots = named(new QTabWidget, "plots");
    plots->setAccessibleName("Plots");
    plots->addTab(open_loop, "Open &loop");
    plots->addTab(noise, "Phase no&ise");
    plots->addTab(transient, "Lock tr&ansient");

    auto* top = new QHBoxLayout;
    top->addLayout(inputs);
    top->addLayout(middle, 1);
    top->addWidget(plots, 3);
    plots->setMinimumWidth(fontMetrics().horizontalAdvance("0") * 70);
    auto* column = new QVBoxLayout(this);
    column->addLayout(top, 1);
    column->addLayout(dialog_parts::button_row({Close}));

    fill_entries();
    // The design the entries ask for, shown beside the parts in use (nothing is stored until
    // Design or a Use button is pressed).
    DesignGoal goal{state_.loop.order, state_.loop.fc_hz, state_.loop.phase_margin_deg, state_.loop.gamma, state_.loop.t31};
    designed_ = design_loop(goal, loop_plant(state_, plan_ratio(state_))).parts;
    redraw_soon_.setSingleShot(true);
    redraw_soon_.setInterval(0);  // edits that come together redraw once
    connect(&redraw_soon_, &QTimer::timeout, this, &loopform::redraw);
    connect(Design, &QPushButton::clicked, this, &loopform::Design_Click);
    connect(UseDesigned, &QPushButton::clicked, this, &loopform::UseDesigned_Click);
    connect(UseRounded, &QPushButton::clicked, this, &loopform::UseRounded_Click);
    connect(Close, &QPushButton::clicked, this, &QDialog::accept);
    connect(Combo1, &QComboBox::activated, this, &loopform::Combo1_Change);
    connect(Combo2, &QComboBox::activated, this, &loopform::Combo2_Change);
    for (QLineEdit* e : {kvco, fom, flicker, vco_points, ref_points, step_from, step_to, tolerance, jitter_from, jitter_to})
        connect(e, &QLineEdit::textEdited, this, [this, e] { take_input(e); });
    connect(parts, &QTableWidget::cellChanged, this, &loopform::parts_edited);
    // A new plan or charge-pump current set elsewhere (a remote client) re-analyses the parts.
    connect(&main_, &Main::refreshed, &redraw_soon_, qOverload<>(&QTimer::start));
    for (PlotPanel* p : {open_loop, noise, transient})
        connect(p, &PlotPanel::export_asked, this, [this, p](const QString& format) { export_plot(*p, format); });
    redraw();
}

loopform::~loopform() { remember_loop(state_.device, state_.loop, questions()); }

void loopform::fill_entries() {
    const LoopSettings& l = state_.loop;
    const LoopQuestions q = recalled_questions(state_);
    Combo1->setCurrentIndex(l.order == 3 ? 1 : 0);
    for (int i = 0; i < 4; ++i)
        if (kSeries[i] == l.snap) Combo2->setCurrentIndex(i);
    auto put = [](QLineEdit* e, double v) { e->setText(QString::fromStdString(numfmt::general(v))); };
    put(fc, l.fc_hz), put(pm, l.phase_margin_deg), put(gamma, l.gamma), put(t31, l.t31);
    put(kvco, l.kvco_mhz_per_v), put(fom, l.fom_dbc_hz), put(flicker, l.flicker_dbc_hz);
    vco_points->setText(text_of(noise_points_text(l.vco_points)));
    ref_points->setText(text_of(noise_points_text(l.reference_points)));
    put(step_from, q.from_mhz), put(step_to, q.to_mhz), put(tolerance, q.tolerance_hz);
    put(jitter_from, q.jitter_from_hz), put(jitter_to, q.jitter_to_hz);
    t31->setEnabled(l.order == 3);
}

LoopQuestions loopform::questions() const {
    LoopQuestions q;
    q.from_mhz = parse_entry(step_from).value_or(0);
    q.to_mhz = parse_entry(step_to).value_or(0);
    q.tolerance_hz = parse_entry(tolerance).value_or(0);
    q.jitter_from_hz = parse_entry(jitter_from).value_or(0);
    q.jitter_to_hz = parse_entry(jitter_to).value_or(0);
    return q;
}

// An input of the loop record, stored as soon as it is whole; until then the status line says
// why not and the record keeps what it had.
void loopform::take_input(QLineEdit* entry) {
    actions::Outcome out;
    if (entry == kvco) {
        out = actions::set_vco_gain(state_, parse_entry(kvco));
    } else if (entry == fom || entry == flicker) {
        out = actions::set_pll_noise(state_, parse_entry(fom), parse_entry(flicker));
    } else if (entry == vco_points || entry == ref_points) {
        const auto points = parse_noise_points(entry->text().toStdString());
        out = points ? actions::set_noise_points(state_, entry == vco_points ? actions::NoiseSource::Vco
                                                                             : actions::NoiseSource::Reference, *points)
                     : actions::refused(entry->accessibleName().toStdString() +
                                        ": type offset Hz, dBc/Hz pairs separated by \";\".");
    }
    status->setText(out.ok() ? QString() : text_of(out.refusal->message));
    redraw_soon_.start();
}

void loopform::Combo1_Change() {
    main_.show_outcome(actions::set_loop_order(state_, Combo1->currentIndex() == 1 ? 3 : 2), this);
    t31->setEnabled(state_.loop.order == 3);
    redraw();
}

void loopform::Combo2_Change() {
    actions::set_loop_series(state_, kSeries[Combo2->currentIndex()]);
    redraw();
}

void loopform::Design_Click() {
    DesignGoal goal;
    goal.fc_hz = parse_entry(fc).value_or(0);
    goal.phase_margin_deg = parse_entry(pm).value_or(0);
    goal.gamma = parse_entry(gamma).value_or(0);
    goal.t31 = parse_entry(t31).value_or(0);
    LoopParts unrounded;
    if (!main_.show_outcome(actions::design_loop_filter(state_, goal, &unrounded), this)) return;
    designed_ = unrounded;
    redraw();
}

void loopform::UseDesigned_Click() {
    if (designed_ && main_.show_outcome(actions::use_loop_parts(state_, *designed_), this)) redraw();
}

void loopform::UseRounded_Click() {
    if (designed_ && main_.show_outcome(actions::use_loop_parts(state_, snap_parts(*designed_, state_.loop.snap)), this))
        redraw();
}

void loopform::parts_edited(int row, int column) {
    if (filling_ || column != InUse || row >= kPartRows) return;
    const auto value = parse_part_value(parts->item(row, column)->text().toStdString());
    LoopParts p = state_.loop.parts;
    double* fields[] = {&p.c1, &p.c2, &p.c3, &p.r2, &p.r3};
    if (!value) {
        status->setText(QString(kRowNames[row]) + ": type a value such as 6.8n or 2.2k.");
    } else {
        *fields[row] = *value;
        const auto out = actions::use_loop_parts(state_, p);
        status->setText(out.ok() ? QString() : text_of(out.refusal->message));
    }
    redraw_soon_.start();
}

void loopform::export_plot(PlotPanel& panel, const QString& format) {
    const QString filter = format == "png" ? "PNG pictures (*.png)" : format == "pdf" ? "PDF files (*.pdf)" : "CSV files (*.csv)";
    QString path = main_.prompts().save_file_name(this, "Export " + panel.title(), filter);
    if (path.isEmpty()) return;
    if (!path.endsWith("." + format, Qt::CaseInsensitive)) path += "." + format;
    const QString error = format == "png" ? panel.save_png(path) : format == "pdf" ? panel.save_pdf(path) : panel.save_csv(path);
    if (!error.isEmpty())
        main_.prompts().message(MessageIcon::Exclamation, windowTitle(), "The plot could not be exported.", path + ": " + error, true);
}

void loopform::redraw() {
    const LoopQuestions q = questions();
    const std::optional<LoopParts> rounded =
        designed_ ? std::optional(snap_parts(*designed_, state_.loop.snap)) : std::nullopt;
    const std::optional<LoopParts> columns[] = {designed_, rounded, state_.loop.parts};
    const char* series = series_name(state_.loop.snap).data();
    parts->setHorizontalHeaderItem(Rounded, new QTableWidgetItem(QString("Rounded (") + series + ")"));

    filling_ = true;
    Achieved in_use;
    for (int col = 0; col < 3; ++col) {
        const Achieved a = columns[col] ? achieved(state_, *columns[col], q) : Achieved{};
        if (col == InUse) in_use = a;
        QStringList cells;
        for (int row = 0; row < kPartRows; ++row)
            cells << (columns[col] ? text_of(engineering(part_of(*columns[col], row), row < 3 ? "F" : "ohm")) : QString());
        const bool loop = a.figures.has_value();
        cells << (loop ? text_of(engineering(a.figures->crossover_hz, "Hz")) : QString())
              << (loop ? QString::number(a.figures->phase_margin_deg, 'f', 1) + " deg" : QString())
              << (!loop ? QString() : a.lock_time_s ? text_of(engineering(*a.lock_time_s, "s")) + (a.cycle_slips ? " (slips)" : "") : "over 100 ms")
              << (a.jitter_s ? text_of(engineering(*a.jitter_s, "s")) : QString());
        for (int row = 0; row < cells.size(); ++row) {
            auto* item = new QTableWidgetItem(cells[row]);
            if (!(col == InUse && row < kPartRows)) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            parts->setItem(row, col, item);
        }
    }
    filling_ = false;
    Combo1->setCurrentIndex(state_.loop.order == 3 ? 1 : 0);

    // The open loop of the parts in use.
    const LoopPlant plant = loop_plant(state_, plan_ratio(state_));
    if (in_use.figures) {
        const auto c = open_loop_curves(state_.loop.parts, plant, in_use.figures->crossover_hz, kCurvePoints);
        open_loop->show_curves({{"Gain (dB)", c.f_hz, c.gain_db}, {"Phase (deg)", c.f_hz, c.phase_deg, true, true}},
                               {{text_of("fc " + engineering(in_use.figures->crossover_hz, "Hz") + ", margin " +
                                         numfmt::pattern(in_use.figures->phase_margin_deg, "0.0") + " deg"),
                                 in_use.figures->crossover_hz},
                                {"-180 deg", -180, false, true}},
                               "Phase (deg)");
    } else {
        open_loop->show_curves({}, {});
    }
    open_loop->describe(text_of(describe_open_loop(in_use.figures)));

    // The phase noise, every contribution and the total.
    NoiseCurves nc;
    if (in_use.figures) nc = noise_curves(noise_inputs(state_), kCurvePoints);
    std::vector<PlotPanel::Curve> curves;
    auto add = [&](const QString& name, auto pick, bool dashed = false) {
        PlotPanel::Curve c{name, {}, {}, false, dashed};
        for (size_t i = 0; i < nc.at.size(); ++i)
            if (const std::optional<double> v = pick(nc.at[i])) c.x.push_back(nc.offset_hz[i]), c.y.push_back(*v);
        if (!c.x.empty()) curves.push_back(std::move(c));
    };
    add("Total (dBc/Hz)", [](const PhaseNoise& p) { return std::optional(p.total); });
    add("PLL floor", [](const PhaseNoise& p) { return std::optional(p.pll_floor); });
    add("PLL flicker", [](const PhaseNoise& p) { return std::optional(p.pll_flicker); });
    add("Reference", [](const PhaseNoise& p) { return p.reference; });
    add("VCO", [](const PhaseNoise& p) { return p.vco; });
    add("R2 thermal", [](const PhaseNoise& p) { return p.r2_thermal; });
    add("R3 thermal", [](const PhaseNoise& p) { return p.r3_thermal; });
    add("Output with divide-by-2", [](const PhaseNoise& p) { return std::optional(p.total_divided_by_2); }, true);
    noise->show_curves(std::move(curves), {});
    noise->describe(text_of(describe_noise(nc, in_use, q)));

    // The lock transient of the step asked about.
    const TransientCurve tc = transient_curve(state_, q, kCurvePoints);
    std::vector<double> ms;
    for (double t : tc.t_s) ms.push_back(t * 1e3);
    std::vector<PlotPanel::Marker> band = {{text_of("tolerance band, +/- " + engineering(q.tolerance_hz, "Hz")), q.tolerance_hz, false},
                                           {"", -q.tolerance_hz, false}};
    if (tc.lock_time_s) band.push_back({text_of("locked " + engineering(*tc.lock_time_s, "s")), *tc.lock_time_s * 1e3});
    transient->show_curves(tc.t_s.empty() ? std::vector<PlotPanel::Curve>{}
                                          : std::vector<PlotPanel::Curve>{{"Frequency error (Hz)", ms, tc.error_hz}},
                           band);
    transient->describe(text_of(describe_transient(tc, q)));
}
