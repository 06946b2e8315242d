#pragma once
// Puts a window's controls in its Tab chain in the order given (the order the eye reads them),
// whatever order they were created in, and gives the first one the focus the window opens with.
//
// The chain is a ring: ordering it says what follows what, not where the window starts, so the
// first control is also given the focus explicitly (a dialog would otherwise open on whatever
// was created first, such as its OK button).
#include <QList>
#include <QWidget>

inline void set_tab_order(const QList<QWidget*>& controls) {
    QWidget* previous = nullptr;
    for (QWidget* w : controls) {
        if (previous) QWidget::setTabOrder(previous, w);
        previous = w;
    }
    if (!controls.isEmpty()) controls.front()->setFocus(Qt::TabFocusReason);
}
