#pragma once
// Puts a window's controls in its Tab chain in the order given (the order the eye reads them),
// whatever order they were created in.
#include <QList>
#include <QWidget>

inline void set_tab_order(const QList<QWidget*>& controls) {
    QWidget* previous = nullptr;
    for (QWidget* w : controls) {
        if (previous) QWidget::setTabOrder(previous, w);
        previous = w;
    }
}
