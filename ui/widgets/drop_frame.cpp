#include "ui/widgets/drop_frame.h"

#include <QDragEnterEvent>
#include <QDropEvent>

DropFrame::DropFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent) { setAcceptDrops(true); }

void DropFrame::dragEnterEvent(QDragEnterEvent* event) { event->acceptProposedAction(); }

void DropFrame::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    emit dropped();  // whatever was dropped: the action ignores it
}
