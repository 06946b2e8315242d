#pragma once
// The resend window (Form1): sends any one latch again, assembled afresh from the state,
// without changing a setting or refreshing the main window.
#include <QDialog>

class QLabel;
class QPushButton;
class Main;

class Form1 : public QDialog {
    Q_OBJECT
public:
    explicit Form1(Main& main);

    void Command1_Click();  // test latch (1,1)
    void Command2_Click();  // N counter latch (1,0)
    void Command6_Click();  // R counter latch (0,1)
    void Command7_Click();  // control latch (0,0)
    void Command3_Click();  // Done

    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command6 = nullptr, *Command7 = nullptr,
                *Command3 = nullptr;
    QLabel* Label1 = nullptr;

private:
    Main& main_;
};
