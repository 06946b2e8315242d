#include "ui/main/register_files_menu.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "actions/register_files.h"
#include "model/number_format.h"
#include "ui/dialogs/dialog_parts.h"
#include "ui/entry_parse.h"
#include "ui/main/main_window.h"

using namespace dialog_parts;

namespace {

QString shown(const QString& name) { return QDir::toNativeSeparators(name); }
std::string path_of(const QString& name) { return QFile::encodeName(name).toStdString(); }
// The tool's version, as the files name their writer.
std::string version() { return QCoreApplication::applicationVersion().toStdString(); }

QString first_folder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

}  // namespace

RegisterFilesMenu::RegisterFilesMenu(Main& main) : main_(main), folder_(first_folder()) {}

QString RegisterFilesMenu::save_name(const QString& title, const QString& filter, const QString& default_suffix) {
    QString name = main_.prompts().save_file_name(&main_, title, filter, folder_);
    if (name.isEmpty()) return {};
    if (QFileInfo(name).suffix().isEmpty()) name += (name.endsWith('.') ? "" : ".") + default_suffix;
    folder_ = QFileInfo(name).absolutePath();
    if (QFileInfo::exists(name) && !main_.prompts().ask(title, shown(name) + " already exists.\nDo you want to replace it?"))
        return {};
    return name;
}

void RegisterFilesMenu::mnuExportRegisters_Click() {
    const QString name = save_name("Export Registers", kRegisterExportFilter, "txt");
    if (name.isEmpty()) return;
    main_.show_outcome(actions::export_registers(main_.state(), actions::PathStore(), path_of(name),
                                                 shown(name).toStdString(), version()));
}

void RegisterFilesMenu::mnuImportRegisters_Click() {
    const QString name = main_.prompts().open_file_name(&main_, "Import Registers", kRegisterImportFilter, folder_);
    if (name.isEmpty()) return;
    folder_ = QFileInfo(name).absolutePath();
    main_.show_outcome(actions::import_registers(main_.state(), main_.link(), actions::PathStore(), path_of(name),
                                                 shown(name).toStdString()));
}

void RegisterFilesMenu::mnuExportChannels_Click() {
    channelform window(main_);
    QObject::connect(window.Command1, &QPushButton::clicked, &window, [&] {
        const auto start = parse_entry(window.Text1), stop = parse_entry(window.Text2), step = parse_entry(window.Text3);
        QLineEdit* bad = !start ? window.Text1 : !stop ? window.Text2 : !step ? window.Text3 : nullptr;
        if (bad) {
            main_.prompts().message(MessageIcon::Exclamation, kAppTitle, "Invalid entry: enter a number.", {}, true);
            bad->setFocus();
            return;
        }
        const QString name = save_name("Export Channel Table", kChannelTableFilter, "h");
        if (name.isEmpty()) return;
        if (main_.show_outcome(actions::export_channels(main_.state(), actions::PathStore(), path_of(name),
                                                        shown(name).toStdString(), *start, *stop, *step, version()),
                               &window))
            window.accept();
    });
    main_.prompts().run_modal(window);
}

channelform::channelform(Main& main) {
    setObjectName("channelform");
    setWindowTitle("Export Channel Table");
    const EvalState& s = main.state();
    Label1 = label("Label1", "Start (MHz):");
    Text1 = entry("Text1", "0000.000000");
    Text1->setText(QString::fromStdString(numfmt::general(s.vco_freq)));
    Label2 = label("Label2", "Stop (MHz):");
    Text2 = entry("Text2", "0000.000000");
    Text2->setText(QString::fromStdString(numfmt::general(s.vco_freq + 100 * s.pfd_freq / 1000)));
    Label3 = label("Label3", "Channel step (kHz):");
    Text3 = entry("Text3", "0000.000");
    Text3->setText(QString::fromStdString(numfmt::general(s.pfd_freq)));
    Command1 = named(new QPushButton("Save..."), "Command1");
    Command2 = named(new QPushButton("Cancel"), "Command2");
    Command1->setDefault(true);
    for (auto [l, e] : {std::pair{Label1, Text1}, {Label2, Text2}, {Label3, Text3}}) l->setBuddy(e);
    auto* note = new QLabel("The N word of every channel at the present R and PFD, with the R and control words to "
                            "send first. Up to 65536 channels; the step must be a whole multiple of the PFD.");
    note->setWordWrap(true);
    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Text1, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Text2, 1, 1);
    grid->addWidget(Label3, 2, 0);
    grid->addWidget(Text3, 2, 1);
    QHBoxLayout* buttons = button_row({Command1, Command2});
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(grid);
    outer->addWidget(note);
    outer->addLayout(buttons);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
}
