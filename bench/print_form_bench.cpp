// The cost of "Print This Form": the main window printed into a PDF file (the same path a queue
// gets) at the usual printer resolutions, with the size of the page handed over. For comparison,
// the window rendered straight onto the printer, which Qt turns into one bitmap of the page area.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QRadioButton>
#include <QTemporaryDir>

#include "bench/qt_main.h"
#include "link/board_link.h"
#include "ui/main/deviceform.h"
#include "ui/main/main_window.h"
#include "ui/main/print_form.h"
#include "ui/main/supply_measurement.h"
#include "app/window_registry.h"

namespace {

struct Tool {
    Tool() {
        link.attach(std::make_unique<boardlink::SimBoard>());
        install_windows(main);
        main.supply_measurement().set_settle_ms(0);
        deviceform dialog(main, {});
        dialog.Form_Load();
        dialog.Option[1]->setChecked(true);
        dialog.Command1_Click();
        while (main.supply_measurement().running()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    boardlink::BoardLink link;
    EvalState state;
    SilentPrompts prompts;
    Main main{state, link, prompts};
};

std::unique_ptr<QPrinter> pdf_printer(const QString& path, int dpi) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    printer->setResolution(dpi);
    printer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                                       QPageLayout::Millimeter));
    return printer;
}

void BM_PrintForm(benchmark::State& state) {
    Tool tool;
    QTemporaryDir dir;
    const QString path = dir.filePath("page.pdf");
    const int dpi = int(state.range(0));
    for (auto _ : state) print_form(tool.main, [&] { return pdf_printer(path, dpi); });
    state.counters["page_kB"] = QFileInfo(path).size() / 1024.0;
}
BENCHMARK(BM_PrintForm)->Arg(300)->Arg(600)->Arg(1200)->Unit(benchmark::kMillisecond);

// The way not taken: QWidget::render straight onto the printer's painter.
void BM_RenderStraightOntoPrinter(benchmark::State& state) {
    Tool tool;
    QTemporaryDir dir;
    const QString path = dir.filePath("page.pdf");
    const int dpi = int(state.range(0));
    for (auto _ : state) {
        auto printer = pdf_printer(path, dpi);
        QPainter painter(printer.get());
        const double scale = printer->pageLayout().paintRectPixels(dpi).width() / double(tool.main.width());
        painter.scale(scale, scale);
        tool.main.render(&painter);
        painter.end();
    }
    state.counters["page_kB"] = QFileInfo(path).size() / 1024.0;
}
BENCHMARK(BM_RenderStraightOntoPrinter)->Arg(300)->Arg(600)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return run_benchmarks_with_qt(argc, argv); }
