#include "ui/widgets/click_label.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

#include "ui/widgets/click_label_accessible.h"

ClickLabel::ClickLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    static const bool accessible = (QAccessible::installFactory(click_label_accessible), true);
    (void)accessible;
}

void ClickLabel::setPress(Press press) {
    press_ = press;
    setFocusPolicy(press == Press::None ? Qt::NoFocus : Qt::StrongFocus);
    update();
}

void ClickLabel::activate() {
    if (press_ == Press::Click) emit clicked();
    if (press_ == Press::DoubleClick) emit doubleClicked();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void ClickLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit doubleClicked();
    QLabel::mouseDoubleClickEvent(event);
}

void ClickLabel::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (press_ != Press::None && plain) {
        switch (event->key()) {
        case Qt::Key_Enter:
        case Qt::Key_Return:
            if (!event->isAutoRepeat()) activate();
            return event->accept();
        case Qt::Key_Space:
            if (!event->isAutoRepeat()) space_down_ = true;
            return event->accept();
        default: break;
        }
    }
    QLabel::keyPressEvent(event);
}

void ClickLabel::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && space_down_) {
        space_down_ = false;
        event->accept();
        return activate();
    }
    QLabel::keyReleaseEvent(event);
}

void ClickLabel::focusOutEvent(QFocusEvent* event) {
    space_down_ = false;  // a Space pressed here and released elsewhere does nothing
    QLabel::focusOutEvent(event);
}

void ClickLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    // QLabel tells assistive technology of a new text only while the label has no name of its
    // own; a named one says it here, where every new text is drawn.
    if (text() != announced_) {
        announced_ = text();
        if (!accessibleName().isEmpty() && QAccessible::isActive()) {
            QAccessibleValueChangeEvent value(this, announced_);
            QAccessible::updateAccessibility(&value);
            QAccessibleEvent description(this, QAccessible::DescriptionChanged);
            QAccessible::updateAccessibility(&description);
        }
    }
    if (press_ == Press::None || !hasFocus()) return;
    // The frame goes round the picture, or inside the label's own frame round the text.
    QRect around = contentsRect();
    const QPixmap picture = pixmap();
    if (!picture.isNull())
        around = QStyle::alignedRect(layoutDirection(), alignment(), picture.deviceIndependentSize().toSize(),
                                     contentsRect()).adjusted(-2, -2, 2, 2);
    around = around.intersected(rect().adjusted(1, 1, -1, -1));
    QPainter p(this);
    p.setPen(QPen(palette().highlight().color(), 2, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(around).adjusted(1, 1, -1, -1));
}
