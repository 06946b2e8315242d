#pragma once
// A rotary selector knob with numbered positions (from 0) and a text label drawn at each
// position. The user turns it by clicking at a label, dragging, the wheel or the arrow keys;
// positionChanged is raised for those turns only, not for setPosition.
#include <QStringList>
#include <QWidget>

class SelectorKnob : public QWidget {
    Q_OBJECT
public:
    SelectorKnob(const QStringList& labels, QWidget* parent = nullptr);

    int positions() const { return int(labels_.size()); }
    int position() const { return position_; }
    void setPosition(int position);  // positions outside the knob's range are ignored

    QString label(int position) const { return labels_.value(position); }
    void setLabel(int position, const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void positionChanged(int position);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    double angleOf(int position) const;  // degrees clockwise from straight up
    int positionAt(const QPointF& point) const;
    void turnTo(int position);
    double knobRadius() const;
    QRectF extent() const;
    QRectF labelBox(int position, const QPointF& centre) const;
    QPointF centre() const;

    QStringList labels_;
    int position_ = 0;
};
