#include "ui/widgets/selector_knob.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QtMath>

#include "ui/widgets/selector_knob_accessible.h"
#include "ui/widgets/tool_colours.h"

namespace {
constexpr double kStepDegrees = 40;

// Knobs with few positions spread them over half a turn, so neighbouring labels keep apart.
double step_degrees(int positions) {
    return positions > 1 ? std::max(kStepDegrees, 180.0 / (positions - 1)) : kStepDegrees;
}
}  // namespace

SelectorKnob::SelectorKnob(const QStringList& labels, QWidget* parent) : QWidget(parent), labels_(labels) {
    static const bool accessible = (QAccessible::installFactory(selector_knob_accessible), true);
    (void)accessible;
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void SelectorKnob::setPosition(int position) {
    if (position < 0 || position >= positions() || position == position_) return;
    position_ = position;
    update();
    announce();
}

void SelectorKnob::setLabel(int position, const QString& text) {
    if (position < 0 || position >= positions()) return;
    labels_[position] = text;
    updateGeometry();
    update();
    if (position == position_) announce();
}

QString SelectorKnob::valueText() const {
    const QString text = label(position_);
    return unit_.isEmpty() ? text : text + ' ' + unit_;
}

QRect SelectorKnob::labelRect(int position) const {
    if (position < 0 || position >= positions()) return {};
    return labelBox(position, centre()).toAlignedRect();
}

QColor SelectorKnob::labelColour(int position) const {
    // The labels lie on the panel behind the knob.
    return position == position_ ? tool_colours::alert_text(palette().color(QPalette::Window))
                                 : palette().color(QPalette::WindowText);
}

// Tells assistive technology the new value, and the description that carries its label.
void SelectorKnob::announce() {
    if (!QAccessible::isActive()) return;
    QAccessibleValueChangeEvent value(this, position_);
    QAccessible::updateAccessibility(&value);
    QAccessibleEvent description(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&description);
}

double SelectorKnob::angleOf(int position) const {
    const double step = step_degrees(positions());
    return -(positions() - 1) * step / 2 + position * step;
}

double SelectorKnob::knobRadius() const { return QFontMetrics(font()).height() * 1.7; }

// The knob with its ring of labels, relative to the knob's centre.
QRectF SelectorKnob::extent() const {
    double r = knobRadius();
    QRectF box(-r - 8, -r - 8, 2 * r + 16, 2 * r + 16);
    for (int i = 0; i < positions(); ++i) box = box.united(labelBox(i, QPointF(0, 0)));
    return box;
}

QRectF SelectorKnob::labelBox(int i, const QPointF& centre) const {
    QFontMetrics fm(font());
    double a = qDegreesToRadians(angleOf(i));
    QPointF dir(qSin(a), -qCos(a));
    QSizeF size(fm.horizontalAdvance(labels_[i]) + 6, fm.height());
    QPointF at = centre + dir * (knobRadius() + 12 + size.width() * 0.5 * std::abs(dir.x()) +
                                 size.height() * 0.5 * std::abs(dir.y()));
    return QRectF(at - QPointF(size.width() / 2, size.height() / 2), size);
}

QPointF SelectorKnob::centre() const {
    QRectF e = extent();
    return QPointF(width() / 2.0 - e.center().x(), height() / 2.0 - e.center().y());
}

QSize SelectorKnob::sizeHint() const {
    QRectF e = extent();
    return {int(std::ceil(e.width())) + 8, int(std::ceil(e.height())) + 8};
}

void SelectorKnob::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    double r = knobRadius();
    QPointF c = centre();

    // Scale: a tick and a label at each position.
    for (int i = 0; i < positions(); ++i) {
        double a = qDegreesToRadians(angleOf(i));
        QPointF dir(qSin(a), -qCos(a));
        p.setPen(QPen(labelColour(i), 2));
        p.drawLine(c + dir * (r + 2), c + dir * (r + 8));
        QRectF box = labelBox(i, c);
        QFont f = font();
        f.setBold(i == position_);
        p.setFont(f);
        p.drawText(box, Qt::AlignCenter, labels_[i]);
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
        // A solid ring in the highlight colour: a dotted one is lost against the dark cap.
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(palette().highlight().color(), 2));
        p.drawEllipse(c, r + 2, r + 2);
    }
}

int SelectorKnob::positionAt(const QPointF& point) const {
    QPointF c = centre();
    QPointF d = point - c;
    if (qFuzzyIsNull(d.x()) && qFuzzyIsNull(d.y())) return position_;
    double angle = qRadiansToDegrees(std::atan2(d.x(), -d.y()));
    int best = 0;
    for (int i = 1; i < positions(); ++i)
        if (std::abs(angleOf(i) - angle) < std::abs(angleOf(best) - angle)) best = i;
    return best;
}

void SelectorKnob::turnTo(int position) {
    if (positions() == 0) return;
    position = std::clamp(position, 0, positions() - 1);
    if (position == position_) return;
    position_ = position;
    update();
    announce();
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
