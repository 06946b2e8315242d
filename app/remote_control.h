#pragma once
// Remote control of a run: the command server and the exercisers its commands start, wired to
// the run around them. With windows, the main window shows every change a command makes, and
// commands that change settings are refused before a variant is chosen and while a window that
// edits settings is open (its entries would undo the change on OK). Without windows, SYST:EXIT
// ends the run.
#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "app/options.h"
#include "app/remote_exercisers.h"
#include "app/scpi_server.h"
#include "link/readback.h"

class Main;
class deviceform;

class RemoteControl {
public:
    // A windowed run: `main`, and the variant dialog while it is open.
    RemoteControl(const Options& options, Main& main, std::function<const deviceform*()> variant_dialog);
    // A run without windows: `quit` ends it.
    RemoteControl(const Options& options, EvalState& state, boardlink::BoardLink& link, std::function<void()> quit);
    ~RemoteControl();

    // Starts listening; false with the cause.
    bool listen(std::string& error) { return server_->listen(error); }
    uint16_t port() const { return server_->port(); }
    RemoteExercisers& exercisers() { return *exercisers_; }

private:
    std::unique_ptr<RemoteExercisers> exercisers_;
    std::unique_ptr<ScpiServer> server_;
};

// One supply measurement as a command answers it, waiting between the converter's steps in an
// event loop of its own, so the tool goes on serving meanwhile.
commands::Reply measure_supplies_waiting(EvalState& state, boardlink::Port& port, boardlink::SetupResult& monitor);
