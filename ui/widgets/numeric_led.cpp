#include "ui/widgets/numeric_led.h"

#include <QAccessible>
#include <QPainter>
#include <QPainterPath>

#include "ui/widgets/numeric_led_accessible.h"
#include "ui/widgets/tool_colours.h"

namespace {

// Segments a..g, as bits 0..6, for the characters an LED can show.
int segments_of(QChar c) {
    switch (c.toLatin1()) {
    case '0': return 0x3F;
    case '1': return 0x06;
    case '2': return 0x5B;
    case '3': return 0x4F;
    case '4': return 0x66;
    case '5': return 0x6D;
    case '6': return 0x7D;
    case '7': return 0x07;
    case '8': return 0x7F;
    case '9': return 0x6F;
    case '-': return 0x40;
    default: return 0;
    }
}

struct Cell {
    int segments = 0;
    bool point = false;
};

// Splits the text into digit cells; a point belongs to the cell before it.
QList<Cell> cells_of(const QString& text) {
    QList<Cell> cells;
    for (QChar c : text) {
        if (c == '.') {
            if (cells.isEmpty() || cells.back().point) cells.push_back({});
            cells.back().point = true;
        } else {
            cells.push_back({segments_of(c), false});
        }
    }
    return cells;
}

void draw_cell(QPainter& p, const QRectF& r, const Cell& cell, const QColor& lit, const QColor& dark) {
    const double w = r.width() * 0.72, h = r.height(), t = w * 0.18;
    const double x0 = r.left() + r.width() * 0.08 + t * 0.4, y0 = r.top();
    const double skew = 0.08;  // a slight italic, as on real readouts
    auto pt = [&](double x, double y) { return QPointF(x0 + x + (h - y) * skew, y0 + y); };
    auto horizontal = [&](double y) {
        QPainterPath s;
        s.moveTo(pt(t * 0.6, y));
        s.lineTo(pt(t * 1.1, y - t / 2));
        s.lineTo(pt(w - t * 1.1, y - t / 2));
        s.lineTo(pt(w - t * 0.6, y));
        s.lineTo(pt(w - t * 1.1, y + t / 2));
        s.lineTo(pt(t * 1.1, y + t / 2));
        s.closeSubpath();
        return s;
    };
    auto vertical = [&](double x, double ya, double yb) {
        QPainterPath s;
        s.moveTo(pt(x, ya + t * 0.6));
        s.lineTo(pt(x + t / 2, ya + t * 1.1));
        s.lineTo(pt(x + t / 2, yb - t * 1.1));
        s.lineTo(pt(x, yb - t * 0.6));
        s.lineTo(pt(x - t / 2, yb - t * 1.1));
        s.lineTo(pt(x - t / 2, ya + t * 1.1));
        s.closeSubpath();
        return s;
    };
    const double top = t / 2, mid = h / 2, bottom = h - t / 2;
    const QPainterPath seg[7] = {
        horizontal(top), vertical(w - t / 2, top, mid), vertical(w - t / 2, mid, bottom),
        horizontal(bottom), vertical(t / 2, mid, bottom), vertical(t / 2, top, mid), horizontal(mid),
    };
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 7; ++i) {
        p.setBrush((cell.segments >> i) & 1 ? lit : dark);
        p.drawPath(seg[i]);
    }
    p.setBrush(cell.point ? lit : dark);
    p.drawEllipse(pt(w + t * 0.9, bottom), t * 0.6, t * 0.6);
}

}  // namespace

NumericLed::NumericLed(QWidget* parent, int digits) : QWidget(parent), digits_(digits) {
    static const bool accessible = (QAccessible::installFactory(numeric_led_accessible), true);
    (void)accessible;
    setAttribute(Qt::WA_OpaquePaintEvent);
    tool_colours::fill(this, tool_colours::led());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void NumericLed::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    update();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent value(this, text_);
        QAccessible::updateAccessibility(&value);
        QAccessibleEvent description(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&description);
    }
}

QSize NumericLed::sizeHint() const {
    int h = int(QFontMetrics(font()).height() * 2.6);
    return {int(digits_ * h * 0.66) + 12, h + 10};
}

void NumericLed::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().color(backgroundRole()));
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.drawRect(rect().adjusted(0, 0, -1, -1));

    QList<Cell> cells = cells_of(text_);
    int count = std::max(digits_, int(cells.size()));
    while (cells.size() < count) cells.push_front({});  // right-aligned
    QRectF area = QRectF(rect()).adjusted(6, 5, -6, -5);
    double cell_w = area.width() / count;
    for (int i = 0; i < count; ++i)
        draw_cell(p, QRectF(area.left() + i * cell_w, area.top(), cell_w, area.height()), cells[i],
                  palette().color(foregroundRole()), QColor(48, 20, 18));
}
