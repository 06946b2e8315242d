#pragma once
// One engineering plot: a QCustomPlot with a legend and axis titles with their units, a readout of
// the point under the cursor (the mouse, or the arrow keys once the plot has the focus), and
// exports of what it shows as PNG, PDF and CSV. The plot carries an accessible name and a
// description of its key figures in words, so a screen reader tells what a sighted user reads off
// the curves.
#include <QString>
#include <QWidget>
#include <vector>

class QCustomPlot;
class QLabel;
class QPushButton;

class PlotPanel : public QWidget {
    Q_OBJECT
public:
    struct Curve {
        QString name;  // the legend's entry and the CSV column, with its unit
        std::vector<double> x, y;
        bool right_axis = false;  // against the right-hand axis (a second quantity)
        bool dashed = false;
    };
    // A vertical or horizontal line with its label: a crossover, a tolerance band.
    struct Marker {
        QString label;
        double value = 0;
        bool vertical = true;
        bool right_axis = false;
    };

    // `name` is the object name; the buttons are `name` + "Png", "Pdf", "Csv".
    PlotPanel(const char* name, const QString& title, const QString& x_title, const QString& y_title,
              bool log_x, Qt::Alignment legend_corner = Qt::AlignTop | Qt::AlignRight, QWidget* parent = nullptr);

    // Replaces what the plot shows. The x values of every curve are those of the first curve's
    // quantity (offsets, frequencies or times); `y2_title` names the right-hand axis if any curve
    // uses it.
    void show_curves(std::vector<Curve> curves, std::vector<Marker> markers, const QString& y2_title = {});
    // The key figures in words, for assistive technology and the tooltip.
    void describe(const QString& description);

    // The CSV of the curves: a header row of the names, then one row a point of the first curve,
    // each curve's value at that x (curves of other x values take their nearest point).
    QString csv() const;
    // Exports, written whole or not at all; empty on success, else the cause.
    QString save_png(const QString& path) const;
    QString save_pdf(const QString& path) const;
    QString save_csv(const QString& path) const;

    QCustomPlot* plot() const { return plot_; }
    QString title() const { return title_; }
    QString readout() const;

signals:
    // An export button was pressed: the window asks for the file and calls the matching save.
    void export_asked(const QString& format);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void point_at(int index);
    void follow_mouse(double x);

    QString title_, x_title_;
    QCustomPlot* plot_;
    QLabel* readout_;
    std::vector<Curve> curves_;
    int cursor_ = -1;  // index into the first curve under the cursor
};
