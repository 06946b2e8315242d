#pragma once
// What the simulated board holds: the four latch words it received, their fields, and the
// output frequency they program. Updated as words arrive, so a user without hardware sees
// exactly what the tool sent.
#include <QDialog>
#include <QTimer>

class QLabel;
namespace boardlink { class SimBoard; }

class SimBoardWindow : public QDialog {
    Q_OBJECT
public:
    SimBoardWindow(boardlink::SimBoard& board, QWidget* parent = nullptr);
    ~SimBoardWindow() override;

    void refresh();

private:
    boardlink::SimBoard& board_;
    QLabel* words_[4];
    QLabel* fields_[4];
    QLabel* frequency_;
    QLabel* count_;
    QTimer throttle_;
};
