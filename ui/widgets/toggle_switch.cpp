#include "ui/widgets/toggle_switch.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "ui/widgets/toggle_switch_accessible.h"

ToggleSwitch::ToggleSwitch(const QString& off_caption, const QString& on_caption, QWidget* parent, Style style)
    : QAbstractButton(parent), off_(off_caption), on_(on_caption), style_(style) {
    static const bool accessible = (QAccessible::installFactory(toggle_switch_accessible), true);
    (void)accessible;
    setCheckable(true);
    setBackgroundRole(QPalette::Window);
    setForegroundRole(QPalette::WindowText);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setText(caption());
    connect(this, &QAbstractButton::toggled, this, [this] {
        setText(caption());
        update();
        // The button itself says the checked state changed; the switch adds its caption.
        if (QAccessible::isActive()) {
            QAccessibleValueChangeEvent value(this, caption());
            QAccessible::updateAccessibility(&value);
            QAccessibleEvent description(this, QAccessible::DescriptionChanged);
            QAccessible::updateAccessibility(&description);
        }
    });
}

void ToggleSwitch::setCaptions(const QString& off_caption, const QString& on_caption) {
    off_ = off_caption;
    on_ = on_caption;
    setText(caption());
    updateGeometry();
    update();
}

void ToggleSwitch::setFixed(bool fixed) {
    fixed_ = fixed;
    setCheckable(!fixed);  // a fixed digit never changes, not even by a programmatic click
    setFocusPolicy(fixed ? Qt::NoFocus : Qt::StrongFocus);
    setCursor(fixed ? Qt::ArrowCursor : Qt::PointingHandCursor);
    update();
}

QSize ToggleSwitch::sizeHint() const {
    QFontMetrics fm(font());
    int h = fm.height();
    if (style_ == Style::Bit) {
        int w = std::max(fm.horizontalAdvance(QStringLiteral("0")) * 2, h);
        return {w + 4, h + int(h * 1.6) + 6};
    }
    int text_w = std::max(fm.horizontalAdvance(off_), fm.horizontalAdvance(on_));
    int lever_h = std::max(int(h * 2.0), 24);
    int lever_w = int(lever_h * 0.55);
    return {lever_w + int(lever_w * 0.8) + 4 + text_w + 4, lever_h + 4};
}

QRect ToggleSwitch::leverRect() const {
    QFontMetrics fm(font());
    if (style_ == Style::Bit) {
        int top = fm.height() + 4;
        int h = height() - top - 2;
        int w = std::max(8, std::min(width() - 6, int(h * 0.55)));
        return {(width() - w) / 2, top, w, h};
    }
    int h = height() - 4;
    int w = int(h * 0.55);
    return {2, 2, w, h};
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool on = isChecked() && !fixed_;
    const QRectF slot = leverRect();
    const qreal w = slot.width();

    // The plate with its slot, a lever from the pivot to a chrome ball at the top (on) or the
    // bottom (off), and a lamp that lights when the switch is on.
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(fixed_ ? QColor(200, 200, 200) : QColor(222, 222, 222));
    p.drawRoundedRect(slot, w * 0.3, w * 0.3);
    if (!fixed_) {
        QRectF groove(slot.center().x() - w * 0.12, slot.top() + w * 0.35, w * 0.24, slot.height() - w * 0.7);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(50, 50, 55));
        p.drawRoundedRect(groove, w * 0.12, w * 0.12);
        const qreal ball = w * 0.34;
        QPointF pivot = slot.center();
        QPointF tip(pivot.x(), on ? slot.top() + ball + 1 : slot.bottom() - ball - 1);
        p.setPen(QPen(QColor(120, 120, 125), w * 0.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(pivot, tip);
        QRadialGradient g(tip - QPointF(ball * 0.35, ball * 0.35), ball * 1.3);
        g.setColorAt(0, Qt::white);
        g.setColorAt(1, QColor(120, 120, 128));
        p.setPen(QPen(QColor(50, 50, 50), 1));
        p.setBrush(g);
        p.drawEllipse(tip, ball, ball);
        if (style_ == Style::Captioned) {
            QPointF lamp(slot.right() + w * 0.45, slot.center().y());
            p.setBrush(on ? QColor(40, 210, 60) : QColor(70, 90, 70));
            p.setPen(QPen(QColor(30, 30, 30), 1));
            p.drawEllipse(lamp, w * 0.2, w * 0.2);
        }
        if (hasFocus()) {
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(palette().highlight().color(), 2));  // as plain as the knob's and the labels' frames
            p.drawRoundedRect(slot.adjusted(-1.5, -1.5, 1.5, 1.5), w * 0.3, w * 0.3);
        }
    }

    p.setPen(palette().color(foregroundRole()));
    if (style_ == Style::Bit) {
        QFont f = font();
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRect(0, 0, width(), QFontMetrics(font()).height() + 2), Qt::AlignCenter, caption());
    } else {
        int left = int(slot.right() + w * 0.8 + 4);
        p.drawText(QRect(left, 0, width() - left, height()), Qt::AlignVCenter | Qt::AlignLeft, caption());
    }
}

void ToggleSwitch::mousePressEvent(QMouseEvent* event) {
    if (fixed_) {
        event->accept();
        return;
    }
    QAbstractButton::mousePressEvent(event);
}

void ToggleSwitch::mouseReleaseEvent(QMouseEvent* event) {
    if (fixed_) {
        event->accept();
        return;
    }
    QAbstractButton::mouseReleaseEvent(event);
}

void ToggleSwitch::keyPressEvent(QKeyEvent* event) {
    if (fixed_) {
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}
