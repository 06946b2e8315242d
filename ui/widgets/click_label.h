#pragma once
// A label that acts on a click (or a double click), for the main window's clickable values and
// its picture.
//
// A label with a press (Click or DoubleClick) is reached from the keyboard: it is a stop of the
// Tab chain, Enter, Return and Space act on it as the mouse does (raising the signal its press
// names), and it draws a focus frame while it has the focus. Assistive technology sees a button
// named by its accessible name, whose value and description are the text it shows, with a press
// action that does what the mouse does.
//
// A label without a press (None) reacts to the mouse only: the titles beside the values, which
// open the same windows as the values they name, and plain readouts. Assistive technology sees
// static text, named by its accessible name when it has one (then its text is the value and
// the description), else by its text.
#include <QLabel>

class ClickLabel : public QLabel {
    Q_OBJECT
public:
    enum class Press { None, Click, DoubleClick };

    explicit ClickLabel(const QString& text = {}, QWidget* parent = nullptr);

    Press press() const { return press_; }
    void setPress(Press press);
    // What the keyboard and the accessible press action do: raises clicked or doubleClicked,
    // as the press says; nothing without a press.
    void activate();

signals:
    void clicked();
    void doubleClicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Press press_ = Press::None;
    bool space_down_ = false;  // Space acts on its release, as on a button
    QString announced_;        // the text assistive technology was last told of
};
