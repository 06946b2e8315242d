#include "tests/support/gui_harness.h"

#include <QApplication>
#include <QRadioButton>

#include "model/variants.h"
#include "ui/main/deviceform.h"
#include "ui/main/supply_measurement.h"
#include "app/window_registry.h"

namespace testing_support {

Harness::Harness(std::optional<std::string> variant, boardlink::SimBoard::Converter converter) {
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

Harness::~Harness() { main.reset(); QApplication::processEvents(); }

void Harness::finish_measurement() {
    while (main->supply_measurement().running()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

std::vector<uint32_t> Harness::words() {
    const auto& history = board->history();
    uint64_t fresh = board->words_loaded() - seen_;
    seen_ = board->words_loaded();
    if (fresh > history.size()) fresh = history.size();
    return {history.end() - static_cast<long>(fresh), history.end()};
}

std::vector<int> Harness::latches() {
    std::vector<int> l;
    for (uint32_t w : words()) l.push_back(static_cast<int>(w & 3));
    return l;
}

std::string hex(uint32_t word) { return QString::asprintf("0x%06X", word).toStdString(); }

}  // namespace testing_support
