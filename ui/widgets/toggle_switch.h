#pragma once
// A two-position toggle switch in the manner of an instrument panel: a lever in a slot, and the
// caption of the present position beside it.
//
// Handlers connect to clicked(), which only the user raises (mouse, Space, or the toggle action
// of the accessibility interface): a position set by the program (setChecked) shows its
// caption at once and raises nothing.
//
// The caption lies on the panel behind the switch, not on a button face: it is drawn in the
// palette's window text colour (the register map gives its digits their field's colour there).
#include <QAbstractButton>

class ToggleSwitch : public QAbstractButton {
    Q_OBJECT
public:
    enum class Style {
        Captioned,  // lever with the caption of the present position to its right
        Bit,        // compact: the digit over a small lever (register maps)
    };

    ToggleSwitch(const QString& off_caption, const QString& on_caption, QWidget* parent = nullptr,
                 Style style = Style::Captioned);

    QString offCaption() const { return off_; }
    QString onCaption() const { return on_; }
    void setCaptions(const QString& off_caption, const QString& on_caption);
    // The caption of the present position.
    QString caption() const { return isChecked() ? on_ : off_; }

    // A fixed digit: the same caption in both positions and no lever; clicks do nothing.
    void setFixed(bool fixed);
    bool isFixed() const { return fixed_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRect leverRect() const;
    QString off_, on_;
    Style style_;
    bool fixed_ = false;
};
