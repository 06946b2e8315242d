#include "ui/widgets/selector_knob.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QtMath>

namespace {
constexpr double kStepDegrees = 36;

// Knobs with few positions spread them over half a turn, so neighbouring labels keep apart.
double step_degrees(int positions) {
    return positions > 1 ? std::max(kStepDegrees, 180.0 / (positions - 1)) : kStepDegrees;
}
}  // namespace

SelectorKnob::SelectorKnob(const QStringList& labels, QWidget* parent) : QWidget(parent), labels_(labels) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void SelectorKnob::setPosition(int position) {
    if (position < 0 || position >= positions() || position == position_) return;
    position_ = position;
    update();
}

void SelectorKnob::setLabel(int position, const QString& text) {
    if (position < 0 || position >= positions()) return;
    labels_[position] = text;
    updateGeometry();
    update();
}

double SelectorKnob::angleOf(int position) const {
    const double step = step_degrees(positions());
    return -(positions() - 1) * step / 2 + position * step;
}

double SelectorKnob::knobRadius() const { return QFontMetrics(font()).height() * 2.0; }

QSize SelectorKnob::sizeHint() const {
    QFontMetrics fm(font());
    int label_w = 0;
    for (const auto& l : labels_) label_w = std::max(label_w, fm.horizontalAdvance(l));
    double r = knobRadius();
    int side = int(2 * (r + 10 + label_w + fm.height() * 0.5)) + 8;
    int height = int(r + 10 + fm.height() * 1.5 + r * 1.1) + int(side * 0.25);
    return {side, std::max(height, int(2 * r + fm.height() * 3))};
}

void SelectorKnob::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QFontMetrics fm(font());
    double r = knobRadius();
    QPointF c(width() / 2.0, height() - r * 1.15 - 4);

    // Scale: a tick and a label at each position.
    for (int i = 0; i < positions(); ++i) {
        double a = qDegreesToRadians(angleOf(i));
        QPointF dir(qSin(a), -qCos(a));
        p.setPen(QPen(i == position_ ? QColor(180, 0, 0) : QColor(40, 40, 40), 2));
        p.drawLine(c + dir * (r + 2), c + dir * (r + 8));
        QString text = labels_[i];
        QSizeF size(fm.horizontalAdvance(text) + 4, fm.height());
        QPointF at = c + dir * (r + 10 + size.width() * 0.5 * std::abs(dir.x()) + size.height() * 0.5 * std::abs(dir.y()));
        QRectF box(at - QPointF(size.width() / 2, size.height() / 2), size);
        QFont f = font();
        f.setBold(i == position_);
        p.setFont(f);
        p.setPen(i == position_ ? QColor(150, 0, 0) : palette().windowText().color());
        p.drawText(box, Qt::AlignCenter, text);
    }

    // The knob: a fluted dark cap with a white pointer line.
    QRadialGradient g(c - QPointF(r * 0.3, r * 0.3), r * 1.4);
    g.setColorAt(0, QColor(110, 110, 115));
    g.setColorAt(1, QColor(20, 20, 24));
    p.setPen(QPen(QColor(10, 10, 10), 1));
    p.setBrush(g);
    p.drawEllipse(c, r, r);
    p.setBrush(QColor(55, 55, 60));
    p.drawEllipse(c, r * 0.7, r * 0.7);
    double a = qDegreesToRadians(angleOf(position_));
    QPointF dir(qSin(a), -qCos(a));
    p.setPen(QPen(Qt::white, std::max(2.0, r / 8), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + dir * (r * 0.25), c + dir * (r * 0.92));
    if (hasFocus()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
        p.drawEllipse(c, r + 1.5, r + 1.5);
    }
}

int SelectorKnob::positionAt(const QPointF& point) const {
    double r = knobRadius();
    QPointF c(width() / 2.0, height() - r * 1.15 - 4);
    QPointF d = point - c;
    if (qFuzzyIsNull(d.x()) && qFuzzyIsNull(d.y())) return position_;
    double angle = qRadiansToDegrees(std::atan2(d.x(), -d.y()));
    int best = 0;
    for (int i = 1; i < positions(); ++i)
        if (std::abs(angleOf(i) - angle) < std::abs(angleOf(best) - angle)) best = i;
    return best;
}

void SelectorKnob::turnTo(int position) {
    position = std::clamp(position, 0, positions() - 1);
    if (position == position_) return;
    position_ = position;
    update();
    emit positionChanged(position_);
}

void SelectorKnob::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) turnTo(positionAt(event->position()));
}

void SelectorKnob::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) turnTo(positionAt(event->position()));
}

void SelectorKnob::wheelEvent(QWheelEvent* event) {
    turnTo(position_ + (event->angleDelta().y() > 0 ? 1 : -1));
    event->accept();
}

void SelectorKnob::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down: turnTo(position_ - 1); break;
    case Qt::Key_Right:
    case Qt::Key_Up: turnTo(position_ + 1); break;
    case Qt::Key_Home: turnTo(0); break;
    case Qt::Key_End: turnTo(positions() - 1); break;
    default: QWidget::keyPressEvent(event);
    }
}
