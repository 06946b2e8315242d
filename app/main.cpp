#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/quit_on_signal.h"
#include "link/board_link.h"
#include "model/eval_state.h"
#include "ui/main/deviceform.h"
#include "ui/main/main_window.h"
#include "ui/main/window_registry.h"
#include "ui/prompts.h"

int main(int argc, char** argv) {
    // The tool's own options are read before Qt starts, so --help and a bad option need no display.
    ParsedOptions parsed = parse_options(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::fprintf(stderr, "ksy7100-eval: %s\n\n%s", parsed.error.c_str(), usage_text().c_str());
        return 2;
    }
    const Options& options = *parsed.options;
    if (options.help) {
        std::fputs(usage_text().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("ksy7100-eval %s\n", KSY_VERSION);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(kAppTitle);
    QApplication::setApplicationVersion(KSY_VERSION);
    quit_on_signals();

    boardlink::BoardLink link;
    boardlink::BoardLink::Opened opened = link.open(options.link);
    if (!opened.ok) {
        std::fprintf(stderr, "ksy7100-eval: %s\n", opened.error.c_str());
        QMessageBox::critical(nullptr, kAppTitle, QString::fromStdString(opened.error));
        return 1;
    }
    std::fprintf(stderr, "ksy7100-eval: board link: %s\n", link.name().c_str());

    EvalState state;
    DesktopPrompts prompts;
    Main main_window(state, link, prompts);
    install_windows(main_window);
    deviceform variant_dialog(main_window, opened);
    variant_dialog.Form_Load();
    variant_dialog.show();

    int status = app.exec();
    link.close();  // releases the port and completes the trace
    return status;
}
