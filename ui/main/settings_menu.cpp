#include "ui/main/settings_menu.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "actions/settings_files.h"
#include "ui/main/main_window.h"

namespace {

const QString kGetTitle = QStringLiteral("Get Settings");
const QString kSaveTitle = QStringLiteral("Save Settings");

QString shown(const QString& name) { return QDir::toNativeSeparators(name); }

// "setup" and "setup." become "setup.txt"; a name with a suffix of its own keeps it.
QString with_txt_suffix(const QString& name) {
    if (!QFileInfo(name).suffix().isEmpty()) return name;
    return name.endsWith('.') ? name + "txt" : name + ".txt";
}

// The user's documents folder, or the home folder where there is none.
QString first_folder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

}  // namespace

SettingsMenu::SettingsMenu(Main& main) : main_(main), folder_(first_folder()) {}

void SettingsMenu::mnuSave_Click() {
    const QString chosen = main_.prompts().save_file_name(&main_, kSaveTitle, kSettingsFilter, folder_);
    if (chosen.isEmpty()) return;  // cancelled
    const QString name = with_txt_suffix(chosen);
    folder_ = QFileInfo(name).absolutePath();
    const bool replacing = QFileInfo::exists(name);
    if (replacing &&
        !main_.prompts().ask(kSaveTitle, shown(name) + " already exists.\nDo you want to replace it?"))
        return;
    main_.show_outcome(actions::save_settings_file(main_.state(), QFile::encodeName(name).toStdString(), shown(name).toStdString(), replacing));
}

void SettingsMenu::mnuOpen_Click() {
    const QString name = main_.prompts().open_file_name(&main_, kGetTitle, kSettingsFilter, folder_);
    if (name.isEmpty()) return;  // cancelled
    folder_ = QFileInfo(name).absolutePath();
    main_.show_outcome(actions::load_settings_file(main_.state(), main_.link(), QFile::encodeName(name).toStdString(), shown(name).toStdString()));
}
