#pragma once
// The File menu's "&Get Settings" (mnuOpen) and "&Save Settings" (mnuSave): the file dialog,
// then the settings file (model/settings_file.h) read into the evaluation state and sent to the
// board, or written from it.
#include <QString>

class Main;
struct SettingsRecord;

inline const QString kSettingsFilter = QStringLiteral("Test Files (*.txt)");

class SettingsMenu {
public:
    // The file dialogs start in the user's documents folder (the home folder without one).
    explicit SettingsMenu(Main& main);

    void mnuOpen_Click();
    void mnuSave_Click();

    // Where the next file dialog starts: the folder of the file last chosen in this run.
    const QString& folder() const { return folder_; }

private:
    void load(const SettingsRecord& record);
    void set_gain_switch();
    void warn(const QString& title, const QString& text, const QString& detail = {});

    Main& main_;
    QString folder_;
};
