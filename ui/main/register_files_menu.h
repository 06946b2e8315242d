#pragma once
// The File menu's entries that carry a plan into firmware: "Export Registers..." (a hex list, a C
// header, CSV or JSON of the words to send), "Import Registers..." (a hex list or the export's
// JSON, checked and sent), and "Export Channel Table..." (the N word of every channel, asked for
// in a small window). Each runs its action (actions/register_files.h) after the file dialog.
#include <QDialog>
#include <QString>

class Main;
class QLabel;
class QLineEdit;
class QPushButton;

inline const QString kRegisterExportFilter =
    QStringLiteral("Hex List (*.txt);;C Header (*.h);;CSV (*.csv);;JSON (*.json)");
inline const QString kRegisterImportFilter = QStringLiteral("Register Files (*.txt *.json)");
inline const QString kChannelTableFilter = QStringLiteral("C Header (*.h);;CSV (*.csv)");

class RegisterFilesMenu {
public:
    explicit RegisterFilesMenu(Main& main);

    void mnuExportRegisters_Click();
    void mnuImportRegisters_Click();
    void mnuExportChannels_Click();

private:
    // The name chosen in the save dialog, asked about when it exists; empty when cancelled.
    QString save_name(const QString& title, const QString& filter, const QString& default_suffix);

    Main& main_;
    QString folder_;
};

// The channel table's window: start and stop (MHz) and step (kHz), then "Save..." for the file.
class channelform : public QDialog {
    Q_OBJECT
public:
    explicit channelform(Main& main);

    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
    QLineEdit *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr;  // start, stop, step
    QPushButton *Command1 = nullptr, *Command2 = nullptr;            // Save..., Cancel
};
