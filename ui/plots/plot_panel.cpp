#include "ui/plots/plot_panel.h"

#include <qcustomplot.h>

#include <QBuffer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPdfWriter>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

// Colours that stay apart for most forms of colour blindness (the Okabe-Ito set).
const QColor kCurveColours[] = {QColor(0, 114, 178), QColor(213, 94, 0), QColor(0, 158, 115),
                                QColor(204, 121, 167), QColor(86, 180, 233), QColor(230, 159, 0),
                                QColor(0, 0, 0)};

QString number(double v) { return QString::number(v, 'g', 6); }

// The index of the point of `xs` nearest to x (xs ascending).
int nearest(const std::vector<double>& xs, double x) {
    if (xs.empty()) return -1;
    const auto it = std::lower_bound(xs.begin(), xs.end(), x);
    if (it == xs.begin()) return 0;
    if (it == xs.end()) return int(xs.size()) - 1;
    const int i = int(it - xs.begin());
    return std::abs(xs[size_t(i)] - x) < std::abs(xs[size_t(i - 1)] - x) ? i : i - 1;
}

QString write_whole(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return file.errorString();
    }
    if (!file.commit()) return file.errorString();
    return {};
}

}  // namespace

PlotPanel::PlotPanel(const char* name, const QString& title, const QString& x_title, const QString& y_title,
                     bool log_x, Qt::Alignment legend_corner, QWidget* parent)
    : QWidget(parent), title_(title), x_title_(x_title), plot_(new QCustomPlot), readout_(new QLabel) {
    setObjectName(name);
    plot_->setObjectName(QString(name) + "Plot");
    plot_->setAccessibleName(title);
    plot_->setFocusPolicy(Qt::StrongFocus);
    plot_->setMinimumSize(360, 220);
    plot_->plotLayout()->insertRow(0);
    plot_->plotLayout()->addElement(0, 0, new QCPTextElement(plot_, title, QFont(font().family(), font().pointSize(), QFont::Bold)));
    plot_->xAxis->setLabel(x_title);
    plot_->yAxis->setLabel(y_title);
    if (log_x) {
        plot_->xAxis->setScaleType(QCPAxis::stLogarithmic);
        plot_->xAxis->setTicker(QSharedPointer<QCPAxisTickerLog>(new QCPAxisTickerLog));
        plot_->xAxis->setNumberFormat("eb");
        plot_->xAxis->setNumberPrecision(0);
    }
    plot_->legend->setVisible(true);
    plot_->axisRect()->insetLayout()->setInsetAlignment(0, legend_corner);
    plot_->legend->setFont(QFont(font().family(), std::max(7, font().pointSize() - 1)));
    plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot_->installEventFilter(this);
    plot_->setMouseTracking(true);

    readout_->setObjectName(QString(name) + "Readout");
    readout_->setAccessibleName(title + " cursor");
    readout_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    readout_->setText("Move the mouse over the plot, or give it the focus and use the arrow keys.");
    readout_->setWordWrap(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(readout_, 1);
    for (const auto& [format, caption] : {std::pair("Png", "PNG..."), std::pair("Pdf", "PDF..."), std::pair("Csv", "CSV...")}) {
        auto* b = new QPushButton(caption);
        b->setObjectName(QString(name) + format);
        b->setAccessibleName("Export " + title + " as " + QString(format).toUpper());
        connect(b, &QPushButton::clicked, this, [this, f = QString(format)] { emit export_asked(f.toLower()); });
        buttons->addWidget(b);
    }
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(plot_, 1);
    column->addLayout(buttons);
}

void PlotPanel::show_curves(std::vector<Curve> curves, std::vector<Marker> markers, const QString& y2_title) {
    curves_ = std::move(curves);
    plot_->clearGraphs();
    plot_->clearItems();
    const bool right = std::any_of(curves_.begin(), curves_.end(), [](const Curve& c) { return c.right_axis; });
    plot_->yAxis2->setVisible(right);
    plot_->yAxis2->setLabel(y2_title);
    size_t colour = 0;
    for (const Curve& c : curves_) {
        QCPGraph* g = plot_->addGraph(plot_->xAxis, c.right_axis ? plot_->yAxis2 : plot_->yAxis);
        g->setName(c.name);
        QPen pen(kCurveColours[colour++ % std::size(kCurveColours)], 2);
        if (c.dashed) pen.setStyle(Qt::DashLine);
        g->setPen(pen);
        g->setData(QVector<double>(c.x.begin(), c.x.end()), QVector<double>(c.y.begin(), c.y.end()), true);
    }
    plot_->rescaleAxes();
    // A little room above and below the curves, so none runs along the frame.
    for (QCPAxis* axis : {plot_->yAxis, plot_->yAxis2}) {
        const QCPRange r = axis->range();
        const double pad = r.size() > 0 ? r.size() * 0.06 : 1;
        axis->setRange(r.lower - pad, r.upper + pad);
    }
    for (const Marker& m : markers) {
        auto* line = new QCPItemStraightLine(plot_);
        QCPAxis* value_axis = m.right_axis ? plot_->yAxis2 : plot_->yAxis;
        line->point1->setAxes(plot_->xAxis, value_axis);
        line->point2->setAxes(plot_->xAxis, value_axis);
        if (m.vertical) {
            line->point1->setCoords(m.value, 0);
            line->point2->setCoords(m.value, 1);
        } else {
            line->point1->setCoords(plot_->xAxis->range().lower, m.value);
            line->point2->setCoords(plot_->xAxis->range().upper, m.value);
        }
        line->setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DashLine));
        auto* text = new QCPItemText(plot_);
        text->position->setAxes(plot_->xAxis, value_axis);
        text->position->setCoords(m.vertical ? m.value : plot_->xAxis->range().lower, m.vertical ? value_axis->range().upper : m.value);
        // A label in the right half of the plot stands to the left of its line, so it stays inside.
        const QCPRange x = plot_->xAxis->range();
        const double middle = plot_->xAxis->scaleType() == QCPAxis::stLogarithmic && x.lower > 0
                                  ? std::sqrt(x.lower * x.upper) : (x.lower + x.upper) / 2;
        const Qt::Alignment side = m.vertical && m.value > middle ? Qt::AlignRight : Qt::AlignLeft;
        text->setPositionAlignment(m.vertical ? (Qt::AlignTop | side) : (Qt::AlignBottom | Qt::AlignLeft));
        text->setText(m.label);
        text->setColor(palette().color(QPalette::WindowText));
    }
    cursor_ = -1;
    plot_->replot();
}

