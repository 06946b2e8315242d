// Renders every window of the tool to PNG files, for looking at them without a display:
//   window_shots [--palette=dark|contrast] OUTDIR [variant]
// Run it with QT_QPA_PLATFORM=offscreen, and QT_SCALE_FACTOR=2 to see the windows at 200%.
// --palette shows them as a dark or a high-contrast desktop would.
#include <QApplication>
#include <QStandardPaths>
#include <QTabWidget>
#include <QDialog>
#include <QDir>
#include <QRadioButton>

#include "link/board_link.h"
#include "model/variants.h"
#include "ui/dialogs/planform.h"
#include "ui/main/deviceform.h"
#include "ui/main/register_files_menu.h"
#include "ui/main/main_window.h"
#include "ui/main/supply_measurement.h"
#include "app/window_registry.h"
#include "tools/desktop_palettes.h"

namespace {

void save(QWidget& w, const QString& dir, const QString& name) {
    w.adjustSize();
    w.show();
    QApplication::processEvents();
    w.grab().save(dir + "/" + name + ".png");
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);  // what windows keep between runs stays out of the user's settings
    // The palette option may stand anywhere; anything else that starts with "-" is refused, as is
    // a third positional argument, rather than ignored.
    QStringList args;
    const char* const usage = "usage: window_shots [--palette=dark|contrast] OUTDIR [variant]\n";
    for (const QString& arg : app.arguments().mid(1)) {
        if (arg.startsWith("--palette=")) {
            const auto palette = desktop_palettes::by_name(arg.mid(10).toStdString());
            if (!palette) {
                std::fprintf(stderr, "window_shots: the palettes are dark and contrast\n");
                return 2;
            }
            QApplication::setPalette(*palette);
        } else if (arg.startsWith("-")) {
            std::fprintf(stderr, "window_shots: no option %s\n%s", qPrintable(arg), usage);
            return 2;
        } else {
            args << arg;
        }
    }
    if (args.isEmpty() || args.size() > 2) {
        std::fprintf(stderr, "%s", usage);
        return 2;
    }
    const QString dir = args[0];
    QDir().mkpath(dir);
    const std::string variant = args.size() > 1 ? args[1].toStdString() : "ksy7100-1";

    boardlink::BoardLink link;
    link.attach(std::make_unique<boardlink::SimBoard>());
    EvalState state;
    SilentPrompts prompts;
    Main main(state, link, prompts);
    install_windows(main);
    main.supply_measurement().set_settle_ms(0);
    deviceform dialog(main, {});
    dialog.Form_Load();
    save(dialog, dir, "deviceform");
    for (int i = 1; i <= 9; ++i)
        if (variants::kNames[i - 1] == variant) dialog.Option[i]->setChecked(true);
    dialog.Command1_Click();
    for (int i = 0; i < 50 && main.supply_measurement().running(); ++i) QApplication::processEvents();
    while (main.supply_measurement().running()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    save(main, dir, "Main");

    const std::pair<Window, const char*> windows[] = {
        {Window::Synth, "synthform"}, {Window::Crystal, "crystalform"}, {Window::Current1, "current1form"},
        {Window::Current2, "current2form"}, {Window::Powerdown, "powerform"}, {Window::Mux, "muxform"},
        {Window::Prescaler, "prescaleform"}, {Window::Preset, "presetform"}, {Window::Fastlock, "fastlockform"},
        {Window::Bandselect, "Bandselectform"}, {Window::Rev, "revform"}, {Window::Resend, "Form1"},
        {Window::Conversion, "conversionform"}, {Window::Registers, "registers"}, {Window::VcoTest, "vcotest"},
        {Window::Locktime, "locktime"}, {Window::Sweep, "sweepform"}, {Window::SimulatedBoard, "simulated_board"},
        {Window::LoopFilter, "loopform"},
    };
    main.send(1);
    main.send(0);
    main.send(2);
    for (auto [window, name] : windows) {
        if (!main.has_window(window)) continue;
        std::unique_ptr<QDialog> w = main.window_factory(window)(main);
        if (!w) continue;
        save(*w, dir, name);
        // A window with tabs of plots (the loop designer): each tab too.
        if (auto* tabs = w->findChild<QTabWidget*>("plots")) {
            for (int i = 1; i < tabs->count(); ++i) {
                tabs->setCurrentIndex(i);
                save(*w, dir, QString(name) + "-" + QString::number(i));
            }
        }
    }
    // The windows other windows open: the frequency planner and the channel table.
    planform planner(main, state.vco_freq + 0.1);
    save(planner, dir, "planform");
    channelform channels(main);
    save(channels, dir, "channelform");
    return 0;
}
