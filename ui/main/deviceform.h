#pragma once
// The variant dialog: the first window of a run. It prepares the board link, lets the user pick
// the variant, loads its defaults and opens the configured main window.
#include <QDialog>
#include <string_view>

#include "link/board_link.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class Main;

class deviceform : public QDialog {
    Q_OBJECT
public:
    // `opened` is what opening the board link gave; its messages are part of the port preparation.
    deviceform(Main& main, boardlink::BoardLink::Opened opened, QWidget* parent = nullptr);

    void Form_Load();
    void Command1_Click();
    // Marks the option button of a variant ("ksy7100-3"), as if the user had.
    void mark(std::string_view variant);

signals:
    // The OK has run: the variant is chosen and the main window shown.
    void chosen();

public:

    QLabel* Label1;
    QGroupBox* Frame1;
    QRadioButton* Option[10] = {};  // Option[1]..Option[9]
    QPushButton* Command1;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Main& main_;
    boardlink::BoardLink::Opened opened_;
    bool chosen_ = false;
};
