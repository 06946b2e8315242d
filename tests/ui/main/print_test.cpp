// Printing the main window: the page is printed into PDF files (the same code path as a real
// printer), turned into pictures with pdftoppm, and measured.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <deque>

#include "tests/support/gui_harness.h"
#include "ui/main/print_form.h"

using testing_support::Harness;

namespace {

constexpr double kRenderDpi = 100;  // the pictures the pages are measured on

// What poppler reads from a PDF file: its page count, first page size and title, and the first
// page as a picture at kRenderDpi.
struct PdfPage {
    int pages = 0;
    QSizeF size_points;
    QString title;
    QImage picture;
};

QString tool(const char* name) {
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty()) ADD_FAILURE() << name << " is missing (poppler-utils; scripts/setup.sh installs it)";
    return path;
}

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << ": " << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

PdfPage read_pdf(const QString& path) {
    PdfPage page;
    const QString info = run(tool("pdfinfo"), {path});
    for (const QString& line : info.split('\n')) {
        if (line.startsWith("Pages:")) page.pages = line.mid(6).trimmed().toInt();
        if (line.startsWith("Title:")) page.title = line.mid(6).trimmed();
        auto size = QRegularExpression(R"(^Page size:\s+([\d.]+) x ([\d.]+) pts)").match(line);
        if (size.hasMatch()) page.size_points = {size.captured(1).toDouble(), size.captured(2).toDouble()};
    }
    const QString prefix = path + "-page";
    run(tool("pdftoppm"), {"-r", QString::number(kRenderDpi), "-png", "-singlefile", path, prefix});
    page.picture = QImage(prefix + ".png");
    return page;
}

// The bounding box of everything painted (anything not near white).
QRect painted_area(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    int left = rgb.width(), right = -1, top = rgb.height(), bottom = -1;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            if (qRed(line[x]) < 240 || qGreen(line[x]) < 240 || qBlue(line[x]) < 240) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

double px(double mm) { return mm / 25.4 * kRenderDpi; }

// Sizes measured on the picture: pdftoppm's anti-aliasing may darken one more pixel on each edge.
constexpr double kEdges = 2.5;

// A printer that writes the page into a PDF file instead of a queue.
std::unique_ptr<QPrinter> pdf_printer(const QString& path, const QPageSize& size, QPageLayout::Orientation orientation,
                                      double margin_mm, int dpi) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    printer->setResolution(dpi);
    printer->setPageLayout(QPageLayout(size, orientation, QMarginsF(margin_mm, margin_mm, margin_mm, margin_mm),
                                       QPageLayout::Millimeter));
    return printer;
}

}  // namespace

