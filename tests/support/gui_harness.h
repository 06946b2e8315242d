#pragma once
// What GUI tests stand on: prompts that record instead of showing, and a harness that starts the
// tool on a simulated board through its variant dialog.
#include <QApplication>
#include <QDialog>
#include <QRadioButton>
#include <QString>
#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/window_registry.h"
#include "link/board_link.h"
#include "link/sim_board.h"
#include "model/eval_state.h"
#include "model/variants.h"
#include "ui/main/deviceform.h"
#include "ui/main/main_window.h"
#include "ui/main/supply_measurement.h"
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
        file_filters.push_back(filter); file_dirs.push_back(dir);
        const QString name = file_names.empty() ? QString() : file_names.front();
        if (!file_names.empty()) file_names.pop_front();
        return name;
    }
};

// The latches (0..3) of latch words, in order.
inline std::vector<int> latches_of(const std::vector<uint32_t>& words) {
    std::vector<int> latches;
    for (uint32_t w : words) latches.push_back(int(w & 3));
    return latches;
}

struct Harness {
    // Starts the tool on a simulated board: the variant dialog's load, the variant (none when
    // empty) and its OK. The supply measurement runs without settling waits and is finished.
    explicit Harness(std::optional<std::string> variant = std::string("ksy7100-1"), boardlink::SimBoard::Converter converter = {}) {
        auto sim = std::make_unique<boardlink::SimBoard>(converter);
        board = sim.get();
        link.attach(std::move(sim));
        main = std::make_unique<Main>(state, link, prompts);
        // The exercisers are stepped tick by tick, as their timing thread would make the ticks.
        main->exerciser_driver = actions::TimedRun::Driver::Caller;
        install_windows(*main);
        main->supply_measurement().set_settle_ms(0);
        deviceform dialog(*main, {});
        dialog.Form_Load();
        for (int i = 1; i <= 9; ++i)
            if (variant && variants::kNames[i - 1] == *variant) dialog.Option[i]->setChecked(true);
        dialog.Command1_Click();
        finish_measurement();
        seen_ = board->words_loaded();
    }
    ~Harness() { main.reset(); QApplication::processEvents(); }

    // The latch words the board received since the last call (or since start-up).
    std::vector<uint32_t> words() {
        const auto& history = board->history();
        const uint64_t fresh = std::min<uint64_t>(board->words_loaded() - seen_, history.size());
        seen_ = board->words_loaded();
        return {history.end() - static_cast<long>(fresh), history.end()};
    }
    // The latches (0..3) of those words, in order.
    std::vector<int> latches() { return latches_of(words()); }
    // Runs the event loop until the supply measurement is done.
    void finish_measurement() {
        while (main->supply_measurement().running()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    EvalState state;
    boardlink::BoardLink link;
    boardlink::SimBoard* board = nullptr;  // owned by link
    ScriptedPrompts prompts;
    std::unique_ptr<Main> main;

private:
    uint64_t seen_ = 0;
};

// The control word's latch bits as a hexadecimal text, for failure messages.
inline std::string hex(uint32_t word) { return QString::asprintf("0x%06X", word).toStdString(); }

}  // namespace testing_support
