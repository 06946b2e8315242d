#pragma once
// The information window: what the tool is, its revision and the features of this revision.
#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;
class Main;

class revform : public QDialog {
    Q_OBJECT
public:
    explicit revform(Main& main);

    void Command1_Click();

    QLabel *Label1 = nullptr, *Label2 = nullptr, *REV = nullptr, *Image1 = nullptr;
    // The feature notes, top to bottom: Option2, Option3, Option4, Option1, Option7, Option8.
    QRadioButton *Option1 = nullptr, *Option2 = nullptr, *Option3 = nullptr, *Option4 = nullptr,
                 *Option7 = nullptr, *Option8 = nullptr;
    QPushButton* Command1 = nullptr;
};
