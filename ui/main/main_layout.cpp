// Construction of the main window: every group and control in the window's order, their
// initial texts and tips, the names assistive technology says, the layout with its Tab order,
// and the menus.
#include <QAction>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/main/logo.h"
#include "ui/main/main_window.h"
#include "ui/widgets/click_label.h"
#include "ui/widgets/drop_frame.h"
#include "ui/widgets/numeric_led.h"
#include "ui/widgets/system_timer.h"
#include "ui/widgets/tab_order.h"
#include "ui/widgets/toggle_switch.h"
#include "ui/widgets/tool_colours.h"

namespace {

template <class W>
W* named(W* widget, const char* name, const QString& tip = {}) {
    widget->setObjectName(name);
    if (!tip.isEmpty()) widget->setToolTip(tip);
    return widget;
}

ClickLabel* title_label(const char* name, const QString& text, const QString& tip = {}) {
    auto* l = named(new ClickLabel(text), name, tip);
    l->setCursor(Qt::PointingHandCursor);
    return l;
}

// A value the user clicks to change: a sunken field on the window's plate, which the keyboard
// reaches too.
ClickLabel* value_label(const QPalette& plate, const char* name, const QString& text, const QString& tip = {}) {
    auto* l = title_label(name, text, tip);
    l->setPress(ClickLabel::Press::Click);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    tool_colours::fill(l, tool_colours::value_field(plate));
    l->setMargin(3);
    l->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return l;
}

QGroupBox* group(const char* name, const QString& title) { return named(new QGroupBox(title), name); }

ToggleSwitch* toggle(const char* name, const char* off, const char* on) {
    return named(new ToggleSwitch(off, on), name);
}

QToolButton* arrow_button(const char* name, Qt::ArrowType arrow) {
    auto* b = named(new QToolButton, name);
    b->setArrowType(arrow);
    b->setAutoRepeat(false);
    b->setMinimumSize(30, 24);
    return b;
}

QPushButton* icon_button(const char* name, const QString& text, QStyle::StandardPixmap icon, const QString& tip) {
    auto* b = named(new QPushButton(text), name, tip);
    if (icon != QStyle::SP_CustomBase) b->setIcon(b->style()->standardIcon(icon));
    b->setMinimumHeight(30);
    return b;
}

NumericLed* led(const char* name) { return named(new NumericLed(nullptr, 5), name); }

}  // namespace

