#pragma once
// The frequency dialog: the desired VCO and PFD frequencies become the R, B and A counters.
// Load Now (and OK) sends only the latches whose frequency or word changed; the two channel
// buttons step the VCO entry by one PFD frequency and send the N latch (with the R latch first
// when an edited PFD entry changed R).
#include "ui/dialogs/setting_dialog.h"

class QGroupBox;
class QLabel;
struct Counters;

class synthform : public SettingDialog {
    Q_OBJECT
public:
    explicit synthform(Main& main);

    void Form_Load();
    void Command3_Click() override;
    void Command4_Click();  // one channel up
    void Command5_Click();  // one channel down
    void Command6_Click();  // Plan...: the planner's window; its plan loaded by Load Now

    QGroupBox *Frame2 = nullptr, *Frame3 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Th = nullptr;
    QLabel *Label4 = nullptr, *Label5 = nullptr, *Label6 = nullptr, *Label7 = nullptr;  // N, P, B, A
    QLabel *Label8 = nullptr, *Label9 = nullptr, *Label10 = nullptr, *Label11 = nullptr;
    QLineEdit *Text1 = nullptr, *Text2 = nullptr;
    QPushButton *Command4 = nullptr, *Command5 = nullptr, *Command6 = nullptr;

private:
    void step_channel(int direction);
    void show_counters(const Counters& counters);
};