void PlotPanel::describe(const QString& description) {
    plot_->setAccessibleDescription(description);
    plot_->setToolTip(description);
}

QString PlotPanel::readout() const { return readout_->text(); }

void PlotPanel::point_at(int index) {
    if (curves_.empty() || curves_[0].x.empty()) return;
    cursor_ = std::clamp(index, 0, int(curves_[0].x.size()) - 1);
    const double x = curves_[0].x[size_t(cursor_)];
    QString text = x_title_ + " " + number(x);
    for (const Curve& c : curves_) {
        const int i = c.x == curves_[0].x ? cursor_ : nearest(c.x, x);
        if (i >= 0) text += ";  " + c.name + " " + number(c.y[size_t(i)]);
    }
    readout_->setText(text);
}

void PlotPanel::follow_mouse(double x) {
    if (!curves_.empty()) point_at(nearest(curves_[0].x, x));
}

bool PlotPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == plot_ && event->type() == QEvent::MouseMove) {
        follow_mouse(plot_->xAxis->pixelToCoord(static_cast<QMouseEvent*>(event)->position().x()));
    } else if (watched == plot_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const int n = curves_.empty() ? 0 : int(curves_[0].x.size());
        const int big = std::max(1, n / 20);
        const int step = key == Qt::Key_Left ? -1 : key == Qt::Key_Right ? 1 : key == Qt::Key_PageDown ? -big
                         : key == Qt::Key_PageUp ? big : 0;
        if (step != 0 || key == Qt::Key_Home || key == Qt::Key_End) {
            point_at(key == Qt::Key_Home ? 0 : key == Qt::Key_End ? n - 1 : (cursor_ < 0 ? 0 : cursor_ + step));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QString PlotPanel::csv() const {
    if (curves_.empty()) return {};
    QString text = "\"" + x_title_ + "\"";
    for (const Curve& c : curves_) text += ",\"" + c.name + "\"";
    text += "\n";
    const Curve& first = curves_[0];
    for (size_t k = 0; k < first.x.size(); ++k) {
        text += QString::number(first.x[k], 'g', 10);
        for (const Curve& c : curves_) {
            const int i = c.x == first.x ? int(k) : nearest(c.x, first.x[k]);
            text += "," + (i >= 0 ? QString::number(c.y[size_t(i)], 'g', 10) : QString());
        }
        text += "\n";
    }
    return text;
}

QString PlotPanel::save_csv(const QString& path) const { return write_whole(path, csv().toUtf8()); }

QString PlotPanel::save_png(const QString& path) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!plot_->toPixmap(plot_->width(), plot_->height(), 2.0).save(&buffer, "PNG")) return "the picture could not be made";
    return write_whole(path, bytes);
}

QString PlotPanel::save_pdf(const QString& path) const {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setTitle(title_);
        pdf.setPageSize(QPageSize(QSizeF(plot_->width(), plot_->height()), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setResolution(72);
        QCPPainter painter(&pdf);
        plot_->toPainter(&painter, plot_->width(), plot_->height());
    }  // the writer finishes the document here
    if (bytes.isEmpty()) return "the document could not be made";
    return write_whole(path, bytes);
}