void Main::build_controls() {
    auto& c = ui;
    c.Frame1 = named(new QFrame, "Frame1");
    c.Frame1->setFrameStyle(QFrame::Box | QFrame::Raised);

    // VCO settings
    c.Frame5 = group("Frame5", "VCO Settings");
    const QString band_tip = "Click here to change band select clock divider value";
    c.Label8 = title_label("Label8", "Band Select Clock Divider Value =", band_tip);
    c.Frame13 = named(new DropFrame, "Frame13");
    c.Label12 = value_label(palette(), "Label12", "1", band_tip);
    c.Label12->setAlignment(Qt::AlignCenter);
    c.Toggle7 = toggle("Toggle7", "Mute till Lock Detect Disabled", "Mute till Lock Detect Enabled");

    // Power levels
    c.Frame4 = group("Frame4", "Output Power Level ------------------Core Power Level");
    c.Command13 = arrow_button("Command13", Qt::UpArrow);
    c.Label7 = named(new ClickLabel("-12 dBm"), "Label7");
    c.Command11 = arrow_button("Command11", Qt::DownArrow);
    c.Command12 = arrow_button("Command12", Qt::UpArrow);
    c.Label9 = named(new ClickLabel("-12 dBm"), "Label9");
    c.Command14 = arrow_button("Command14", Qt::DownArrow);
    for (QLabel* l : {c.Label7, c.Label9}) {
        l->setAlignment(Qt::AlignCenter);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setMinimumWidth(QFontMetrics(l->font()).horizontalAdvance("-12 dBm") + 24);
        set_level_label(l, "-12 dBm", 0);
    }

    c.Toggle10 = toggle("Toggle10", "Lock Detect Precision = 3", "Lock Detect Precision = 5");
    c.Command8 = icon_button("Command8", "Sweep", QStyle::SP_MediaSeekForward,
                             "Click here to enter the frequency sweep window.");
    c.Command5 = icon_button("Command5", "LockTime", QStyle::SP_BrowserReload,
                             "Click here to enter the locktime window.");
    c.Command15 = icon_button("Command15", "Loop Filter", QStyle::SP_FileDialogContentsView,
                              "Click here to design the loop filter and see its noise and lock time.");
    c.Command7 = icon_button("Command7", "Resend Data", QStyle::SP_ArrowRight,
                             "Click here to enter the resend window.");
    c.Picture1 = named(new ClickLabel, "Picture1");
    c.Picture1->setPress(ClickLabel::Press::DoubleClick);  // Enter or Space opens what a double click opens
    c.Picture1->setPixmap(make_logo(QFontMetrics(font()).height() * 5, devicePixelRatioF()));

    c.Frame16 = named(new DropFrame("Anti Backlash Width"), "Frame16");
    c.abpw2 = value_label(palette(), "abpw2", "3.0 nsecs", "Click here to change the Anti-Backlash Width");
    c.Frame15 = group("Frame15", "Evaluation Board");
    c.eval = value_label(palette(), "eval", "Choose Board", "Click here to choose eval board");
    c.Command2 = icon_button("Command2", "Powerdown Settings", QStyle::SP_MediaPause,
                             "Click here to change powerdown settings");
    c.Command1 = icon_button("Command1", "Registers", QStyle::SP_FileDialogDetailedView,
                             "Click here to enter the registers window.");

    // Frequency settings
    c.Frame2 = group("Frame2", "   Frequency Settings");
    c.Toggle4 = toggle("Toggle4", "Internal Divide by 2 Not Selected", "Internal Divide by 2 Selected");
    c.Toggle6 = toggle("Toggle6", "Output Divide by 2 Not Selected", "Output Divide by 2 Selected");
    const QString ref_tip = "Click here to change the Reference frequency";
    c.Label29 = title_label("Label29", "REF IN Frequency:", ref_tip);
    c.crystal = value_label(palette(), "crystal", "Choose Reference Freq", ref_tip);
    const QString pres_tip = "Click here to change the prescaler value";
    c.Label3 = title_label("Label3", "RF Prescaler:", pres_tip);
    c.pres = value_label(palette(), "pres", "Choose Prescaler", pres_tip);
    const QString pfd_tip = "Click here to change PFD frequency";
    c.Label2 = title_label("Label2", "PFD Frequency:", pfd_tip);
    c.ref_freq = value_label(palette(), "ref_freq", "Choose Channel Space", pfd_tip);
    const QString vco_tip = "Click here to change output frequency";
    c.Label1 = title_label("Label1", "RF VCO Output Frequency:", vco_tip);
    c.vcofreq = value_label(palette(), "vcofreq", "VCO Frequency", vco_tip);

    c.Frame7 = group("Frame7", "Device In Use");
    c.device = named(new ClickLabel("Choose device"), "device");

    // Settings
    c.Frame3 = group("Frame3", "Settings");
    c.Toggle2 = toggle("Toggle2", "Counter Reset Disabled", "Counter Reset Enabled");
    c.Toggle3 = toggle("Toggle3", "CP Gain = 0", "CP Gain = 1");
    c.Toggle5 = toggle("Toggle5", "Charge Pump Active", "Charge Pump In 3-State");
    c.Toggle1 = toggle("Toggle1", "RF PD Polarity Negative", "RF PD Polarity Positive");
    c.Line1 = named(new QFrame, "Line1");
    c.Line1->setFrameShape(QFrame::HLine);
    c.Line1->setFrameShadow(QFrame::Sunken);
    const QString current_tip = "Click here to change current setting";
    c.Label14 = title_label("Label14", "Current Setting 1:", "Click here to change current setting 1");
    c.currentsetting1 = value_label(palette(), "currentsetting1", "2.500", current_tip);
    c.Label15 = title_label("Label15", "mA", current_tip);
    c.Label6 = title_label("Label6", "Current Setting 2:", current_tip);
    c.currentsetting2 = value_label(palette(), "currentsetting2", "2.500", current_tip);
    c.Label4 = title_label("Label4", "mA", current_tip);

    // Supply readouts
    c.Frame9 = group("Frame9", "Vdd Voltage /Volts");
    c.NumLED1 = led("NumLED1");
    c.Frame10 = group("Frame10", "Vp Voltage /Volts");
    c.NumLED2 = led("NumLED2");
    c.Frame11 = group("Frame11", "Device Idd /mA");
    c.NumLED3 = led("NumLED3");

    c.Frame6 = group("Frame6", "");
    c.Label10 = value_label(palette(), "Label10", "Powerdown");
    c.Frame12 = named(new DropFrame, "Frame12", "Click here to change muxout");
    c.Command10 = named(new QPushButton("Muxout"), "Command10");
    c.Label5 = value_label(palette(), "Label5", "Muxout", "Click here to change muxout");
    c.Label5->setPress(ClickLabel::Press::None);  // shows the muxout function; Command10 changes it

    c.Timer1 = new SystemTimer(this);
    c.Timer1->setObjectName("Timer1");

    c.link_status = named(new QLabel, "link_status");

    // What assistive technology calls the controls: what each sets or shows, never its present
    // caption, so a name stays while the value changes. Values and the titles in front of
    // them keep their own texts; the LEDs are named by their frames.
    const std::pair<QWidget*, const char*> names[] = {
        {c.Toggle1, "RF PD polarity"}, {c.Toggle2, "Counter reset"}, {c.Toggle3, "CP gain"},
        {c.Toggle4, "Internal divide by 2"}, {c.Toggle5, "Charge pump three-state"},
        {c.Toggle6, "Output divide by 2"}, {c.Toggle7, "Mute till lock detect"},
        {c.Toggle10, "Lock detect precision"},
        {c.Command13, "Output power up"}, {c.Command11, "Output power down"},
        {c.Command12, "Core power up"}, {c.Command14, "Core power down"},
        {c.Label7, "Output power level"}, {c.Label9, "Core power level"},
        {c.crystal, "REF IN Frequency"}, {c.pres, "RF Prescaler"}, {c.ref_freq, "PFD Frequency"},
        {c.vcofreq, "RF VCO Output Frequency"}, {c.currentsetting1, "Current Setting 1 (mA)"},
        {c.currentsetting2, "Current Setting 2 (mA)"}, {c.Label12, "Band Select Clock Divider Value"},
        {c.abpw2, "Anti Backlash Width"}, {c.eval, "Evaluation Board"}, {c.device, "Device In Use"},
        {c.Label10, "Powerdown mode"}, {c.Label5, "Muxout function"}, {c.Picture1, "VCO test modes"},
    };
    for (auto [widget, name] : names) widget->setAccessibleName(name);
    for (auto [frame, readout] : {std::pair{c.Frame9, c.NumLED1}, std::pair{c.Frame10, c.NumLED2},
                                  std::pair{c.Frame11, c.NumLED3}})
        readout->setAccessibleName(frame->title());

    // Shown only once configure_main knows the variant.
    for (QWidget* w : std::initializer_list<QWidget*>{c.Frame9, c.Frame10, c.Frame11, c.Label14, c.Label15,
                                                      c.Command1, c.Frame16})
        w->setVisible(false);
}

