#pragma once
// Everything that asks the user or waits for the user goes through one object: message boxes,
// questions, file dialogs and modal windows. The desktop implementation shows real dialogs;
// tests put a recorder in its place, so they assert exact texts and never block.
#include <QString>

class QDialog;
class QWidget;

enum class MessageIcon { None, Information, Exclamation, Critical };

// The title of message boxes that have none of their own.
inline const QString kAppTitle = QStringLiteral("KSY7100 Evaluation Software");

class Prompts {
public:
    virtual ~Prompts() = default;

    // A message box with an OK button. `beep` sounds the bell first; `detail` is extra text
    // (the cause of a failure) shown below the message.
    virtual void message(MessageIcon icon, const QString& title, const QString& text,
                         const QString& detail = {}, bool beep = false) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool ask(const QString& title, const QString& text) = 0;
    // File dialogs, starting in `dir`; an empty result means the user cancelled. The save dialog
    // does not ask before replacing a file: its caller settles the final name first (a suffix
    // may be added) and then asks through ask().
    virtual QString open_file_name(QWidget* parent, const QString& caption, const QString& filter,
                                   const QString& dir = {}) = 0;
    virtual QString save_file_name(QWidget* parent, const QString& caption, const QString& filter,
                                   const QString& dir = {}) = 0;
    // Shows `dialog` modally and returns when it is closed.
    virtual int run_modal(QDialog& dialog) = 0;
};

class DesktopPrompts : public Prompts {
public:
    void message(MessageIcon icon, const QString& title, const QString& text, const QString& detail,
                 bool beep) override;
    bool ask(const QString& title, const QString& text) override;
    QString open_file_name(QWidget* parent, const QString& caption, const QString& filter,
                           const QString& dir = {}) override;
    QString save_file_name(QWidget* parent, const QString& caption, const QString& filter,
                           const QString& dir = {}) override;
    int run_modal(QDialog& dialog) override;
};

// Prompts for programs that drive the windows without a user (benchmarks, the window renderer):
// messages go nowhere, questions are answered No, file dialogs are cancelled, modal windows
// close at once.
class SilentPrompts : public Prompts {
public:
    void message(MessageIcon, const QString&, const QString&, const QString&, bool) override {}
    bool ask(const QString&, const QString&) override { return false; }
    QString open_file_name(QWidget*, const QString&, const QString&, const QString& = {}) override { return {}; }
    QString save_file_name(QWidget*, const QString&, const QString&, const QString& = {}) override { return {}; }
    int run_modal(QDialog&) override { return 0; }
};
