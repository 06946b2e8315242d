#pragma once
// One measurement of the board's supplies (Vp, Vdd, Idd) for the main window's readouts.
//
// The converter needs time to settle after an input is selected. The waits are timer steps on
// the GUI thread, so the window keeps working; the busy cursor shows while it measures. Each
// step is one whole port transaction, so a latch write can only fall between transfers.
#include <QObject>
#include <QTimer>
#include <cstdint>

#include "actions/supplies.h"
#include "link/readback.h"

class Main;

class SupplyMeasurement : public QObject {
    Q_OBJECT
public:
    static constexpr int kSettleMs = actions::SupplyReading::kSettleMs;  // per input

    explicit SupplyMeasurement(Main& main);
    ~SupplyMeasurement() override;

    // The converter's set-up sequence; remembers whether it found the converter.
    boardlink::SetupResult setup();
    // The outcome of a set-up made elsewhere (the variant dialog's).
    void remember_setup(boardlink::SetupResult result);
    bool converter_ready() const { return ready_; }

    // Starts a measurement. When the last set-up did not find the converter it is tried again
    // first, and the user is told when it still does not answer.
    void start();
    void cancel();
    bool running() const { return stage_ >= 0; }
    void set_settle_ms(int ms) { settle_ms_ = ms; }

signals:
    void finished();

private:
    void step();
    void finish();

    Main& main_;
    QTimer timer_;
    int settle_ms_ = kSettleMs;
    int stage_ = -1;
    bool ready_ = false;
    actions::SupplyReading reading_;
};
