#pragma once
// The dB/volt calculator: converts one number between dBm and volts or between dB and a voltage
// ratio. It reads and writes nothing of the evaluation state and never talks to the board.
#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class Main;

class conversionform : public QDialog {
    Q_OBJECT
public:
    explicit conversionform(Main& main);

    void Form_Load();
    void Command1_Click();  // Perform Conversion
    void Command3_Click();  // Cancel

    QGroupBox *Frame1 = nullptr, *Frame2 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr;
    QLineEdit *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr;
    QRadioButton *Option1 = nullptr, *Option2 = nullptr, *Option3 = nullptr, *Option4 = nullptr;
    QPushButton *Command1 = nullptr, *Command3 = nullptr;

private:
    Main& main_;
};
