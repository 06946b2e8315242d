#pragma once
// The timers of the windows: a tick every `interval` milliseconds while enabled. An interval of
// 0 means disabled, whatever `enabled` says (a raw QTimer would fire on every event-loop pass).
//
// Ticks are scheduled against a monotonic clock: each tick is due one interval after the one
// before it was due, not after it ran, so the average rate is the rate asked for however long a
// tick takes. A tick that falls more than one interval behind is dropped rather than bunched.
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class SystemTimer : public QObject {
    Q_OBJECT
public:
    explicit SystemTimer(QObject* parent = nullptr);

    int interval() const { return interval_; }
    void setInterval(int milliseconds);  // negative counts as 0
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool running() const { return enabled_ && interval_ > 0; }

signals:
    void tick();

private:
    void restart();
    void schedule_next();
    void on_timeout();

    int interval_ = 0;
    bool enabled_ = false;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 due_ns_ = 0;
};
