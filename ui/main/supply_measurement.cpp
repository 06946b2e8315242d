#include "ui/main/supply_measurement.h"

#include <QApplication>

#include "ui/main/main_window.h"
#include "ui/widgets/numeric_led.h"

SupplyMeasurement::SupplyMeasurement(Main& main) : main_(main) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &SupplyMeasurement::step);
}

SupplyMeasurement::~SupplyMeasurement() { cancel(); }

boardlink::SetupResult SupplyMeasurement::setup() {
    auto result = actions::set_up_supply_monitor(main_.state(), main_.link());
    remember_setup(result);
    main_.check_link();
    return result;
}

void SupplyMeasurement::remember_setup(boardlink::SetupResult result) { ready_ = result == boardlink::SetupResult::Ready; }

void SupplyMeasurement::start() {
    if (running() || main_.check_link()) return;
    if (!ready_ && setup() != boardlink::SetupResult::Ready) {
        main_.prompts().message(MessageIcon::Information, kAppTitle,
                                "No supply monitor answers on the board.",
                                "The Vdd, Vp and Idd readouts keep their values.");
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    stage_ = 0;
    step();
}

void SupplyMeasurement::cancel() {
    if (!running()) return;
    timer_.stop();
    stage_ = -1;
    QApplication::restoreOverrideCursor();
}

// Each stage is one step of the reading (it reads the input the stage before selected and
// selects the next one), then the converter is given time to settle.
void SupplyMeasurement::step() {
    reading_.step(main_.state(), main_.link(), stage_);
    if (main_.check_link()) {
        cancel();
        return;
    }
    if (stage_ == actions::SupplyReading::kSteps - 1) {
        finish();
        return;
    }
    ++stage_;
    timer_.start(settle_ms_);
}

void SupplyMeasurement::finish() {
    cancel();
    const SupplyTexts texts = reading_.texts();
    main_.ui.NumLED2->setText(QString::fromStdString(texts.vp));
    main_.ui.NumLED1->setText(QString::fromStdString(texts.vdd));
    main_.ui.NumLED3->setText(QString::fromStdString(texts.idd));
    if (texts.vp_below_vdd)
        main_.prompts().message(MessageIcon::Exclamation, kAppTitle, "Warning. Vp must be greater than or equal to Vdd");
    emit finished();
}
