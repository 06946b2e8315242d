#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "tests/support/refusal.h"
#include "tests/ui/dialogs/dialog_test_util.h"
#include "ui/dialogs/planform.h"
#include "ui/dialogs/synthform.h"
#include <QTableWidget>
#include "ui/widgets/click_label.h"

using namespace dialog_tests;
using testing_support::expect_refused;
using testing_support::Harness;

namespace {

void load(synthform& d, const char* vco, const char* pfd) {
    d.Text1->setText(vco);
    d.Text2->setText(pfd);
    click(d.Command3);
}

QStringList counter_labels(const synthform& d) {
    return {d.Label4->text(), d.Label5->text(), d.Label6->text(), d.Label7->text()};
}

}  // namespace

TEST(Synthform, LoadNowSendsOnlyTheLatchOfTheFrequencyThatChanged) {
    struct Case {
        const char *vco, *pfd;
        std::vector<int> sent;
        uint32_t r, n, b, a;
        const char* vcofreq;
    };
    const Case cases[] = {
        {"2400.2", "200", {N}, 50, 12001, 375, 1, "2400.20000MHz"},  // the worked example
        {"2400", "100", {R, N}, 100, 24000, 750, 0, "2400.00000MHz"},  // a new PFD needs a new N
        {"2401", "100", {R, N}, 100, 24010, 750, 10, "2401.00000MHz"},
        {"2400.1", "200", {}, 50, 12000, 375, 0, "2400.00000MHz"},   // N rounds half to even
    };
    for (const auto& c : cases) {
        Harness h("ksy7100-1");
        for (uint8_t latch : {C, R, N}) h.main->send(latch);  // the board holds the plan shown
        h.words();
        QStringList opened_with, labels;
        through_entry<synthform>(h, [&] { click(h.main->ui.vcofreq); }, [&](synthform& d) {
            opened_with = QStringList{d.Text1->text(), d.Text2->text()} + counter_labels(d);
            load(d, c.vco, c.pfd);
            labels = counter_labels(d);
        });
        EXPECT_EQ(opened_with, (QStringList{"2400.000000", "200.000000", "", "", "", ""}));
        auto words = h.words();
        EXPECT_EQ(latches_of(words), c.sent) << c.vco << " " << c.pfd;
        for (uint32_t w : words)  // R, then N
            EXPECT_EQ((w & 3) == R ? std::tuple(r_of(w), c.b, c.a) : std::tuple(c.r, b_of(w), a_of(w)), std::tuple(c.r, c.b, c.a));
        EXPECT_EQ(labels, (QStringList{QString::number(c.n), "32", QString::number(c.b), QString::number(c.a)}));
        EXPECT_EQ(h.state.r_counter, int32_t(c.r));
        EXPECT_EQ(h.main->ui.vcofreq->text(), c.vcofreq);
    }
}

TEST(Synthform, ChannelButtonsStepFromTheFiveDecimalTextAndSendTheNLatchOnly) {
    Harness h("ksy7100-1");
    h.main->send(R);  // the board holds the R the steps keep
    h.words();
    synthform d(*h.main);
    d.Text1->setText("2400.2");
    const std::tuple<QPushButton*, const char*, uint32_t> steps[] = {
        {d.Command4, "2400.40000", 2}, {d.Command4, "2400.60000", 3}, {d.Command5, "2400.40000", 2}};
    for (const auto& [button, text, a] : steps) {
        click(button);
        EXPECT_EQ(d.Text1->text(), text);
        auto words = h.words();
        ASSERT_EQ(latches_of(words), std::vector<int>{N});
        EXPECT_EQ(b_of(words[0]), 375u);
        EXPECT_EQ(a_of(words[0]), a);
    }
    EXPECT_EQ(h.state.loaded_vco_mhz, 2400) << "the channel buttons leave the loaded frequencies";
}

// OK runs Load Now and closes after the message all the same.
TEST(Synthform, BadEntriesShowTheirMessageEmptyTheEntryOfTheirStepAndChangeNothing) {
    const auto T1 = &synthform::Text1, T2 = &synthform::Text2;
    using Button = QPushButton* synthform::*;
    const Button ok = &synthform::Command1, load_now = &synthform::Command3, up = &synthform::Command4,
                 down = &synthform::Command5;
    const QString vco = "Invalid entry in VCO Frequency.", pfd = "Invalid entry in reference frequency.";
    struct Case {
        QLineEdit* synthform::*entry;
        const char* text;
        Button button;
        QString message;
        QLineEdit* synthform::*emptied;  // nullptr: the entries stay as typed
    };
    const Case cases[] = {
        {T1, "abc", load_now, vco, T1},
        {T1, "abc", ok, vco, T1},
        {T2, "0", load_now, pfd, T2},
        {T2, "abc", down, vco, T1},  // the channel buttons read both entries first
        {T2, "0", up, pfd, T2},
        {T1, "0", load_now, "The total divide ratio N would be 0; it must be at least 1.", nullptr},
        {T2, "0.5", up, "The R counter would be 20000; it must be 1 to 16383.", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Harness h("ksy7100-1");
        synthform d(*h.main);
        QLineEdit* entry = d.*(c.entry);
        entry->setText(c.text);
        const EvalState before = h.state;
        click(d.*(c.button));
        expect_refused(h, before, c.message);
        EXPECT_EQ(h.prompts.messages.at(0).icon, MessageIcon::Exclamation);
        const QLineEdit* emptied = c.emptied ? d.*(c.emptied) : nullptr;
        EXPECT_EQ(entry->text(), entry == emptied ? QString() : QString(c.text));
        if (emptied) {
            EXPECT_TRUE(emptied->text().isEmpty());
            EXPECT_EQ(d.focusWidget(), emptied);
        }
        EXPECT_EQ(d.isVisible(), c.button != ok);
    }
}

// "Plan..." lists the planner's plans for the frequency entered and loads the one chosen through
// Load Now, a plan of another modulus through the prescaler's apply first: the board then makes it.
TEST(Synthform, PlanLoadsTheChosenPlanThroughTheDialogsOwnLoad) {
    struct Case { const char* wanted; int row; std::vector<int> sent; };
    const Case cases[] = {
        {"2400.1", 0, {R, N}},           // R 100 at 32/33: Load Now alone
        {"2400", 0, {T, N, R, C, R, N}},  // R 1 at 16/17: the prescaler's apply, then Load Now
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.wanted);
        Harness h("ksy7100-1");
        h.main->send(C);  // the board's prescaler is set
        h.words();
        synthform d(*h.main);
        d.Text1->setText(c.wanted);
        std::optional<FrequencyPlan> loaded;
        h.prompts.on_modal = [&](QDialog& dialog) {
            auto& planner = dynamic_cast<planform&>(dialog);
            ASSERT_GT(planner.Table1->rowCount(), c.row);
            planner.Table1->selectRow(c.row);
            click(planner.Command1);
            loaded = planner.chosen();
        };
        click(d.Command6);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(latches_of(h.words()), c.sent);
        EXPECT_EQ(h.board->output_frequency_hz().value_or(0), loaded->vco_mhz * 1e6);
        EXPECT_EQ(h.state.r_counter, loaded->r);
    }
}
