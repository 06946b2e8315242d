#include "ui/main/logo.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

QPixmap make_logo(int height) {
    const int width = height * 3;
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient bg(0, 0, 0, height);
    bg.setColorAt(0, QColor(24, 44, 92));
    bg.setColorAt(1, QColor(10, 20, 48));
    p.setBrush(bg);
    p.setPen(QPen(QColor(200, 200, 210), 2));
    p.drawRoundedRect(QRectF(1, 1, width - 2, height - 2), height * 0.12, height * 0.12);

    // A sine wave locking onto its reference: the loop's output.
    QPainterPath wave;
    const double mid = height * 0.72, amp = height * 0.12;
    for (int x = int(width * 0.06); x <= int(width * 0.94); ++x) {
        double t = (x - width * 0.06) / (width * 0.88);
        double y = mid - amp * std::exp(-2.0 * t) * qSin(t * 22) - amp * 0.2 * qSin(t * 22);
        if (wave.isEmpty()) wave.moveTo(x, y);
        else wave.lineTo(x, y);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 190, 60), std::max(1.5, height / 40.0)));
    p.drawPath(wave);

    QFont f("DejaVu Sans");
    f.setBold(true);
    f.setPixelSize(int(height * 0.34));
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, height * 0.08, width, height * 0.42), Qt::AlignCenter, "KSY7100");
    f.setBold(false);
    f.setPixelSize(int(height * 0.12));
    p.setFont(f);
    p.setPen(QColor(190, 205, 235));
    p.drawText(QRectF(0, height * 0.46, width, height * 0.14), Qt::AlignCenter, "PLL SYNTHESIZER EVALUATION");
    return pixmap;
}
