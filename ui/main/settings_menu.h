#pragma once
// The File menu's "&Get Settings" (mnuOpen) and "&Save Settings" (mnuSave): the file dialog,
// then the settings-file action (actions/settings_files.h) that reads the file into the state
// and sends it to the board, or writes the state to the file.
#include <QString>

class Main;

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
    Main& main_;
    QString folder_;
};
