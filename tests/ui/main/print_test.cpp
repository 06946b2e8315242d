// Printing the main window into PDF files (a real printer's code path), measured as pictures.
#include <gtest/gtest.h>

#include <QPrinter>
#include <QtWidgets>

#include <cmath>

#include "tests/support/gui_harness.h"
#include "ui/main/print_form.h"

using testing_support::Harness;

namespace {

constexpr double kRenderDpi = 100;  // the pictures the pages are measured on

// A PDF file's page count and title, and its first page as a picture at kRenderDpi.
struct PdfPage { int pages = 0; QString title; QImage picture; };

QString run(const char* tool, const QStringList& args) {
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty()) ADD_FAILURE() << tool << " is missing (poppler-utils; scripts/setup.sh installs it)";
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    EXPECT_EQ(p.exitCode(), 0) << tool << ": " << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

PdfPage read_pdf(const QString& path) {
    PdfPage page;
    for (const QString& line : run("pdfinfo", {path}).split('\n')) {
        if (line.startsWith("Pages:")) page.pages = line.mid(6).trimmed().toInt();
        if (line.startsWith("Title:")) page.title = line.mid(6).trimmed();
    }
    const QString prefix = path + "-page";
    run("pdftoppm", {"-r", QString::number(kRenderDpi), "-png", "-singlefile", path, prefix});
    page.picture = QImage(prefix + ".png");  // in the case's temporary folder, which goes with it
    return page;
}

// The bounding box of everything painted (anything not near white).
QRect painted_area(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    QRect box;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            if (qRed(line[x]) < 240 || qGreen(line[x]) < 240 || qBlue(line[x]) < 240) box |= QRect(x, y, 1, 1);
    }
    return box;
}

double px(double mm) { return mm / 25.4 * kRenderDpi; }

// A 300 dpi printer that writes the page into a PDF file instead of a queue.
std::unique_ptr<QPrinter> pdf_printer(const QString& path, const QPageSize& size, QPageLayout::Orientation orientation, const QMarginsF& margins_mm) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    printer->setResolution(300);
    printer->setPageLayout(QPageLayout(size, orientation, margins_mm, QPageLayout::Millimeter));
    return printer;
}

}  // namespace

TEST(PrintLayout, SizeRule) {
    using P = PicturePlacement;
    // what, printable width and height, window width and height, window and printer dpi, placement
    const std::tuple<const char*, int, int, int, int, double, double, std::optional<P>> cases[] = {
        // 2187.5 and 1562.5: halves go to even
        {"narrower window keeps its size at the printer's resolution", 2400, 3300, 700, 500, 96, 300, P{0, 0, 2188, 1562}},
        {"one dot wider is scaled to the width, ratio kept", 2399, 3300, 768, 500, 96, 300, P{0, 0, 2399, 1562}},
        {"too tall once the width fits: scaled to the height", 4000, 1000, 900, 600, 96, 300, P{0, 0, 1500, 1000}},
        {"screen at 120 dpi", 9000, 9000, 1200, 900, 120, 600, P{0, 0, 6000, 4500}}, {"no printable area", 0, 3300, 700, 500, 96, 300, std::nullopt},
        {"resolution not a number", 2400, 3300, 700, 500, NAN, 300, std::nullopt},
        {"too thin to show", 100, 100, 100000, 1, 96, 96, std::nullopt}, {"beyond an int", 2400, 3300, 700, 500, 1e-300, 300, std::nullopt},
    };
    for (const auto& [what, page_w, page_h, win_w, win_h, win_dpi, printer_dpi, placed] : cases)
        EXPECT_EQ(place_picture(page_w, page_h, win_w, win_h, win_dpi, printer_dpi), placed) << what;
}

