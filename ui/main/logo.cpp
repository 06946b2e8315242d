#include "ui/main/logo.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <algorithm>

namespace {

// A line of text centred in `box`, at most `pixels` high and shrunk to fit its width. Drawn as
// outlines, so that the icon's SVG looks the same without the font installed; text too small to
// read is left out rather than smeared into a grey line.
void centred_text(QPainter& p, const QRectF& box, const QString& text, double pixels, bool bold) {
    QFont f("DejaVu Sans");
    f.setBold(bold);
    f.setPixelSize(std::max(1, int(pixels)));
    const double advance = QFontMetricsF(f).horizontalAdvance(text);
    if (advance > box.width() * 0.92) pixels *= box.width() * 0.92 / advance;
    if (pixels < 5) return;
    f.setPixelSize(int(pixels));
    const QFontMetricsF metrics(f);
    const double x = box.left() + (box.width() - metrics.horizontalAdvance(text)) / 2;
    const double baseline = box.top() + (box.height() - metrics.height()) / 2 + metrics.ascent();
    QPainterPath outline;
    outline.addText(x, baseline, f, text);
    p.fillPath(outline, p.pen().color());
}

}  // namespace

void paint_logo(QPainter& p, QSizeF size) {
    const double width = size.width(), height = size.height();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient bg(0, 0, 0, height);
    bg.setColorAt(0, QColor(24, 44, 92));
    bg.setColorAt(1, QColor(10, 20, 48));
    p.setBrush(bg);
    p.setPen(QPen(QColor(200, 200, 210), 2));
    const double corner = std::min(width, height) * 0.12;
    p.drawRoundedRect(QRectF(1, 1, width - 2, height - 2), corner, corner);

    // A sine wave locking onto its reference: the loop's output. A fixed number of points, so the
    // vector form of the icon is as smooth as the largest bitmap.
    QPainterPath wave;
    const double mid = height * 0.72, amp = height * 0.12;
    const double left = width * 0.06, span = width * 0.88;
    constexpr int kPoints = 400;
    for (int i = 0; i <= kPoints; ++i) {
        const double t = double(i) / kPoints;
        const QPointF point(left + t * span, mid - amp * std::exp(-2.0 * t) * qSin(t * 22) - amp * 0.2 * qSin(t * 22));
        if (i == 0) wave.moveTo(point);
        else wave.lineTo(point);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 190, 60), std::max(1.5, height / 40.0)));
    p.drawPath(wave);

    p.setPen(Qt::white);
    centred_text(p, QRectF(0, height * 0.08, width, height * 0.42), "KSY7100", height * 0.34, true);
    p.setPen(QColor(190, 205, 235));
    centred_text(p, QRectF(0, height * 0.46, width, height * 0.14), "PLL SYNTHESIZER EVALUATION", height * 0.12, false);
    p.restore();
}

QPixmap make_logo(int height, qreal device_pixel_ratio) {
    const QSize logical(height * 3, height);
    QPixmap pixmap(logical * device_pixel_ratio);
    pixmap.setDevicePixelRatio(device_pixel_ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    paint_logo(p, logical);
    return pixmap;
}
