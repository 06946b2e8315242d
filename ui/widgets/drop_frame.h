#pragma once
// A captioned group that runs an action when something is dragged and dropped onto it.
#include <QGroupBox>

class DropFrame : public QGroupBox {
    Q_OBJECT
public:
    explicit DropFrame(const QString& title = {}, QWidget* parent = nullptr);

signals:
    void dropped();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