void Main::build_layout() {
    auto& c = ui;
    auto vbox = [](QWidget* parent) {
        auto* l = new QVBoxLayout(parent);
        l->setSpacing(6);
        return l;
    };

    // Device, board and logo
    vbox(c.Frame7)->addWidget(c.device);
    QFont big = c.device->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    c.device->setFont(big);
    c.device->setAlignment(Qt::AlignCenter);
    vbox(c.Frame15)->addWidget(c.eval);
    c.eval->setFont(big);
    c.eval->setAlignment(Qt::AlignCenter);
    c.Picture1->setAlignment(Qt::AlignCenter);

    // Frequency settings: the four values on a grid, the divide switches under them.
    auto* freq = new QGridLayout(c.Frame2);
    int row = 0;
    for (auto [title, value] : {std::pair{c.Label29, c.crystal}, std::pair{c.Label3, c.pres},
                                std::pair{c.Label2, c.ref_freq}, std::pair{c.Label1, c.vcofreq}}) {
        freq->addWidget(title, row, 0);
        freq->addWidget(value, row++, 1);
        value->setMinimumWidth(QFontMetrics(value->font()).horizontalAdvance("Choose Reference Freq") + 16);
    }
    freq->addWidget(c.Toggle4, row++, 0, 1, 2);
    freq->addWidget(c.Toggle6, row++, 0, 1, 2);
    freq->setColumnStretch(1, 1);
    freq->setRowStretch(row, 1);

    // Settings: four switches, a line, the two current settings.
    auto* settings = new QGridLayout(c.Frame3);
    row = 0;
    for (ToggleSwitch* t : {c.Toggle2, c.Toggle3, c.Toggle5, c.Toggle1}) settings->addWidget(t, row++, 0, 1, 3);
    settings->addWidget(c.Line1, row++, 0, 1, 3);
    settings->addWidget(c.Label14, row, 0);
    settings->addWidget(c.currentsetting1, row, 1);
    settings->addWidget(c.Label15, row++, 2);
    settings->addWidget(c.Label6, row, 0);
    settings->addWidget(c.currentsetting2, row, 1);
    settings->addWidget(c.Label4, row++, 2);
    for (QLabel* l : {c.currentsetting1, c.currentsetting2}) {
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setMinimumWidth(QFontMetrics(l->font()).horizontalAdvance("00.0000") + 16);
    }
    settings->setColumnStretch(1, 1);

    // VCO settings: the divider ratio in its own small frame, then the mute switch.
    auto* vco = new QGridLayout(c.Frame5);
    vco->addWidget(c.Label8, 0, 0);
    auto* ratio = new QHBoxLayout(c.Frame13);
    ratio->setContentsMargins(4, 2, 4, 2);
    ratio->addWidget(c.Label12);
    c.Label12->setMinimumWidth(QFontMetrics(c.Label12->font()).horizontalAdvance("88") + 20);
    vco->addWidget(c.Frame13, 0, 1);
    vco->addWidget(c.Toggle7, 1, 0, 1, 2);

    // Power levels: up, level, down in two columns, each its own group so that Tab goes down
    // the output column before the core column.
    auto* power = new QHBoxLayout(c.Frame4);
    power->setSpacing(24);
    for (auto [up, level, down] : {std::tuple{c.Command13, c.Label7, c.Command11},
                                   std::tuple{c.Command12, c.Label9, c.Command14}}) {
        auto* column_widget = new QWidget;
        auto* column = new QVBoxLayout(column_widget);
        column->setContentsMargins(0, 0, 0, 0);
        column->addWidget(up, 0, Qt::AlignHCenter);
        column->addWidget(level);
        column->addWidget(down, 0, Qt::AlignHCenter);
        power->addWidget(column_widget);
    }

    vbox(c.Frame16)->addWidget(c.abpw2);
    vbox(c.Frame6)->addWidget(c.Label10);
    c.Label10->setAlignment(Qt::AlignCenter);
    c.Label10->setMinimumWidth(QFontMetrics(c.Label10->font()).horizontalAdvance("Asynchronous Powerdown") + 16);
    auto* mux = new QHBoxLayout(c.Frame12);
    mux->addWidget(c.Command10);
    mux->addWidget(c.Label5, 1, Qt::AlignVCenter);
    c.Label5->setMinimumWidth(QFontMetrics(c.Label5->font()).horizontalAdvance("Open Drain Lock Detect") + 16);
    for (auto [frame, led_widget] : {std::pair{c.Frame9, c.NumLED1}, std::pair{c.Frame10, c.NumLED2},
                                     std::pair{c.Frame11, c.NumLED3}})
        vbox(frame)->addWidget(led_widget, 0, Qt::AlignHCenter);

    // The outer frame: a grid of the groups.
    auto* grid = new QGridLayout(c.Frame1);
    grid->setSpacing(8);
    grid->addWidget(c.Frame7, 0, 0);
    grid->addWidget(c.Frame15, 0, 1);
    grid->addWidget(c.Picture1, 0, 2, 1, 2);
    grid->addWidget(c.Frame2, 1, 0, 1, 2);
    grid->addWidget(c.Frame3, 1, 2, 1, 2);
    grid->addWidget(c.Frame5, 2, 0);
    grid->addWidget(c.Frame4, 2, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(c.Frame16);
    right->addWidget(c.Frame6);
    grid->addLayout(right, 2, 2);
    grid->addWidget(c.Frame12, 2, 3);
    auto* leds = new QHBoxLayout;
    for (QWidget* w : {c.Frame9, c.Frame10, c.Frame11}) leds->addWidget(w);
    grid->addLayout(leds, 3, 0, 1, 2);
    auto* buttons = new QGridLayout;
    buttons->addWidget(c.Toggle10, 0, 0, 1, 2);
    buttons->addWidget(c.Command1, 1, 0);
    buttons->addWidget(c.Command2, 1, 1);
    buttons->addWidget(c.Command7, 2, 0);
    buttons->addWidget(c.Command5, 2, 1);
    buttons->addWidget(c.Command8, 3, 0);
    buttons->addWidget(c.Command15, 3, 1);
    grid->addLayout(buttons, 3, 2, 1, 2);
    for (int col = 0; col < 4; ++col) grid->setColumnStretch(col, 1);

    auto* central = new QWidget;
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(8, 8, 8, 8);
    outer->addWidget(c.Frame1);
    setCentralWidget(central);
    statusBar()->addWidget(c.link_status, 1);
    statusBar()->setSizeGripEnabled(false);

    // Tab follows the groups as they are read: across the top, then each group from its top.
    set_tab_order({c.eval, c.Picture1,
                   c.crystal, c.pres, c.ref_freq, c.vcofreq, c.Toggle4, c.Toggle6,
                   c.Toggle2, c.Toggle3, c.Toggle5, c.Toggle1, c.currentsetting1, c.currentsetting2,
                   c.Label12, c.Toggle7,
                   c.Command13, c.Command11, c.Command12, c.Command14,
                   c.abpw2, c.Label10, c.Command10,
                   c.Toggle10, c.Command1, c.Command2, c.Command7, c.Command5, c.Command8, c.Command15});
}

void Main::build_menus() {
    auto& c = ui;
    auto action = [this](QMenu* menu, const char* name, const QString& text) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        return a;
    };
    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("Filemenu");
    c.mnuOpen = action(file, "mnuOpen", "&Get Settings");
    c.mnuSave = action(file, "mnuSave", "&Save Settings");
    file->addSeparator();
    c.mnuExportRegisters = action(file, "mnuExportRegisters", "&Export Registers...");
    c.mnuImportRegisters = action(file, "mnuImportRegisters", "&Import Registers...");
    c.mnuExportChannels = action(file, "mnuExportChannels", "Export &Channel Table...");
    file->addSeparator();
    c.mnuPrint = action(file, "mnuPrint", "&Print This Form");
    c.Exitmenu = action(file, "Exitmenu", "E&xit");
    // The keys every desktop user expects for these.
    c.mnuOpen->setShortcut(QKeySequence::Open);
    c.mnuSave->setShortcut(QKeySequence::Save);
    c.mnuPrint->setShortcut(QKeySequence::Print);
    // Not QKeySequence::Quit: some platform themes leave it empty.
    c.Exitmenu->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* settings = menuBar()->addMenu("&Settings");
    settings->setObjectName("settingsmenu");
    c.crystalmenu = action(settings, "crystalmenu", "&Reference Frequency");
    settings->addSeparator();
    c.synthmenu = action(settings, "synthmenu", "S&ynthesizer Section");
    c.registermenu = action(settings, "registermenu", "Re&gisters");
    c.prescalermenu = action(settings, "prescalermenu", "&Prescaler");
    settings->addSeparator();
    c.current2menu = action(settings, "current2menu", "Current Setting &2");
    c.current1menu = action(settings, "current1menu", "Current Setting &1");
    settings->addSeparator();
    c.powerdownmenu = action(settings, "powerdownmenu", "Po&werdown");
    c.backmenu = action(settings, "backmenu", "Anti-&Backlash");
    c.bandselect = action(settings, "bandselect", "Band Select &Divide Options");  // B is Anti-Backlash's
    settings->addSeparator();
    c.muxmenu = action(settings, "muxmenu", "&Muxout");
    settings->addSeparator();
    c.loopmenu = action(settings, "loopmenu", "&Loop Filter...");

    QMenu* options = menuBar()->addMenu("&Options");
    options->setObjectName("optionsmenu");
    c.mnu_conversion = action(options, "mnu_conversion", "dB to Volt converter");
    c.mnuEval = action(options, "mnuEval", "&Eval Board");
    options->addSeparator();
    c.mnuMeasure = action(options, "mnuMeasure", "Measure &Supplies");
    c.mnuSimBoard = action(options, "mnuSimBoard", "Simulated &Board");

    QMenu* help = menuBar()->addMenu("&Help");
    help->setObjectName("mnuHelp");
    c.mnuRev = action(help, "mnuRev", "About this Rev (Rev 2.0)");
}
