#include "app/remote_control.h"

#include <QEventLoop>
#include <QTimer>

#include "actions/supplies.h"
#include "app/link_report.h"
#include "ui/main/deviceform.h"
#include "ui/main/main_window.h"
#include "ui/main/supply_measurement.h"
#include "ui/widgets/numeric_led.h"

namespace {

ScpiConfig config_of(const Options& o) {
    return {o.scpi_port.value_or(5025), o.scpi_listen, o.scpi_files, o.scpi_idle_seconds};
}

void wait_ms(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

commands::Reply execution_error(std::string text) {
    return {{}, commands::Error{commands::kExecutionError, std::move(text)}};
}

}  // namespace

commands::Reply measure_supplies_waiting(EvalState& state, boardlink::Port& port, boardlink::SetupResult& monitor) {
    if (monitor != boardlink::SetupResult::Ready) monitor = actions::set_up_supply_monitor(state, port);
    if (monitor != boardlink::SetupResult::Ready) return execution_error("No supply monitor answers on the board.");
    actions::SupplyReading reading;
    for (int k = 0; k < actions::SupplyReading::kSteps; ++k) {
        if (k > 0) wait_ms(actions::SupplyReading::kSettleMs);
        reading.step(state, port, k);
    }
    if (!port.failure().empty()) return execution_error("the board link failed: " + port.failure());
    return {actions::supply_answer(reading.texts()), {}};
}

RemoteControl::RemoteControl(const Options& options, Main& main, std::function<const deviceform*()> variant_dialog) {
    auto show = [&main](const actions::Display& d) {
        main.show_display(d);
        main.check_link();
    };
    // While a run goes on its news only shows; the link is read once it has stopped.
    RemoteExercisers::View view{[&main](const actions::Display& d) { main.show_display(d); },
                                [&main](const std::string& text) { main.show_status(text); },
                                [&main] { main.check_link(); }};
    exercisers_ = std::make_unique<RemoteExercisers>(main.state(), main.link(), view, main.exerciser_driver);
    main.add_run_stopper(exercisers_.get(), [exercisers = exercisers_.get()] {
        exercisers->stop_hop();
        exercisers->stop_sweep();
    });
    commands::Hooks hooks;
    add_link_hooks(hooks, main.link(), main.state());
    // The self-test's readback must not fall between the steps of a measurement that runs now;
    // a link that is measuring answers, unless it has failed.
    hooks.self_test = [&main]() -> std::optional<std::string> {
        if (main.supply_measurement().running() && !main.link_failed()) return std::nullopt;
        return link_self_test(main.link(), main.state());
    };
    hooks.show = show;
    hooks.exercisers = exercisers_.get();
    hooks.settings_locked = [&main, variant_dialog]() -> std::optional<std::string> {
        if (const deviceform* d = variant_dialog(); d && d->isVisible())
            return "no variant is chosen yet: the variant dialog is open";
        if (auto title = main.settings_window_open())
            return "the window \"" + *title + "\" is open: its entries would undo the change";
        return std::nullopt;
    };
    hooks.measure_supplies = [&main]() -> commands::Reply {
        // The main window's own measurement, so its readouts show what the command answers.
        SupplyMeasurement& m = main.supply_measurement();
        if (!m.converter_ready() && m.setup() != boardlink::SetupResult::Ready)
            return execution_error("No supply monitor answers on the board.");
        QEventLoop loop;
        QObject::connect(&m, &SupplyMeasurement::finished, &loop, &QEventLoop::quit);
        m.start();
        if (m.running()) loop.exec();
        if (main.link_failed()) return execution_error("the board link failed: " + main.link().failure());
        auto text = [](NumericLed* led) { return led->text().toStdString(); };
        return {text(main.ui.NumLED1) + "," + text(main.ui.NumLED2) + "," + text(main.ui.NumLED3), {}};
    };
    hooks.exit = [] { return std::optional<std::string>("SYST:EXIT ends only a run without windows"); };
    refuse_writers_while_held(hooks, main.link());
    server_ = std::make_unique<ScpiServer>(main.state(), main.link(), KSY_VERSION, hooks, config_of(options));
}

RemoteControl::~RemoteControl() = default;

RemoteControl::RemoteControl(const Options& options, EvalState& state, boardlink::BoardLink& port,
                             std::function<void()> quit) {
    exercisers_ = std::make_unique<RemoteExercisers>(state, port, RemoteExercisers::View{});
    commands::Hooks hooks;
    add_link_hooks(hooks, port, state);
    hooks.exercisers = exercisers_.get();
    auto monitor = std::make_shared<boardlink::SetupResult>(boardlink::SetupResult::Absent);
    hooks.measure_supplies = [&state, &port, monitor] { return measure_supplies_waiting(state, port, *monitor); };
    hooks.exit = [quit] {
        QTimer::singleShot(0, quit);  // after the command's reply is sent
        return std::optional<std::string>();
    };
    refuse_writers_while_held(hooks, port);
    server_ = std::make_unique<ScpiServer>(state, port, KSY_VERSION, hooks, config_of(options));
}
