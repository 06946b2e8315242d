#include "ui/widgets/system_timer.h"

SystemTimer::SystemTimer(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &SystemTimer::on_timeout);
}

void SystemTimer::setInterval(int milliseconds) {
    interval_ = std::max(0, milliseconds);
    restart();
}

void SystemTimer::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    restart();
}

void SystemTimer::restart() {
    timer_.stop();
    if (!running()) return;
    clock_.start();
    due_ns_ = qint64(interval_) * 1'000'000;
    schedule_next();
}

void SystemTimer::schedule_next() {
    qint64 wait_ns = due_ns_ - clock_.nsecsElapsed();
    timer_.start(int(std::max<qint64>(0, (wait_ns + 500'000) / 1'000'000)));
}

void SystemTimer::on_timeout() {
    if (!running()) return;
    qint64 now = clock_.nsecsElapsed();
    if (now + 500'000 < due_ns_) {  // woke early: wait for the rest
        schedule_next();
        return;
    }
    const qint64 period = qint64(interval_) * 1'000'000;
    due_ns_ += period;
    if (now - due_ns_ > period) due_ns_ = now + period;  // far behind: start afresh from now
    emit tick();
    if (running()) schedule_next();
}
