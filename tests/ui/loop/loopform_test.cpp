// The loop designer as a user drives it, from the main window's button and the Settings menu; it
// never sends a word to the board.
#include <gtest/gtest.h>

#include <qcustomplot.h>

#include "model/loop_analysis.h"
#include "model/loop_plan.h"
#include "tests/ui/dialogs/dialog_test_util.h"
#include "ui/loop/loopform.h"
#include "ui/plots/plot_panel.h"

using namespace dialog_tests;
using testing_support::Harness;

namespace {

void type(QLineEdit* e, const QString& text) { e->clear(); QTest::keyClicks(e, text); }

}  // namespace

TEST(Loopform, DesignsOnThePresentPlanShowsWhatThePartsDoAndSendsNothing) {
    Harness h("ksy7100-1");
    h.words();
    through_entry<loopform>(h, [&] { click(h.main->ui.Command15); }, [&](loopform& w) {
        // A design for 20 kHz and 45 degrees: analysed again on the plan it gives them back.
        type(w.fc, "20000");
        type(w.pm, "45");
        click(w.Design);
        const auto figures = analyse_loop(h.state.loop.parts, loop_plant(h.state, plan_ratio(h.state)));
        ASSERT_TRUE(figures);
        EXPECT_NEAR(figures->crossover_hz, 20000, 20);
        EXPECT_NEAR(figures->phase_margin_deg, 45, 0.05);
        EXPECT_EQ(w.parts->item(5, 2)->text(), "20 kHz");
        EXPECT_TRUE(w.open_loop->plot()->accessibleDescription().contains("20 kHz with a phase margin of 45.0"))
            << w.open_loop->plot()->accessibleDescription().toStdString();
        EXPECT_TRUE(w.transient->plot()->accessibleDescription().contains("after"));

        // A current set elsewhere (a remote client) re-analyses the parts in use at once.
        h.state.rset *= 2;
        h.main->refresh_main();
        QCoreApplication::processEvents();
        EXPECT_NE(w.parts->item(5, 2)->text(), "20 kHz");

        // The series rounds the parts in use at once; a part typed in the table is taken.
        w.Combo2->setCurrentIndex(0);  // E12
        emit w.Combo2->activated(0);
        EXPECT_DOUBLE_EQ(h.state.loop.parts.c2, snap_parts(h.state.loop.parts, ESeries::E12).c2);
        w.parts->item(0, 2)->setText("2.2n");
        EXPECT_DOUBLE_EQ(h.state.loop.parts.c1, 2.2e-9);

        // A margin no second-order loop reaches is refused with the reason and changes nothing.
        const LoopSettings before = h.state.loop;
        type(w.pm, "95");
        click(w.Design);
        EXPECT_TRUE(h.prompts.messages.size() == 1 && h.state.loop == before);

        // A VCO gain that is no number is named on the status line and not taken.
        type(w.kvco, "fast");
        EXPECT_EQ(w.status->text(), "The VCO gain must be above 0 MHz/V.");
        EXPECT_TRUE(h.state.loop == before);

        // The keyboard moves the plot's cursor; each plot exports whole.
        w.open_loop->plot()->setFocus();
        QTest::keyClick(w.open_loop->plot(), Qt::Key_End);
        EXPECT_TRUE(w.open_loop->readout().startsWith("Frequency (Hz) ")) << w.open_loop->readout().toStdString();
        QTemporaryDir dir;
        for (auto [button, file, head] :
             {std::tuple{"noisePng", "plot.png", "\x89PNG"}, {"noisePdf", "plot.pdf", "%PDF"}, {"noiseCsv", "plot.csv", "\"Offset"}}) {
            h.prompts.file_names.push_back(dir.filePath(file));
            click(w.findChild<QPushButton*>(button));
            QFile f(dir.filePath(file));
            EXPECT_TRUE(f.open(QIODevice::ReadOnly) && f.read(8).startsWith(head)) << file;
        }
    });
    EXPECT_TRUE(h.words().empty()) << "the loop designer sends nothing";
    EXPECT_EQ(through_entry<loopform>(h, [&] { h.main->ui.loopmenu->trigger(); }), "loopform") << "the Settings menu opens it too";
}

// What a windowed run leaves in the loop designer is there the next time for the same variant,
// and for no other.
TEST(Loopform, KeepsItsInputsForTheNextRunOfTheSameVariant) {
    LoopParts left;
    {
        Harness h("ksy7100-1");
        through_entry<loopform>(h, [&] { click(h.main->ui.Command15); }, [&](loopform& w) {
            type(w.kvco, "33");
            w.parts->item(1, 2)->setText("10n");
            left = h.state.loop.parts;
        });
    }
    for (const char* variant : {"ksy7100-1", "ksy7100-8"}) {
        Harness h(variant);
        const LoopSettings start = h.state.loop;
        through_entry<loopform>(h, [&] { click(h.main->ui.Command15); });
        const bool same = std::string(variant) == "ksy7100-1";
        EXPECT_EQ(h.state.loop.parts == left, same) << variant;
        EXPECT_EQ(h.state.loop.kvco_mhz_per_v, same ? 33 : start.kvco_mhz_per_v) << variant;
    }
}
