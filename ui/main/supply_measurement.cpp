#include "ui/main/supply_measurement.h"

#include <QApplication>

#include "model/supply.h"
#include "ui/main/main_window.h"
#include "ui/widgets/numeric_led.h"

namespace {
using boardlink::SupplyInput;
constexpr SupplyInput kOrder[3] = {SupplyInput::Vp, SupplyInput::Vdd, SupplyInput::IddSense};
}  // namespace

SupplyMeasurement::SupplyMeasurement(Main& main) : main_(main) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &SupplyMeasurement::step);
}

SupplyMeasurement::~SupplyMeasurement() { cancel(); }

uint16_t SupplyMeasurement::data_port() const { return static_cast<uint16_t>(main_.state().data_port); }
uint16_t SupplyMeasurement::readback_port() const { return static_cast<uint16_t>(main_.state().readback_port); }

boardlink::SetupResult SupplyMeasurement::setup() {
    auto result = boardlink::readback_setup(main_.link(), data_port(), readback_port());
    main_.link().flush();
    ready_ = result == boardlink::SetupResult::Ready;
    main_.check_link();
    return result;
}

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

// Stage k reads the input selected by the stage before (k > 0), then selects the next one
// (k < 3) and waits for it to settle.
void SupplyMeasurement::step() {
    auto& link = main_.link();
    if (stage_ > 0) codes_[stage_ - 1] = boardlink::read_supply_code(link, data_port(), readback_port(), kOrder[stage_ - 1]);
    if (stage_ < 3) boardlink::select_supply_input(link, data_port(), readback_port(), kOrder[stage_]);
    link.flush();
    if (main_.check_link()) {
        cancel();
        return;
    }
    if (stage_ == 3) {
        finish();
        return;
    }
    ++stage_;
    timer_.start(settle_ms_);
}

void SupplyMeasurement::finish() {
    cancel();
    SupplyTexts texts = supply_texts(codes_[0], codes_[1], codes_[2]);
    main_.ui.NumLED2->setText(QString::fromStdString(texts.vp));
    main_.ui.NumLED1->setText(QString::fromStdString(texts.vdd));
    main_.ui.NumLED3->setText(QString::fromStdString(texts.idd));
    if (texts.vp_below_vdd)
        main_.prompts().message(MessageIcon::Exclamation, kAppTitle, "Warning. Vp must be greater than or equal to Vdd");
    emit finished();
}
