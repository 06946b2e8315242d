#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <set>

#include "app/board_loop.h"
#include "tests/ui/dialogs/dialog_test_util.h"
#include "ui/main/supply_measurement.h"
#include "ui/widgets/numeric_led.h"
#include "ui/plots/plot_panel.h"

using testing_support::FaultInjectingPort;
using testing_support::Harness;

TEST(MainEntries, OpenTheirWindowOnlyForTheirVariantGroup) {
    struct Case { const char* device; Window window; std::function<void(Main&)> act; bool opens; };
    using M = Main::Controls;
    auto click = [](ClickLabel* M::*label) { return [label](Main& m) { QTest::mouseClick(m.ui.*label, Qt::LeftButton); }; };
    auto menu = [](QAction* M::*action) { return [action](Main& m) { (m.ui.*action)->trigger(); }; };
    auto picture = [](Main& m) { QTest::mouseDClick(m.ui.Picture1, Qt::LeftButton); };
    const Case cases[] = {
        {"ksy7100-1", Window::Prescaler, click(&M::pres), true}, {"ksy7100-8", Window::Prescaler, click(&M::pres), false},
        {"ksy7100-8", Window::Prescaler, menu(&M::prescalermenu), false}, {"ksy7102", Window::Current1, click(&M::currentsetting1), false},
        {"ksy7102", Window::Current1, menu(&M::current1menu), true}, {"ksy7102", Window::Mux, menu(&M::muxmenu), true},
        {"ksy7102", Window::Fastlock, menu(&M::backmenu), false}, {"ksy7102", Window::Fastlock, click(&M::abpw2), true},
        {"ksy7102", Window::Synth, click(&M::vcofreq), true}, {"ksy7100-8", Window::Synth, menu(&M::synthmenu), true},
        {"ksy7102", Window::Registers, menu(&M::registermenu), false}, {"ksy7100-5", Window::Registers, menu(&M::registermenu), true},
        {"ksy7100-5", Window::VcoTest, picture, true}, {"ksy7102", Window::VcoTest, picture, false}};
    for (const auto& c : cases) {
        Harness h("ksy7100-1");
        h.state.device = c.device;
        h.main->register_window(c.window, [](Main&) { return std::make_unique<QDialog>(); });  // a stand-in
        c.act(*h.main);
        EXPECT_EQ(h.prompts.opened.size(), c.opens ? 1u : 0u) << c.device;
    }
}

// A missing or stuck converter is silent at start-up and says so when asked; Vp below Vdd is warned of.
TEST(SupplyMeasurement, ShowsTheSuppliesOrSaysWhyNotUndisturbedByALatchWriteBetweenItsSteps) {
    struct Case { boardlink::SimBoard::Converter converter; bool measured; std::vector<QString> messages; };
    const Case cases[] = {
        {{false}, false, {"No supply monitor answers on the board."}},
        {{true, -1}, false, {"No supply monitor answers on the board."}},  // stuck busy
        {{true, 2, 2.0, 3.3}, true, {"Warning. Vp must be greater than or equal to Vdd"}}};
    for (const auto& c : cases) {
        Harness h("ksy7100-1", c.converter);
        EXPECT_EQ(h.main->ui.NumLED1->text().isEmpty(), !c.measured);
        if (!c.measured) {
            EXPECT_TRUE(h.prompts.messages.empty()) << "a missing converter is silent at start-up";
            h.main->ui.mnuMeasure->trigger();
            h.finish_measurement();
        }
        EXPECT_EQ(h.prompts.texts(), c.messages);
    }
    // A latch write between the measurement's steps disturbs neither; a powered-down board reads 0.
    Harness h("ksy7100-1");
    const auto& ui = h.main->ui;
    h.main->supply_measurement().set_settle_ms(20);
    ui.NumLED1->setText("");
    ui.mnuMeasure->trigger();
    QTest::mouseClick(ui.Toggle5, Qt::LeftButton);  // while the converter settles
    h.finish_measurement();
    EXPECT_EQ(ui.NumLED1->text(), "3.3");
    EXPECT_EQ(h.words(), std::vector<uint32_t>{0x8FF308});
    h.state.powerdown_bits = 3145728;
    h.main->send(0);
    ui.mnuMeasure->trigger();
    h.finish_measurement();
    EXPECT_EQ(ui.NumLED3->text(), "0");  // 0.8 mA: below the display threshold
    EXPECT_TRUE(h.prompts.messages.empty());
}

