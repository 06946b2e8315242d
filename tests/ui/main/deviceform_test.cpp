#include <gtest/gtest.h>

#include <QLabel>
#include <QRadioButton>

#include "model/variants.h"
#include "tests/support/gui_harness.h"
#include "ui/main/deviceform.h"
#include "ui/widgets/click_label.h"
#include "ui/widgets/toggle_switch.h"

using testing_support::Harness;

TEST(VariantDialog, EachVariantConfiguresTheMainWindowAndWritesNoLatch) {
    for (std::string_view name : variants::kNames) {
        const std::string device(name);
        const bool single = device == "ksy7100-8";
        Harness h(device);
        auto& ui = h.main->ui;
        const QWidget* w = h.main.get();
        SCOPED_TRACE(device);
        EXPECT_EQ(h.state.device, device);
        EXPECT_EQ(ui.device->text(), QString::fromStdString(device).toUpper());
        EXPECT_EQ(ui.eval->text(), QString::fromStdString(device).toUpper() + "EB1");
        EXPECT_TRUE(h.main->isVisible());
        EXPECT_TRUE(ui.Frame9->isVisibleTo(w) && ui.Command1->isVisibleTo(w));
        EXPECT_EQ(std::pair(ui.Toggle4->isVisibleTo(w), ui.Toggle6->isVisibleTo(w)), std::pair(!single, !single));
        EXPECT_EQ(ui.pres->text(), single ? "Not Used" : device == "ksy7100-7" ? "8/9" : "32/33");
        EXPECT_EQ(h.board->words_loaded(), 0u) << "no latch is written at start-up";
        EXPECT_EQ(h.board->single_modulus(), single);
        EXPECT_EQ(ui.vcofreq->text().toStdString(), std::to_string(int(h.state.vco_freq)) + ".00000MHz");
    }
}

// The state it leaves is checked in tests/model/variants_test.cpp; here what the window shows.
TEST(VariantDialog, OkWithNothingMarkedShowsNoDevice) {
    Harness h(std::nullopt);
    EXPECT_EQ(h.main->ui.device->text(), "Choose device");
    EXPECT_EQ(h.main->ui.eval->text(), "Choose Board");
    EXPECT_FALSE(h.main->ui.Frame9->isVisibleTo(h.main.get()));
}

TEST(VariantDialog, LoadReportsAFailedClaim) {
    Harness h;
    boardlink::BoardLink::Opened opened;
    opened.claim_error = "/dev/parport0: claim failed: the port is busy: another driver or program holds it";
    deviceform dialog(*h.main, opened);
    dialog.Form_Load();
    ASSERT_EQ(h.prompts.messages.size(), 1u);
    EXPECT_EQ(h.prompts.messages[0].text, "Failed to claim Parallel Port");
    EXPECT_TRUE(h.prompts.messages[0].detail.contains("the port is busy"));
    EXPECT_TRUE(h.prompts.messages[0].detail.contains("simulated board"));
    EXPECT_EQ(h.main->ui.Label9->text(), "5 mA");
    EXPECT_EQ(dialog.Option[9]->text(), "KSY7100-0");
}
