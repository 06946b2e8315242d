#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "model/latch.h"
#include "model/settings_file.h"
#include "model/variants.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/refusal.h"
#include "tests/support/settings_text.h"
#include "tests/ui/dialogs/dialog_test_util.h"

using namespace dialog_tests;
using namespace testing_support;

namespace {

// The File menu's entries, with the name the file dialog answers (and whether to replace a file).
void save_as(Harness& h, const QString& name, bool replace = true) {
    h.prompts.file_names = {name}, h.prompts.answers = {replace};
    h.main->ui.mnuSave->trigger();
}
void load_from(Harness& h, const QString& name) {
    h.prompts.file_names = {name};
    h.main->ui.mnuOpen->trigger();
}

QByteArray contents(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
void write_file(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

}  // namespace

// A file of another variant: the labels and divide switches follow the device it sets. Core power 0
// in the file: a session at level 2 sends the test latch after the control latch, first with test modes.
TEST(SettingsMenu, LoadingFollowsItsStepsForTheVariantTheBoardLabelAndTheGainSwitch) {
    QTemporaryDir dir;
    const std::string base = format_settings(variants::start_state("ksy7100-8"));
    // start: the session's variant; eval: the board label afterwards (the variant's board at start-up);
    // gain: Toggle3; divide_switches: Toggle4 and Toggle6 shown
    struct Case { const char* start; std::vector<std::pair<int, std::string>> lines; int32_t prescaler; const char *vcofreq, *eval;
                  bool gain; const char *device, *pres; bool divide_switches; std::vector<int> sent; };
    const Case cases[] = {
        // The single-modulus variant divides by B alone whatever prescaler the file holds.
        {"ksy7100-1", {{22, "4800"}, {23, "0"}, {24, "200"}, {25, "32"}, {21, "0"}}, 1, "960.00000MHz", "KSY7100EB1",
         false, "KSY7100-8", "Not Used", false, {R, C, T, N}},
        {"ksy7100-8", {{28, "ksy7100-1"}, {2, "8388608"}, {22, "375"}, {23, "1"}, {24, "200"}, {25, "32"}, {26, "3"},
                       {21, "2097152"}}, 32, "2400.20000MHz", "KSY7100EB1", true, "KSY7100-1", "32/33", true, {R, C, N}},
        {"ksy7100-8", {{28, "ksy7100-1"}, {2, "8388608"}, {22, "375"}, {23, "1"}, {24, "200"}, {25, "32"}, {26, "7"},
                       {21, "2097152"}, {14, "524288"}}, 32, "2400.20000MHz", "KSY7100-8EB1", true, "KSY7100-1", "32/33", true, {T, R, C, N}}};
    for (const auto& c : cases) {
        std::string text = base;
        for (const auto& [line, value] : c.lines) text = replace_line(text, line, value);
        SCOPED_TRACE(text);
        write_file(dir.filePath("case.txt"), QByteArray::fromStdString(text));
        Harness h(c.start);
        const auto& ui = h.main->ui;
        ui.Toggle3->setChecked(!c.gain);
        load_from(h, dir.filePath("case.txt"));
        ASSERT_TRUE(h.prompts.messages.empty());
        EXPECT_EQ(std::tuple(h.state.prescaler, ui.vcofreq->text(), ui.eval->text(), ui.Toggle3->isChecked(), ui.device->text(), ui.pres->text(),
                             ui.Toggle4->isVisibleTo(h.main.get()), ui.Toggle6->isVisibleTo(h.main.get())),
                  std::tuple(c.prescaler, QString(c.vcofreq), QString(c.eval), c.gain, QString(c.device), QString(c.pres), c.divide_switches,
                             c.divide_switches));
        EXPECT_EQ(h.latches(), c.sent) << "the switch set by the program sends nothing more";
    }
}

// A refused file says why under its title and changes nothing; the next good file loads. (The
// reader's tests check each line problem; here one, and the refusals before it reads.)
TEST(SettingsMenu, ARefusedFileSaysWhyAndChangesNothingAndTheNextLoadWorks) {
    QTemporaryDir dir;
    Harness h("ksy7100-1");
    const std::string good = replace_line(format_settings(h.state), 22, "300");
    const auto edited = [&](int line, const std::string& value) { return QByteArray::fromStdString(replace_line(good, line, value)); };
    const std::tuple<const char*, QByteArray, const char*, const char*> cases[] = {
        {"marker.txt", edited(1, "Valid vco settings"), "Invalid file!", " File does not contain valid settings "},
        {"huge.txt", QByteArray::fromStdString(good) + QByteArray(kMaxSettingsFileBytes, ' '), "Get Settings",
         "%1: the file is larger than a settings file can be. Nothing was loaded."},
        {"field.txt", edited(25, "3"), "Get Settings", "Line 25 of %1: prescaler = 3 is none of 1, 8, 16 or 32. Nothing was loaded."},
        {"missing.txt", {}, "Get Settings", "The settings could not be read from %1: No such file or directory"}};
    for (const auto& [name, bytes, title, says] : cases) {
        SCOPED_TRACE(name);
        const QString file = QDir::toNativeSeparators(dir.filePath(name));
        if (!bytes.isNull()) write_file(file, bytes);
        h.state.cs1_bits = 0;  // unlike every file here, so a half-applied load would show
        const EvalState before = h.state;
        h.prompts.messages.clear();
        load_from(h, file);
        ASSERT_EQ(h.prompts.messages.size(), 1u);
        EXPECT_EQ(std::pair(h.prompts.messages[0].title, h.prompts.messages[0].icon), std::pair(QString(title), MessageIcon::Exclamation));
        expect_refused(h, before, QString(says).replace("%1", file));
    }
    write_file(dir.filePath("good.txt"), QByteArray::fromStdString(good));
    h.prompts.messages.clear();
    load_from(h, dir.filePath("good.txt"));
    EXPECT_TRUE(h.prompts.messages.empty());
    EXPECT_EQ(h.state.b_counter, 300);
    EXPECT_EQ(h.latches(), (std::vector<int>{R, C, N}));
}

// The file dialogs start in the documents folder, then in the folder of the file last chosen by
// either entry; a bare name gets .txt; a file is replaced only when the user says so; a cancelled
// dialog is silent and changes nothing.
TEST(SettingsMenu, TheFileDialogsStartWhereTheLastFileWasAddTheSuffixAndAskBeforeReplacing) {
    QTemporaryDir one, two;
    Harness h("ksy7100-1");
    const EvalState before = h.state;
    h.main->ui.mnuOpen->trigger();
    h.main->ui.mnuSave->trigger();
    EXPECT_TRUE(h.prompts.messages.empty() && h.prompts.questions.empty() && h.words().empty() && h.state == before);
    EXPECT_EQ(h.prompts.file_filters, (std::vector<QString>{"Test Files (*.txt)", "Test Files (*.txt)"}));

    for (const char* name : {"a", "b.set", "c."}) save_as(h, one.filePath(name));
    load_from(h, two.filePath("absent.txt"));  // refused, but the folder was chosen
    h.main->ui.mnuSave->trigger();             // cancelled
    QString first = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QDir(first).exists()) first = QDir::homePath();
    EXPECT_EQ(h.prompts.file_dirs, (std::vector<QString>{first, first, first, one.path(), one.path(), one.path(), two.path()}));
    EXPECT_EQ(QDir(one.path()).entryList(QDir::Files), (QStringList{"a.txt", "b.set", "c.txt"}));

    const QString file = one.filePath("a.txt");
    for (bool yes : {false, true}) {
        write_file(file, "previous");
        h.prompts.messages.clear(), h.prompts.questions.clear();
        save_as(h, one.filePath("a"), yes);
        EXPECT_EQ(h.prompts.questions, std::vector<QString>{"Save Settings: " + QDir::toNativeSeparators(file) +
                                                            " already exists.\nDo you want to replace it?"});
        EXPECT_EQ(contents(file).toStdString(), yes ? format_settings(h.state) : "previous");
        EXPECT_TRUE(h.prompts.messages.empty());
    }
}

// A save that fails part-way (a file-size limit, taken by a child process, stands in for a full
// disk) keeps the previous file whole, leaves no temporary file and says why.
TEST(SettingsMenu, AFailedSaveKeepsThePreviousFileAndSaysWhy) {
    QTemporaryDir dir;
    const QString file = dir.filePath("kept.txt");
    write_file(file, "previous settings");
    Harness h("ksy7100-1");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FileSizeLimit limit(100);
        save_as(h, file);
        QStringList said;
        for (const auto& m : h.prompts.messages) said << m.text + "|" + m.detail;
        const bool right = said == QStringList{"The settings could not be saved to " + QDir::toNativeSeparators(file) +
                                               ": File too large|The previous file is unchanged."};
        if (!right) std::fprintf(stderr, "said: %s\n", qPrintable(said.join('\n')));
        _exit(right ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "what the save said is printed above";
    EXPECT_EQ(contents(file), "previous settings");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.txt"});
    // A folder that does not exist: the same kind of message, nothing created.
    save_as(h, dir.filePath("gone/new.txt"));
    ASSERT_EQ(h.prompts.texts().size(), 1u);
    EXPECT_TRUE(h.prompts.texts()[0].startsWith("The settings could not be saved to " + QDir::toNativeSeparators(dir.filePath("gone/new.txt"))));
    EXPECT_FALSE(QDir(dir.filePath("gone")).exists());
}

// With a board preset's family name nothing reaches the chip: the main window says so until a
// loaded file brings a variant back; a long name is shortened.
TEST(SettingsMenu, ThePresetNoticeStandsUntilAFileBringsAVariantBack) {
    QTemporaryDir dir;
    Harness h("ksy7100-1");
    auto notice_shown = [&] { return h.main->ui.device_notice->isVisibleTo(h.main.get()); };
    save_as(h, dir.filePath("variant.txt"));
    choose_board(h, 3);
    h.main->refresh_main();  // another redraw keeps it
    EXPECT_TRUE(notice_shown());
    EXPECT_TRUE(h.main->ui.device_notice->text().startsWith("\"ksy7102\" is not a variant, so no latch data is sent."));
    load_from(h, dir.filePath("variant.txt"));
    EXPECT_EQ(h.state.device, "ksy7100-1");
    EXPECT_FALSE(notice_shown());
    write_file(dir.filePath("long.txt"), QByteArray::fromStdString(replace_line(format_settings(h.state), 28, std::string(64, 'x'))));
    load_from(h, dir.filePath("long.txt"));
    EXPECT_EQ(h.main->ui.device_notice->text().left(28), "\"xxxxxxxxxxxxxxxxxxxx...\" is");
    EXPECT_TRUE(h.prompts.messages.empty());
}

// The File menu's register entries: an export (.txt added to a bare name) imported into another
// run sends the same words; the channel table asks for its span in a window, then for the file.
TEST(RegisterFilesMenu, ExportImportAndChannelTableThroughTheirDialogs) {
    QTemporaryDir dir;
    Harness first("ksy7100-4"), second("ksy7100-4");
    first.main->ui.Toggle1->click();  // something the defaults do not hold
    first.prompts.file_names = {dir.filePath("words")};
    first.main->ui.mnuExportRegisters->trigger();

    second.prompts.file_names = {dir.filePath("words.txt")};
    second.main->ui.mnuImportRegisters->trigger();
    EXPECT_TRUE(second.prompts.messages.empty());
    std::vector<uint32_t> expected;
    for (uint8_t latch : {kTestLatch, kNLatch, kRLatch, kControlLatch}) expected.push_back(uint32_t(assemble_latch(first.state, latch)));
    EXPECT_EQ(second.words(), expected);
    EXPECT_FALSE(second.main->ui.Toggle1->isChecked()) << "the main window shows the words imported";

    second.prompts.on_modal = [&](QDialog& d) {
        d.findChild<QLineEdit*>("Text2")->setText("1601");
        second.prompts.file_names = {dir.filePath("channels.csv")};
        d.findChild<QPushButton*>("Command1")->click();
    };
    second.main->ui.mnuExportChannels->trigger();
    EXPECT_EQ(contents(dir.filePath("channels.csv")).count('\n'), 7) << "a header and 1600 to 1601 MHz in 200 kHz";
    EXPECT_TRUE(second.words().empty()) << "an export sends nothing";
}