// The page goes to the printer, or else, where there is none or its job fails, to a PDF file the
// user is offered; a failed save leaves an older file as it was.
TEST(PrintForm, OnePageOnThePrinterOrOfferedAsPdfAndAFailedSaveLeavesTheOlderFile) {
    using Printer = std::function<std::unique_ptr<QPrinter>(const QDir&)>;
    // A5 landscape printers whose queue is a file or a missing folder (the job fails), and one with
    // no printable width between its margins (no page laid out).
    const auto a5_into = [](const char* queue) -> Printer {
        return [queue](const QDir& d) { return pdf_printer(d.filePath(queue), QPageSize(QPageSize::A5), QPageLayout::Landscape, {15, 15, 15, 15}); };
    };
    const Printer printer = a5_into("printed.pdf"), a5 = a5_into("missing/queue.pdf");
    const Printer no_width = [](const QDir& d) {
        return pdf_printer(d.filePath("missing/q.pdf"), QPageSize(QSizeF(40, 40), QPageSize::Millimeter), QPageLayout::Portrait, {20, 0, 20, 0});
    };
    const QString offer = "\n\nSave the page as a PDF file instead?", not_saved = "The page could not be saved as a PDF file.";
    const QString none = "KSY7100 Evaluation Software: There is no default printer, so the form was not printed." + offer;
    const QString failed = "KSY7100 Evaluation Software: The form could not be printed." + offer;
    // printer: none when empty; yes: the offer taken; files: the file dialog's answers (none: cancelled)
    struct Case { const char* what; Printer printer; bool yes; QStringList files; QString question, written, message; };
    const Case cases[] = {
        {"printed", printer, false, {}, {}, "printed.pdf", {}}, {"no printer, saved", {}, true, {"setup.pdf"}, none, "setup.pdf", {}},
        {"no printer, a name without suffix", {}, true, {"bench-notes"}, none, "bench-notes.pdf", {}},
        {"no printer, offer declined", {}, false, {"setup.pdf"}, none, {}, {}}, {"no printer, file dialog cancelled", {}, true, {}, none, {}, {}},
        {"no printer, folder missing", {}, true, {"gone/setup.pdf"}, none, {}, not_saved},
        {"failed job, saved with the printer's page", a5, true, {"setup.pdf"}, failed, "setup.pdf", {}},
        // The save goes through a temporary beside the target, so the file picked stays as it was.
        {"failed job, no page laid out over an older file", no_width, true, {"keep.pdf"}, failed, {}, not_saved}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir tmp;
        const QDir dir(tmp.path());
        QFile older(dir.filePath("keep.pdf"));
        ASSERT_TRUE(older.open(QIODevice::WriteOnly) && older.write("an older printout") > 0);
        older.close();
        Harness h("ksy7100-1");
        h.prompts.answers = {c.yes};
        for (const QString& f : c.files) h.prompts.file_names.push_back(dir.filePath(f));
        h.main->on_print = [&] { print_form(*h.main, [&]() -> std::unique_ptr<QPrinter> { return c.printer ? c.printer(dir) : nullptr; }); };
        h.main->ui.mnuPrint->trigger();

        EXPECT_EQ(h.prompts.questions, c.question.isEmpty() ? std::vector<QString>{} : std::vector<QString>{c.question});
        EXPECT_EQ(h.prompts.file_filters.size(), c.yes ? 1u : 0u);
        EXPECT_EQ(h.prompts.texts(), c.message.isEmpty() ? std::vector<QString>{} : std::vector<QString>{c.message});
        EXPECT_TRUE(older.open(QIODevice::ReadOnly) && older.readAll() == "an older printout");
        QStringList left = c.written.isEmpty() ? QStringList{"keep.pdf"} : QStringList{c.written, "keep.pdf"};
        left.sort();
        EXPECT_EQ(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), left) << "no queue output, folder or temporary";
        if (c.written.isEmpty()) continue;

        const PdfPage page = read_pdf(dir.filePath(c.written));
        EXPECT_EQ(page.pages, 1);
        EXPECT_TRUE(page.title.startsWith("KSY7100 Evaluation Software - ksy7100-1 - ")) << page.title.toStdString();
        // The failed printer's page (A5 landscape, 15 mm margins), or the plain printer's page.
        const QRectF paint = c.printer ? QRectF(15, 15, 210 - 30, 148 - 30)
                                       : QPrinter(QPrinter::HighResolution).pageLayout().paintRect(QPageLayout::Millimeter);
        const QRect box = painted_area(page.picture);
        EXPECT_NEAR(box.left(), px(paint.left()), 1.5);
        EXPECT_NEAR(box.top(), px(paint.top()), 1.5);
        EXPECT_NEAR(box.width(), px(paint.width()), 2.5);  // anti-aliasing may darken a pixel more on each edge
    }
}
