#include "ui/main/settings_menu.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <optional>
#include <string>

#include "model/latch.h"
#include "model/settings_file.h"
#include "ui/main/main_window.h"
#include "ui/widgets/click_label.h"
#include "ui/widgets/toggle_switch.h"

namespace {

const QString kGetTitle = QStringLiteral("Get Settings");
const QString kSaveTitle = QStringLiteral("Save Settings");

QString shown(const QString& name) { return QDir::toNativeSeparators(name); }

// "setup" and "setup." become "setup.txt"; a name with a suffix of its own keeps it.
QString with_txt_suffix(const QString& name) {
    if (!QFileInfo(name).suffix().isEmpty()) return name;
    return name.endsWith('.') ? name + "txt" : name + ".txt";
}

// The text of a file, or why it cannot be read. More than a settings file can hold is not read
// (the reader refuses it by its size), so a huge or endless file cannot exhaust the memory.
struct FileText {
    std::optional<std::string> text;
    QString cause;
};

FileText read_text(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) return {std::nullopt, file.errorString()};
    const QByteArray bytes = file.read(qint64(kMaxSettingsFileBytes) + 1);
    if (file.error() != QFileDevice::NoError) return {std::nullopt, file.errorString()};
    return {bytes.toStdString(), {}};
}

// Replaces the file whole or not at all: the text goes into a temporary file beside it, which
// takes the file's place only once it is completely written and on disk.
QString write_atomically(const QString& name, const std::string& text) {
    QSaveFile file(name);
    // Unbuffered, so that a failing write (full disk, size limit) is seen here: a buffered one
    // fails only inside commit(), which then replaces the file with the part written and
    // reports success.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return file.errorString();
    for (qint64 done = 0; done < qint64(text.size());) {
        // A short write is no error in itself; the next one tells why the file stopped growing.
        const qint64 written = file.write(text.data() + done, qint64(text.size()) - done);
        if (written <= 0) {
            const QString cause = file.errorString();
            file.cancelWriting();
            return cause;
        }
        done += written;
    }
    if (!file.commit()) return file.errorString();
    return {};
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
    const QString cause = write_atomically(name, format_settings(main_.state()));
    if (cause.isEmpty()) return;
    warn(kSaveTitle, "The settings could not be saved to " + shown(name) + ": " + cause,
           replacing ? "The previous file is unchanged." : QString());
}

void SettingsMenu::mnuOpen_Click() {
    const QString name = main_.prompts().open_file_name(&main_, kGetTitle, kSettingsFilter, folder_);
    if (name.isEmpty()) return;  // cancelled
    folder_ = QFileInfo(name).absolutePath();
    const FileText file = read_text(name);
    if (!file.text) return warn(kGetTitle, "The settings could not be read from " + shown(name) + ": " + file.cause);

    auto parsed = parse_settings(*file.text);
    if (auto* problem = std::get_if<SettingsProblem>(&parsed)) {
        if (problem->wrong_marker)
            return main_.prompts().message(MessageIcon::Exclamation, "Invalid file!",
                                           " File does not contain valid settings ", {}, true);
        return warn(kGetTitle, QString::fromStdString(describe(*problem, shown(name).toStdString())));
    }
    load(std::get<SettingsRecord>(parsed));
}

void SettingsMenu::load(const SettingsRecord& record) {
    // The stored fields, the prescaler of the single-modulus variant, VCO and reference.
    apply_settings(main_.state(), record);
    if (auto caption = eval_caption_after_load(main_.state().preset_index))
        main_.ui.eval->setText(QString::fromStdString(*caption));
    // The switch is set before and after the window is configured and redrawn, which may
    // change it.
    set_gain_switch();
    main_.configure_main();
    main_.refresh_main();
    set_gain_switch();
    for (uint8_t latch : {kRLatch, kControlLatch, kNLatch}) main_.send(latch);
}

void SettingsMenu::set_gain_switch() {
    // Set by the program: the switch raises no handler, so nothing more is sent.
    if (auto on = cp_gain_toggle_after_load(main_.state().cp_gain_bits)) main_.ui.Toggle3->setChecked(*on);
}

void SettingsMenu::warn(const QString& title, const QString& text, const QString& detail) {
    main_.prompts().message(MessageIcon::Exclamation, title, text, detail, true);
}
