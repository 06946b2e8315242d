// The main window's costs: one refresh_main, the start-up to the variant dialog, its OK to the
// configured main window, and the memory the process holds once started.
//
// The start-up figures are taken in child processes started afresh for each run: the child
// runs the tool's own start-up (application, link, windows), reports the monotonic time at
// which each window is shown and its resident memory, and the parent compares them with the
// time it started the child.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QRadioButton>
#include <QWindow>
#include <cstdio>
#include <fstream>

#include "bench/qt_main.h"
#include "link/board_link.h"
#include "ui/main/deviceform.h"
#include "ui/main/main_window.h"
#include "ui/main/supply_measurement.h"
#include "app/window_registry.h"

namespace {

double now_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void wait_shown(QWidget& w) {
    while (!(w.isVisible() && w.windowHandle() && w.windowHandle()->isExposed()))
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    QApplication::processEvents();
}

double resident_mib() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The child: the tool's start-up, timed. Prints "dialog_shown ok_to_main resident".
int probe(int argc, char** argv) {
    QApplication app(argc, argv);
    boardlink::BoardLink link;
    boardlink::LinkRequest request;
    request.kind = boardlink::LinkRequest::Kind::Sim;
    auto opened = link.open(request);
    EvalState state;
    SilentPrompts prompts;
    Main main(state, link, prompts);
    install_windows(main);
    deviceform dialog(main, opened);
    dialog.Form_Load();
    dialog.show();
    wait_shown(dialog);
    double shown = now_ms();
    dialog.Option[1]->setChecked(true);
    double ok = now_ms();
    dialog.Command1_Click();
    wait_shown(main);
    double main_shown = now_ms();
    std::printf("%.6f %.6f %.3f\n", shown, main_shown - ok, resident_mib());
    std::fflush(stdout);
    main.supply_measurement().cancel();
    return 0;
}

const char* g_self = nullptr;

void BM_StartUp(benchmark::State& bs) {
    double to_dialog = 0, to_main = 0, resident = 0;
    for (auto _ : bs) {
        int pipe_fd[2];
        if (pipe(pipe_fd) != 0) bs.SkipWithError("pipe");
        double started = now_ms();
        pid_t child = fork();
        if (child == 0) {
            dup2(pipe_fd[1], STDOUT_FILENO);
            execl(g_self, g_self, "--probe", "-platform", "offscreen", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipe_fd[1]);
        char buf[128] = {};
        ssize_t n = read(pipe_fd[0], buf, sizeof buf - 1);
        close(pipe_fd[0]);
        waitpid(child, nullptr, 0);
        double shown = 0, ok_to_main = 0, mib = 0;
        if (n <= 0 || std::sscanf(buf, "%lf %lf %lf", &shown, &ok_to_main, &mib) != 3) {
            bs.SkipWithError("the probe gave no figures");
            break;
        }
        to_dialog += shown - started;
        to_main += ok_to_main;
        resident += mib;
    }
    double runs = double(bs.iterations());
    bs.counters["start_to_dialog_ms"] = to_dialog / runs;
    bs.counters["ok_to_main_ms"] = to_main / runs;
    bs.counters["resident_MiB"] = resident / runs;
}
BENCHMARK(BM_StartUp)->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_RefreshMain(benchmark::State& bs) {
    boardlink::BoardLink link;
    link.attach(std::make_unique<boardlink::SimBoard>());
    EvalState state;
    SilentPrompts prompts;
    Main main(state, link, prompts);
    main.supply_measurement().set_settle_ms(0);
    deviceform dialog(main, {});
    dialog.Form_Load();
    dialog.Option[2]->setChecked(true);
    dialog.Command1_Click();
    main.supply_measurement().cancel();
    int i = 0;
    for (auto _ : bs) {
        state.vco_freq = 2100 + (i++ & 7);  // a changed value, as after a setting
        main.refresh_main();
    }
}
BENCHMARK(BM_RefreshMain)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--probe") return probe(argc, argv);
    g_self = argv[0];
    return run_benchmarks_with_qt(argc, argv);
}
