#pragma once
// The loop designer: the filter's order, bandwidth and phase margin with the factors gamma and T31,
// the VCO gain and the noise inputs; the parts designed and the parts rounded to a series side by
// side, each with what it achieves on the present plan (crossover, phase margin, lock time of a
// step, RMS jitter over a band); and three plots of the parts in use: the open loop's gain and
// phase, the phase noise with every contribution, and the lock transient. Every edit redraws at
// once. The inputs are kept for the next run (loop_memory.h).
#include <QDialog>
#include <QTimer>

#include "model/loop_filter.h"
#include "model/loop_views.h"

class Main;
class PlotPanel;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
struct EvalState;

class loopform : public QDialog {
    Q_OBJECT
public:
    explicit loopform(Main& main);
    ~loopform() override;

    QComboBox *Combo1, *Combo2;  // order; rounding series
    QLineEdit *fc, *pm, *gamma, *t31, *kvco, *fom, *flicker, *vco_points, *ref_points;
    QLineEdit *step_from, *step_to, *tolerance, *jitter_from, *jitter_to;
    QPushButton *Design, *UseDesigned, *UseRounded, *Close;
    QTableWidget* parts;
    PlotPanel *open_loop, *noise, *transient;
    QLabel* status;

    // Redraws the table, the plots and their descriptions from the state and the entries.
    void redraw();
    // The designed parts the table shows, before rounding (empty before a design).
    const std::optional<LoopParts>& designed() const { return designed_; }

private:
    void Design_Click();
    void UseDesigned_Click();
    void UseRounded_Click();
    void Combo1_Change();
    void Combo2_Change();
    void take_input(QLineEdit* entry);
    void parts_edited(int row, int column);
    void export_plot(PlotPanel& panel, const QString& format);
    LoopQuestions questions() const;
    void fill_entries();

    Main& main_;
    EvalState& state_;
    std::optional<LoopParts> designed_;
    QTimer redraw_soon_;
    bool filling_ = false;
};
