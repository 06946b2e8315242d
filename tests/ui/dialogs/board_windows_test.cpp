#include <gtest/gtest.h>

#include "model/board_presets.h"
#include "model/latch.h"
#include "tests/ui/dialogs/dialog_test_util.h"
#include "ui/dialogs/conversionform.h"
#include "ui/dialogs/fastlockform.h"
#include "ui/dialogs/presetform.h"
#include "ui/dialogs/resend_form.h"

using namespace dialog_tests;
using testing_support::Harness;

// OK loads the chosen board's setup (its words: action_parity_test), or with none chosen changes
// nothing and sends the four latches in order; the dialog opens again on the board chosen.
TEST(Presetform, LoadsTheChosenBoardOrNothingAndReopensOnIt) {
    for (int option = 0; option <= 5; ++option) {
        SCOPED_TRACE(option);
        Harness h("ksy7100-1");
        const EvalState before = h.state;
        choose_board(h, option);
        EXPECT_EQ(h.main->ui.eval->text().toStdString(), option ? kBoardPresets[option - 1].caption : "KSY7100-1EB1");
        const auto words = h.words();
        EXPECT_EQ(words.size(), 4u);
        EXPECT_TRUE(option || (latches_of(words) == std::vector<int>({T, N, R, C}) && fields_of(h.state) == fields_of(before)));
        std::vector<bool> marked, chosen(5);
        if (option) chosen[option - 1] = true;
        through_entry<presetform>(h, [&] { h.main->ui.mnuEval->trigger(); },
                                  [&](presetform& d) { for (auto* o : d.Option) marked.push_back(o->isChecked()); });
        EXPECT_EQ(marked, chosen);
    }
}

// Each width is stored, shown and sent, and the dialog reopens on it; the stored 196608 on the
// lower of the two "3.0 nsecs" choices, its own code 11.
TEST(Fastlockform, StoresTheWidthShowsItSendsTheRLatchWithItsBitsAndReopensOnIt) {
    const std::tuple<int, int32_t, const char*> cases[] = {
        {1, 0, "3.0ns ABP width"}, {2, 65536, "1.3ns ABP width"}, {3, 131072, "6.0ns ABP width"}, {4, 196608, "3.0ns ABP width"}};
    for (const auto& [option, width_bits, caption] : cases) {
        SCOPED_TRACE(option);
        Harness h("ksy7100-4");
        h.state.abp_width_bits = option == 1 ? 65536 : 0;
        through_entry<fastlockform>(h, [&] { click(h.main->ui.abpw2); }, [&](fastlockform& d) {
            click(d.Option[option - 1]);
            click(d.Command3);
        });
        EXPECT_EQ(h.state.abp_width_bits, width_bits);
        EXPECT_EQ(h.main->ui.abpw2->text(), caption);
        EXPECT_EQ(bits(word_of(h.words(), R), 17, 16), uint32_t(option - 1));  // the order: actions_test
        fastlockform again(*h.main);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(again.Option[i]->isChecked(), i + 1 == option);
    }
}

// A setting stored by a window that sent nothing yet goes out with the word; the main window is
// not refreshed.
TEST(Form1, EachButtonResendsOneWordAssembledFromTheStateAndChangesNoSetting) {
    Harness h("ksy7100-2");
    const QString shown = h.main->ui.vcofreq->text();
    h.state.b_counter = 300;
    Form1 d(*h.main);
    for (const auto& [button, latch] : {std::pair{d.Command6, R}, {d.Command6, R}, {d.Command1, T}, {d.Command7, C}, {d.Command2, N}}) {
        SCOPED_TRACE(latch);
        const EvalState before = h.state;
        click(button);
        auto words = h.words();
        ASSERT_EQ(latches_of(words), std::vector<int>{latch});
        EXPECT_EQ(h.state.latch_select, latch);
        EXPECT_TRUE(fields_of(h.state) == fields_of(before));
        EXPECT_EQ(int64_t(words[0]), assemble_latch(h.state, uint8_t(latch)));
    }
    EXPECT_EQ(b_of(h.board->latches()[N].value()), 300u);
    EXPECT_EQ(h.main->ui.vcofreq->text(), shown);
    EXPECT_TRUE(d.isVisible());
    click(d.Command3);
    EXPECT_FALSE(d.isVisible());
}

// One conversion after another in the same window: each option runs its own conversion (the
// conversions' values are tested in tests/model/conversion_test.cpp). A non-number or an overflow
// (answer nullptr) beeps, empties and focuses the entry and keeps the answer shown before.
TEST(Conversionform, ConvertsByTheChosenOptionOrRefusesAndKeepsTheAnswer) {
    Harness h("ksy7100-1");
    conversionform d(*h.main);
    EXPECT_TRUE(d.Option1->isChecked());
    const std::tuple<QRadioButton*, const char*, const char*> steps[] = {
        {d.Option1, "0", "0.22361"},  {d.Option1, "abc", nullptr},   {d.Option1, "", nullptr},
        {d.Option2, "1", "13.01030"}, {d.Option1, "3100", nullptr},  {d.Option2, "0", "undefined"},
        {d.Option3, "1e5", nullptr},  {d.Option3, "20", "10.00000"}, {d.Option2, "1 2", nullptr}, {d.Option4, "2", "6.02060"}};
    for (const auto& [option, input, answer] : steps) {
        SCOPED_TRACE(input);
        const QString previous = d.Text2->text();
        h.prompts.messages.clear();
        click(option);
        d.Text1->setText(input);
        click(d.Command1);
        if (answer) {
            EXPECT_EQ(std::tuple(h.prompts.texts().size(), d.Text2->text(), d.Text1->text()), std::tuple(size_t(0), QString(answer), QString(input)));
            continue;
        }
        ASSERT_EQ(h.prompts.texts(), std::vector<QString>{"Invalid entry. This must be a number"});
        EXPECT_TRUE(h.prompts.messages[0].beep && h.prompts.messages[0].icon == MessageIcon::Exclamation);
        EXPECT_EQ(std::tuple(d.Text1->text(), d.focusWidget(), d.Text2->text()), std::tuple(QString(), (QWidget*)d.Text1, previous));
    }
    EXPECT_TRUE(h.words().empty());
}
