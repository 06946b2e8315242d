#pragma once
// What the simulated board holds: the four latch words it received, their fields, and the
// output frequency they program. Updated as words arrive, so a user without hardware sees
// exactly what the tool sent.
#include <QDialog>
#include <QTimer>

class PlotPanel;
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
    QLabel* muxout_;        // MUXOUT now: the lock-detect state with muxout on digital lock detect
    PlotPanel* settling_;   // the VCO frequency since the latest hop
    QTimer throttle_;
    QTimer live_;  // lock detect changes between words: the state is read again a few times a second
};
