#include <gtest/gtest.h>

#include <QLabel>
#include <QRadioButton>

#include "model/variants.h"
#include "tests/support/gui_harness.h"
#include "ui/main/deviceform.h"
#include "app/window_registry.h"
#include "ui/widgets/click_label.h"
#include "ui/widgets/toggle_switch.h"

using testing_support::Harness;

TEST(VariantDialog, EachVariantConfiguresTheMainWindowAndWritesNoLatch) {
    struct Case { const char* device; const char* caption; const char* board; bool single; };
    const Case cases[] = {
        {"ksy7100-0", "KSY7100-0", "KSY7100-0EB1", false}, {"ksy7100-1", "KSY7100-1", "KSY7100-1EB1", false},
        {"ksy7100-2", "KSY7100-2", "KSY7100-2EB1", false}, {"ksy7100-3", "KSY7100-3", "KSY7100-3EB1", false},
        {"ksy7100-4", "KSY7100-4", "KSY7100-4EB1", false}, {"ksy7100-5", "KSY7100-5", "KSY7100-5EB1", false},
        {"ksy7100-6", "KSY7100-6", "KSY7100-6EB1", false}, {"ksy7100-7", "KSY7100-7", "KSY7100-7EB1", false},
        {"ksy7100-8", "KSY7100-8", "KSY7100-8EB1", true},
    };
    for (const auto& c : cases) {
        Harness h(c.device);
        auto& ui = h.main->ui;
        EXPECT_EQ(h.state.device, c.device);
        EXPECT_EQ(ui.device->text(), c.caption);
        EXPECT_EQ(ui.eval->text(), c.board);
        EXPECT_TRUE(h.main->isVisible());
        EXPECT_TRUE(ui.Frame9->isVisibleTo(h.main.get()) && ui.Command1->isVisibleTo(h.main.get()));
        EXPECT_EQ(ui.Toggle4->isVisibleTo(h.main.get()), !c.single) << c.device;
        EXPECT_EQ(ui.pres->text(), c.single ? "Not Used" : (std::string(c.device) == "ksy7100-7" ? "8/9" : "32/33"));
        EXPECT_EQ(h.board->words_loaded(), 0u) << "no latch is written at start-up";
        EXPECT_EQ(h.board->single_modulus(), c.single);
        EXPECT_EQ(ui.vcofreq->text().toStdString(),
                  (c.single ? "120.00000MHz" : std::to_string(int(h.state.vco_freq)) + ".00000MHz"));
    }
}

TEST(VariantDialog, OkWithNothingMarkedLeavesTheDeviceEmpty) {
    Harness h(std::nullopt);
    EXPECT_EQ(h.state.device, "");
    EXPECT_EQ(h.main->ui.device->text(), "Choose device");
    EXPECT_EQ(h.main->ui.eval->text(), "Choose Board");
    EXPECT_FALSE(h.main->ui.Frame9->isVisibleTo(h.main.get()));
    EXPECT_EQ(h.state.vco_freq, 900);
}

TEST(VariantDialog, LoadSetsPortDefaultsAndReportsAFailedClaim) {
    Harness h;
    boardlink::BoardLink::Opened opened;
    opened.claim_error = "/dev/parport0: claim failed: the port is busy: another driver or program holds it";
    EvalState fresh;
    h.state = fresh;
    deviceform dialog(*h.main, opened);
    dialog.Form_Load();
    ASSERT_EQ(h.prompts.messages.size(), 1u);
    EXPECT_EQ(h.prompts.messages[0].text, "Failed to claim Parallel Port");
    EXPECT_TRUE(h.prompts.messages[0].detail.contains("the port is busy"));
    EXPECT_TRUE(h.prompts.messages[0].detail.contains("simulated board"));
    EXPECT_EQ(h.state.data_port, 888);
    EXPECT_EQ(h.state.readback_port, 888);
    EXPECT_EQ(h.state.prescaler_bits, 8388608);
    EXPECT_EQ(h.state.cs1_bits, 114688);
    EXPECT_EQ(h.main->ui.Label9->text(), "5 mA");
    EXPECT_EQ(dialog.Option[9]->text(), "KSY7100-0");
}
