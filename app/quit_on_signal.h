#pragma once
// SIGINT, SIGTERM and SIGHUP ask the tool to end, whatever it is doing: starting up, under a
// modal window or message box, measuring the supplies or running an exerciser. The handler only
// notes the signal and wakes the event loop; the run then leaves every event loop, destroys its
// windows, completes the trace and closes the link (app/run.h).
//
// A signal that arrives before any event loop runs is not lost: received() tells, and the run
// checks it before it starts its loop.
#include <QPointer>
#include <functional>

class QObject;
class QSocketNotifier;

class SignalWatch {
public:
    SignalWatch();   // installs the handlers; one watch at a time
    ~SignalWatch();  // puts the default handling back
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    // The first signal received, 0 while none was.
    int received() const;
    // Calls `on_signal` from the event loop when a signal arrives, also for one that arrived
    // before. The call lives as long as `context`. Needs the application object.
    void notify(QObject* context, std::function<void()> on_signal);

private:
    QPointer<QSocketNotifier> notifier_;
};
