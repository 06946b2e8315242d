#pragma once
// What GUI tests stand on: prompts that record instead of showing, and a harness that starts the
// tool on a simulated board through its variant dialog.
#include <QDialog>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/board_link.h"
#include "link/sim_board.h"
#include "model/eval_state.h"
#include "ui/main/main_window.h"
#include "ui/prompts.h"

namespace testing_support {

class ScriptedPrompts : public Prompts {
public:
    struct Message { MessageIcon icon; QString title, text, detail; bool beep; };
    void message(MessageIcon icon, const QString& title, const QString& text, const QString& detail, bool beep) override {
        messages.push_back({icon, title, text, detail, beep});
    }
    bool ask(const QString& title, const QString& text) override {
        questions.push_back(title + ": " + text);
        const bool yes = !answers.empty() && answers.front();
        if (!answers.empty()) answers.pop_front();
        return yes;
    }
    QString open_file_name(QWidget*, const QString&, const QString& filter, const QString& dir = {}) override { return next_file(filter, dir); }
    QString save_file_name(QWidget*, const QString&, const QString& filter, const QString& dir = {}) override { return next_file(filter, dir); }
    // Records the window and lets the test act on it before it closes.
    int run_modal(QDialog& dialog) override {
        opened.push_back(dialog.objectName());
        if (on_modal) on_modal(dialog);
        return 0;
    }

    std::vector<QString> texts() const {  // of the messages shown
        std::vector<QString> t;
        for (const auto& m : messages) t.push_back(m.text);
        return t;
    }

    std::vector<Message> messages;
    std::vector<QString> questions;
    std::deque<bool> answers;         // Yes/No answers, in order; No when empty
    std::deque<QString> file_names;   // file dialog answers, in order; cancelled when empty
    std::vector<QString> file_filters, file_dirs;  // of each file dialog shown
    std::vector<QString> opened;      // objectNames of the windows shown modally
    std::function<void(QDialog&)> on_modal;

private:
    QString next_file(const QString& filter, const QString& dir) {
        file_filters.push_back(filter), file_dirs.push_back(dir);
        const QString name = file_names.empty() ? QString() : file_names.front();
        if (!file_names.empty()) file_names.pop_front();
        return name;
    }
};

struct Harness {
    // Starts the tool on a simulated board: the variant dialog's load, the variant (none when
    // empty) and its OK. The supply measurement runs without settling waits and is finished.
    explicit Harness(std::optional<std::string> variant = std::string("ksy7100-1"), boardlink::SimBoard::Converter converter = {});
    ~Harness();

    // The latch words the board received since the last call (or since start-up).
    std::vector<uint32_t> words();
    // The latches (0..3) of those words, in order.
    std::vector<int> latches();
    // Runs the event loop until the supply measurement is done.
    void finish_measurement();

    EvalState state;
    boardlink::BoardLink link;
    boardlink::SimBoard* board = nullptr;  // owned by link
    ScriptedPrompts prompts;
    std::unique_ptr<Main> main;

private:
    uint64_t seen_ = 0;
};

// The control word's latch bits as a hexadecimal text, for failure messages.
std::string hex(uint32_t word);

}  // namespace testing_support