TEST(BoardLinkStatus, AFailedLinkIsShownOnceAndWritesAreDropped) {
    Harness h("ksy7100-1");
    auto sim = std::make_unique<boardlink::SimBoard>();
    h.link.attach(std::make_unique<FaultInjectingPort>(*sim, 100, "/dev/parport0: writing the data register failed: No such device"));
    QTest::mouseClick(h.main->ui.Toggle1, Qt::LeftButton);  // three latches: fails in the second
    QTest::mouseClick(h.main->ui.Toggle5, Qt::LeftButton);
    ASSERT_EQ(h.prompts.messages.size(), 1u);
    EXPECT_TRUE(h.prompts.messages[0].text.contains("No such device"));
    EXPECT_TRUE(h.main->ui.link_status->text().startsWith("Board link FAILED"));
    EXPECT_EQ(sim->words_loaded(), 1u);
    h.link.close();
}

// A companion window; with a loop the board settles, and it plots the VCO frequency since the hop,
// from where it was to where the words aim, and shows lock detect. Its redraw is waited for.
TEST(SimulatedBoardWindow, PlotsTheSettlingAndShowsLockDetect) {
    Harness h("ksy7100-1");
    BoardLoop loop(h.state, h.link);
    int64_t now = 0;
    h.board->set_clock([&] { return now; });
    h.state.muxout_bits = 32;  // digital lock detect
    h.main->ui.mnuSimBoard->trigger();
    auto* window = h.main->findChild<QDialog*>("SimBoardWindow");
    ASSERT_TRUE(window && window->isVisible() && h.prompts.opened.empty()) << "a companion window, not a modal one";
    for (int latch : {1, 0, 2}) h.main->send(latch);
    now = 50'000'000;
    h.state.n_value += 10;  // a hop of ten PFD steps
    h.state.b_counter = h.state.n_value / h.state.prescaler, h.state.a_counter = h.state.n_value % h.state.prescaler;
    h.main->send(2);
    auto* muxout = window->findChild<QLabel*>("muxout");
    EXPECT_TRUE(QTest::qWaitFor([&] { return muxout->text() == "Lock detect: not locked"; }, 5000)) << muxout->text().toStdString();
    now += 5'000'000;
    EXPECT_TRUE(QTest::qWaitFor([&] { return muxout->text() == "Lock detect: locked"; }, 5000)) << muxout->text().toStdString();
    const auto* plot = window->findChild<PlotPanel*>("BoardSettling");
    const auto* graph = plot ? plot->plot()->graph(0) : nullptr;
    ASSERT_TRUE(graph && graph->data()->size() > 100);
    EXPECT_NEAR(graph->data()->at(0)->value, 2400, 1e-6);
    EXPECT_NEAR((graph->data()->constEnd() - 1)->value, 2400 + 10 * h.state.pfd_freq / 1e3, 1e-3);
}

// Closing releases the link; each menu's entries have access keys of their own.
TEST(MainWindow, ClosingReleasesTheLinkAndEachMenusAccessKeysDiffer) {
    Harness h("ksy7100-1");
    for (QMenu* menu : h.main->menuBar()->findChildren<QMenu*>()) {
        std::set<QChar> keys;
        for (QAction* a : menu->actions())
            if (const qsizetype at = a->text().indexOf('&'); at >= 0 && at + 1 < a->text().size()) {
                EXPECT_TRUE(keys.insert(a->text()[at + 1].toLower()).second) << menu->title().toStdString() << ": " << a->text().toStdString();
            }
    }
    h.main->close();
    EXPECT_FALSE(h.link.is_open());
}
