#pragma once
// "&Print This Form": the main window as it looks now, on one page of the default printer, with
// no print dialog. The picture is painted from the window itself at the printer's resolution (no
// screen bitmap, no clipboard), with its top-left corner at the printable area's top-left, and
// scaled down when the window does not fit the printable area. When there is no printer or the
// job fails, the user is told and may save the same page as a PDF file instead.
#include <QPrinter>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QDateTime;
class Main;

// Where the picture goes, in printer dots from the printable area's top-left corner.
struct PicturePlacement {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PicturePlacement&) const = default;
};

// The size rule. The window (in its own pixels at `window_dpi`) keeps its own size at the
// printer's resolution when that fits the printable area; a window wider than the printable
// width gets exactly that width and the window's height-to-width ratio. A window too tall for
// the page once its width fits is scaled to the printable height instead, so nothing is cut off.
// Dot counts are rounded half to even. Nullopt when a figure is not positive or finite, or the
// picture would not fit an int.
std::optional<PicturePlacement> place_picture(int printable_width, int printable_height, int window_width,
                                              int window_height, double window_dpi, double printer_dpi);

// Hands out the printer a page goes to: the default printer, ready for a job, or null when there
// is none. Tests hand out printers that write PDF files, or none.
using PrinterSource = std::function<std::unique_ptr<QPrinter>()>;

// The default printer of the system's print service (through Qt's print support); null when no
// printer is installed or none is the default.
std::unique_ptr<QPrinter> system_default_printer();

// The job's name in the queue (and the PDF's title): the tool, the variant and the time.
QString print_job_name(const QString& device, const QDateTime& when);

// The menu entry's action: prints the main window on the printer `printers` gives. Sends nothing
// to the board and leaves the clipboard alone.
void print_form(Main& main, const PrinterSource& printers);
