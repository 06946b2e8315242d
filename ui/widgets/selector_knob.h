#pragma once
// A rotary selector knob with numbered positions (from 0) and a text label drawn at each
// position. The user turns it by clicking at a label, dragging, the wheel, the keyboard (arrows,
// Home, End) or assistive technology; positionChanged is raised for those turns only, not for
// setPosition.
//
// Assistive technology sees a slider named by the knob's accessible name, whose value is the
// position and whose value text and description are the position's label with the knob's unit
// ("2.50 mA"): the bridge to the Linux accessibility bus passes a slider's number but not its
// value text, so a screen reader reads the label from the description. Every change of the
// position or of its label is announced.
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

    // A unit said after each label to assistive technology (the labels are bare numbers).
    void setUnit(const QString& unit) { unit_ = unit; }
    QString unit() const { return unit_; }
    // The present position as assistive technology says it: its label, then the unit.
    QString valueText() const;

    // A user's turn (keyboard, assistive technology): moves to the position, clamped to the
    // knob's range, and raises positionChanged when the position changed.
    void turnTo(int position);

    // Where the label of a position is drawn; a click there turns the knob to it.
    QRect labelRect(int position) const;
    // The colour the label of a position is drawn in: the present one stands out in red.
    QColor labelColour(int position) const;

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
    void announce();
    double knobRadius() const;
    QRectF extent() const;
    QRectF labelBox(int position, const QPointF& centre) const;
    QPointF centre() const;

    QStringList labels_;
    QString unit_;
    int position_ = 0;
};
