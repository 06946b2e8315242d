#pragma once
// The common pattern of the setting dialogs: the controls of one dialog above three buttons,
//   Command1 "OK"       default button: runs Load Now, then closes, whatever Load Now reported;
//   Command2 "Cancel"   closes; what Load Now applied stays applied;
//   Command3 "Load Now" applies: reads the controls and runs the dialog's action (actions/),
//                       which stores and sends; the dialog then shows its outcome.
// A dialog is built afresh at every opening, so it never shows stale state. Each dialog adds
// its controls, its Form_Load (called at the end of its constructor) and its Command3_Click.
#include <QDialog>

namespace actions { struct Outcome; }
class QPushButton;
class QVBoxLayout;
class Main;
struct EvalState;

class SettingDialog : public QDialog {
    Q_OBJECT
public:
    enum class Buttons { OkCancelLoadNow, OkCancel };

    SettingDialog(Main& main, const char* name, const QString& caption,
                  Buttons buttons = Buttons::OkCancelLoadNow);

    virtual void Command3_Click() {}  // Load Now: the dialog's apply
    virtual void Command1_Click();    // OK
    void Command2_Click();            // Cancel

    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;  // absent with Buttons::OkCancel

protected:
    // Where the dialog puts its own controls, above the buttons.
    QVBoxLayout* content() const { return content_; }
    // The Tab chain: the dialog's own controls in the order they are read, then the buttons.
    // The first control has the focus when the dialog opens.
    void tab_order(const QList<QWidget*>& controls);

    // Shows what the dialog's action reports: its refusal (with the entry at fault), or the
    // main window brought up to date. Returns whether the action went through.
    bool finish(const actions::Outcome& outcome);

    Main& main_;
    EvalState& state_;

private:
    QVBoxLayout* content_;
};