TEST(PrintLayout, SizeRule) {
    struct Case {
        const char* what;
        int page_w, page_h, win_w, win_h;
        double win_dpi, printer_dpi;
        std::optional<PicturePlacement> placed;
    };
    const Case cases[] = {
        {"narrower window keeps its size at the printer's resolution", 2400, 3300, 700, 500, 96, 300,
         PicturePlacement{0, 0, 2188, 1562}},  // 2187.5 and 1562.5: halves go to even
        {"exactly the printable width is its own size", 2400, 3300, 768, 500, 96, 300, PicturePlacement{0, 0, 2400, 1562}},
        {"one dot wider is scaled to the width, ratio kept", 2399, 3300, 768, 500, 96, 300,
         PicturePlacement{0, 0, 2399, 1562}},  // 1561.85
        {"wide window on a portrait page", 1800, 2600, 900, 600, 96, 300, PicturePlacement{0, 0, 1800, 1200}},
        {"too tall once the width fits: scaled to the height", 4000, 1000, 900, 600, 96, 300,
         PicturePlacement{0, 0, 1500, 1000}},
        {"screen at 120 dpi", 9000, 9000, 1200, 900, 120, 600, PicturePlacement{0, 0, 6000, 4500}},
        {"no printable area", 0, 3300, 700, 500, 96, 300, std::nullopt},
        {"no window", 2400, 3300, 0, 500, 96, 300, std::nullopt},
        {"no resolution", 2400, 3300, 700, 500, 96, 0, std::nullopt},
        {"resolution not a number", 2400, 3300, 700, 500, NAN, 300, std::nullopt},
        {"too thin to show", 100, 100, 100000, 1, 96, 96, std::nullopt},
        {"beyond an int", 2400, 3300, 700, 500, 1e-300, 300, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(place_picture(c.page_w, c.page_h, c.win_w, c.win_h, c.win_dpi, c.printer_dpi), c.placed) << c.what;
}

TEST(PrintForm, OnePageAtTheTopLeftOfThePrintableArea) {
    enum Fit { Width, OwnSize, Height };
    struct Case {
        const char* what;
        QPageSize size;
        QPageLayout::Orientation orientation;
        double margin_mm;
        int dpi;
        Fit fit;
    };
    const Case cases[] = {
        {"A4 portrait, wider window", QPageSize(QPageSize::A4), QPageLayout::Portrait, 12.7, 300, Width},
        {"Letter without margins, wider window", QPageSize(QPageSize::Letter), QPageLayout::Portrait, 0, 600, Width},
        {"A3 landscape, narrower window", QPageSize(QPageSize::A3), QPageLayout::Landscape, 10, 600, OwnSize},
        {"A strip too low for the window", QPageSize(QSizeF(400, 110), QPageSize::Millimeter), QPageLayout::Portrait, 5,
         300, Height},
    };
    QTemporaryDir dir;
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Harness h("ksy7100-1");
        QApplication::clipboard()->setText("the engineer's own notes");
        const QString path = dir.filePath(QString("page%1.pdf").arg(n++));
        h.main->on_print = [&] {
            print_form(*h.main, [&] { return pdf_printer(path, c.size, c.orientation, c.margin_mm, c.dpi); });
        };
        h.main->ui.mnuPrint->trigger();

        EXPECT_TRUE(h.prompts.questions.empty());
        EXPECT_TRUE(h.prompts.messages.empty());
        EXPECT_TRUE(h.words().empty()) << "printing sends nothing to the board";
        EXPECT_EQ(QApplication::clipboard()->text(), "the engineer's own notes");

        const PdfPage page = read_pdf(path);
        EXPECT_EQ(page.pages, 1);
        EXPECT_TRUE(page.title.startsWith("KSY7100 Evaluation Software - ksy7100-1 - ")) << page.title.toStdString();
        const QRect box = painted_area(page.picture);
        ASSERT_FALSE(box.isEmpty());
        // The page as written (custom sizes come out in whole points), less the margins.
        const double printable_w = page.size_points.width() / 72 * kRenderDpi - 2 * px(c.margin_mm);
        const double printable_h = page.size_points.height() / 72 * kRenderDpi - 2 * px(c.margin_mm);
        const QWidget& w = *h.main;
        const double own_w = w.width() / double(w.logicalDpiX()) * kRenderDpi;
        const double own_h = w.height() / double(w.logicalDpiX()) * kRenderDpi;

        EXPECT_NEAR(box.left(), px(c.margin_mm), 1.5);
        EXPECT_NEAR(box.top(), px(c.margin_mm), 1.5);
        EXPECT_NEAR(double(box.width()) / box.height(), double(w.width()) / w.height(), 0.01);
        switch (c.fit) {
        case Width:
            ASSERT_GT(own_w, printable_w) << "the window must be wider than this page";
            EXPECT_NEAR(box.width(), printable_w, kEdges);
            break;
        case OwnSize:
            ASSERT_LT(own_w, printable_w) << "the window must be narrower than this page";
            EXPECT_NEAR(box.width(), own_w, kEdges);
            EXPECT_NEAR(box.height(), own_h, kEdges);
            break;
        case Height:
            ASSERT_GT(own_h, printable_h) << "the window must be taller than this page";
            EXPECT_NEAR(box.height(), printable_h, kEdges);
            EXPECT_LT(box.width(), printable_w);
            break;
        }
    }
}

TEST(PrintForm, NoPrinterOrAFailedJobOffersTheSamePageAsPdf) {
    QTemporaryDir dir;
    const QString saved = dir.filePath("setup.pdf");
    const QString unreachable = dir.filePath("missing/queue.pdf");
    const QString a5_failing = "A5 printer whose job fails";
    struct Case {
        const char* what;
        bool printer;           // a printer whose job fails, else none
        std::deque<bool> answers;
        std::deque<QString> files;
        QString question;
        QString written;        // the PDF that must exist afterwards, or none
        QString message;        // the message after the offer, if any
    };
    const QString offer = "\n\nSave the page as a PDF file instead?";
    const QString none = "KSY7100 Evaluation Software: There is no default printer, so the form was not printed." + offer;
    const QString failed = "KSY7100 Evaluation Software: The form could not be printed." + offer;
    const Case cases[] = {
        {"no printer, saved", false, {true}, {saved}, none, saved, {}},
        {"no printer, a name without suffix", false, {true}, {dir.filePath("bench-notes")}, none,
         dir.filePath("bench-notes.pdf"), {}},
        {"no printer, offer declined", false, {false}, {saved}, none, {}, {}},
        {"no printer, file dialog cancelled", false, {true}, {}, none, {}, {}},
        {"no printer, folder missing", false, {true}, {dir.filePath("gone/setup.pdf")}, none, {},
         "The page could not be saved as a PDF file."},
        {"failed job, saved with the printer's page", true, {true}, {saved}, failed, saved, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(saved);
        Harness h("ksy7100-1");
        h.prompts.answers = c.answers;
        h.prompts.file_names = c.files;
        h.main->on_print = [&] {
            print_form(*h.main, [&]() -> std::unique_ptr<QPrinter> {
                if (!c.printer) return nullptr;
                return pdf_printer(unreachable, QPageSize(QPageSize::A5), QPageLayout::Landscape, 15, 300);
            });
        };
        h.main->ui.mnuPrint->trigger();

        EXPECT_EQ(h.prompts.questions, std::vector<QString>{c.question});
        EXPECT_EQ(h.prompts.file_filters.size(), c.answers.front() ? 1u : 0u);
        EXPECT_EQ(h.prompts.texts(), c.message.isEmpty() ? std::vector<QString>{} : std::vector<QString>{c.message});
        EXPECT_FALSE(QFile::exists(unreachable));
        EXPECT_TRUE(h.words().empty());
        if (c.written.isEmpty()) {
            EXPECT_FALSE(QFile::exists(saved));
            continue;
        }
        const PdfPage page = read_pdf(c.written);
        EXPECT_EQ(page.pages, 1);
        const QRect box = painted_area(page.picture);
        if (c.printer) {  // the failed printer's page: A5 landscape, 15 mm margins
            EXPECT_NEAR(page.size_points.width(), 595.3, 0.5);
            EXPECT_NEAR(page.size_points.height(), 419.5, 0.5);
            EXPECT_NEAR(box.left(), px(15), 1.5);
            EXPECT_NEAR(box.width(), px(210 - 30), kEdges);
        } else {  // the plain printer's page
            QPrinter plain(QPrinter::HighResolution);
            const QRectF paint = plain.pageLayout().paintRect(QPageLayout::Millimeter);
            EXPECT_NEAR(box.left(), px(paint.left()), 1.5);
            EXPECT_NEAR(box.top(), px(paint.top()), 1.5);
            EXPECT_NEAR(box.width(), px(paint.width()), kEdges);
        }
        QFile::remove(c.written);
    }
}

TEST(PrintForm, ASaveThatFailsLeavesTheExistingFileAlone) {
    // The save goes through a temporary beside the target: a page that cannot be laid out
    // (no printable width) leaves the file the user picked as it was.
    QTemporaryDir dir;
    const QString existing = dir.filePath("keep.pdf");
    {
        QFile f(existing);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("an older printout");
    }
    Harness h("ksy7100-1");
    h.prompts.answers = {true};
    h.prompts.file_names = {existing};
    h.main->on_print = [&] {
        print_form(*h.main, [&] {
            auto p = pdf_printer(dir.filePath("missing/q.pdf"), QPageSize(QSizeF(40, 40), QPageSize::Millimeter),
                                 QPageLayout::Portrait, 0, 300);
            p->setPageMargins(QMarginsF(20, 0, 20, 0), QPageLayout::Millimeter);  // nothing left between them
            return p;
        });
    };
    h.main->ui.mnuPrint->trigger();
    EXPECT_EQ(h.prompts.texts(), std::vector<QString>{"The page could not be saved as a PDF file."});
    QFile f(existing);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "an older printout");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.pdf"}) << "no temporary left behind";
}
