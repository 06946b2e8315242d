#include "ui/main/print_form.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <cmath>

#include "model/number_format.h"
#include "ui/main/main_window.h"

std::optional<PicturePlacement> place_picture(int printable_width, int printable_height, int window_width,
                                              int window_height, double window_dpi, double printer_dpi) {
    if (printable_width <= 0 || printable_height <= 0 || window_width <= 0 || window_height <= 0) return {};
    if (!std::isfinite(window_dpi) || !std::isfinite(printer_dpi) || window_dpi <= 0 || printer_dpi <= 0) return {};
    const double scale = printer_dpi / window_dpi;
    const auto own_width = numfmt::round_i32(window_width * scale);
    const auto own_height = numfmt::round_i32(window_height * scale);
    if (!own_width || !own_height || *own_width <= 0 || *own_height <= 0) return {};
    if (*own_width <= printable_width && *own_height <= printable_height)
        return PicturePlacement{0, 0, *own_width, *own_height};

    // Scaled down with the window's ratio; whichever side is tighter on the page sets the scale.
    const double width = printable_width, height = printable_height;
    std::optional<int32_t> other;
    PicturePlacement placed;
    if (width * window_height <= height * window_width) {
        other = numfmt::round_i32(width * window_height / window_width);
        placed = {0, 0, printable_width, other.value_or(0)};
    } else {
        other = numfmt::round_i32(height * window_width / window_height);
        placed = {0, 0, other.value_or(0), printable_height};
    }
    if (!other || *other <= 0) return {};  // a window too thin to show at all
    return placed;
}

std::unique_ptr<QPrinter> system_default_printer() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return nullptr;
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (!printer->isValid()) return nullptr;
    return printer;
}

QString print_job_name(const QString& device, const QDateTime& when) {
    QString name = kAppTitle;
    if (!device.isEmpty()) name += " - " + device;
    return name + " - " + when.toString("yyyy-MM-dd HH:mm:ss");
}

namespace {

// The hourglass while the page is painted and handed over; gone before any question is asked.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

std::optional<PicturePlacement> placement_on(const QWidget& window, const QPagedPaintDevice& device) {
    const int dpi = device.logicalDpiX();
    const QRect printable = device.pageLayout().paintRectPixels(dpi);
    return place_picture(printable.width(), printable.height(), window.width(), window.height(),
                         window.logicalDpiX(), dpi);
}

// Paints the window on the device's one page: a printer or a PDF writer, the same way for both.
// The painter's origin is the printable area's top-left corner. False when the page could not be
// laid out, started or finished.
bool paint_page(QWidget& window, QPagedPaintDevice& device) {
    const std::optional<PicturePlacement> place = placement_on(window, device);
    if (!place) return false;
    // The window paints itself into a picture of drawing commands, which the page then replays
    // scaled: text and lines reach the page as text and lines. (Rendered onto a printer
    // directly, the window would arrive as one bitmap of the whole page area.)
    QPicture picture;
    window.render(&picture, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    QPainter painter;
    if (!painter.begin(&device)) return false;
    painter.translate(place->x, place->y);
    // A picture replays at its own resolution converted to the device's; the rest of the scale
    // takes the window to its place.
    const double replay = double(device.logicalDpiX()) / picture.logicalDpiX();
    painter.scale(place->width / (window.width() * replay), place->height / (window.height() * replay));
    painter.drawPicture(0, 0, picture);
    return painter.end();
}

// Writes the page into a PDF file with the given layout. The file is replaced only when the
// whole page was written, so a failure leaves an existing file as it was. Returns the error.
QString save_pdf(QWidget& window, const QPageLayout& layout, int resolution, const QString& title,
                 const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    bool painted;
    {
        QPdfWriter pdf(&file);
        pdf.setTitle(title);
        pdf.setCreator(kAppTitle);
        pdf.setResolution(resolution);
        pdf.setPageLayout(layout);
        painted = paint_page(window, pdf);
    }  // the writer finishes the file here
    if (!painted) {
        file.cancelWriting();
        return "The page could not be laid out or written.";
    }
    if (!file.commit()) return file.errorString();
    return {};
}

// Tells the user the form was not printed and offers the PDF file instead.
void offer_pdf(Main& main, const QString& why, const QPageLayout& layout, int resolution, const QString& title) {
    if (!main.prompts().ask(kAppTitle, why + "\n\nSave the page as a PDF file instead?")) return;
    QString path = main.prompts().save_file_name(&main, "Save the Page as PDF", "PDF files (*.pdf)");
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += ".pdf";
    QString error;
    {
        BusyCursor busy;
        error = save_pdf(main, layout, resolution, title, path);
    }
    if (!error.isEmpty())
        main.prompts().message(MessageIcon::Exclamation, kAppTitle, "The page could not be saved as a PDF file.",
                               path + ": " + error, true);
}

}  // namespace

void print_form(Main& main, const PrinterSource& printers) {
    const QString title = print_job_name(QString::fromStdString(main.state().device), QDateTime::currentDateTime());
    std::unique_ptr<QPrinter> printer = printers ? printers() : nullptr;
    if (!printer) {
        // The page the PDF gets is the one a printer would: the locale's paper, default margins.
        QPrinter plain(QPrinter::HighResolution);
        offer_pdf(main, "There is no default printer, so the form was not printed.", plain.pageLayout(),
                  plain.resolution(), title);
        return;
    }
    printer->setDocName(title);
    printer->setFullPage(false);  // the painter's origin is the printable area's corner
    bool printed;
    {
        BusyCursor busy;
        printed = paint_page(main, *printer) && printer->printerState() != QPrinter::Error;
    }
    if (printed) return;
    const QString name = printer->printerName();
    offer_pdf(main,
              name.isEmpty() ? QString("The form could not be printed.")
                             : "The form could not be printed on \"" + name + "\".",
              printer->pageLayout(), printer->resolution(), title);
}
