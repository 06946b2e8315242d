#include "tests/exercisers/exerciser_rig.h"

#include <QApplication>
#include <QRadioButton>

#include "ui/main/deviceform.h"
#include "ui/main/supply_measurement.h"
#include "ui/main/window_registry.h"

namespace exerciser_tests {

BreakableRig::BreakableRig() {
    auto breakable = std::make_unique<BreakableLink>(board);
    port = breakable.get();
    link.attach(std::move(breakable));
    main = std::make_unique<Main>(state, link, prompts);
    install_windows(*main);
    main->supply_measurement().set_settle_ms(0);
    deviceform dialog(*main, {});
    dialog.Form_Load();
    dialog.Option[1]->setChecked(true);  // ksy7100-1
    dialog.Command1_Click();
    while (main->supply_measurement().running()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

BreakableRig::~BreakableRig() {
    main.reset();
    QApplication::processEvents();
}

}  // namespace exerciser_tests
