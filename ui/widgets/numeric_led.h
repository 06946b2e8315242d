#pragma once
// A numeric LED readout: seven-segment digits, lit red on a dark window, showing the text it is
// given (digits, a point, a minus sign; other characters show as blanks).
//
// Assistive technology sees a static text named by the readout's accessible name (what it
// measures), whose value and description are the reading; a new reading is announced.
#include <QWidget>

class NumericLed : public QWidget {
    Q_OBJECT
public:
    explicit NumericLed(QWidget* parent = nullptr, int digits = 5);

    QString text() const { return text_; }
    void setText(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString text_;
    int digits_;
};
