#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "model/board_presets.h"
#include "model/latch.h"
#include "tests/ui/dialogs/dialog_test_util.h"
#include "ui/dialogs/conversionform.h"
#include "ui/dialogs/fastlockform.h"
#include "ui/dialogs/presetform.h"
#include "ui/dialogs/resend_form.h"
#include "ui/dialogs/revform.h"
#include "ui/dialogs/setting_dialog.h"
#include "ui/widgets/click_label.h"

using namespace dialog_tests;
using testing_support::Harness;

namespace {

const std::vector<int> kFullSequence = {T, N, R, C};

// Chooses board `option` (1..5, or 0 for none) in the preset dialog and presses OK.
void choose_board(Harness& h, int option) {
    through_entry<presetform>(h, [&] { click(h.main->ui.eval); }, [&](presetform& d) {
        if (option > 0) click(d.Option[option - 1]);
        click(d.Command1);
    });
}

// True when `after` differs from `before` at most in what a send leaves behind: latch_select
// and the copies of the words (and the wait count) write_latch keeps.
bool only_send_copies_differ(const EvalState& before, const EvalState& after) {
    EvalState expected = before;
    expected.latch_select = after.latch_select;
    expected.tx_word = after.tx_word;
    expected.control_word = after.control_word;
    expected.r_word = after.r_word;
    expected.r_word_assembled = after.r_word_assembled;
    expected.n_word = after.n_word;
    expected.n_word_assembled = after.n_word_assembled;
    expected.test_word = after.test_word;
    expected.latches_sent = after.latches_sent;
    expected.shift_delay = after.shift_delay;
    return after == expected;
}

}  // namespace

TEST(Presetform, LoadsTheChosenBoardsSetupAndSendsTheFullSequence) {
    const std::tuple<int, const char*, int32_t, int32_t, int32_t, double, double, double> cases[] = {
        {1, "ksy7100", 50, 140, 20, 900, 200, 10e6},
        {3, "ksy7102", 640, 870, 10, 835.5, 30, 19.2e6},
        {5, "ksy7104", 96, 306, 8, 1960, 200, 19.2e6},
    };
    for (const auto& [option, device, r, b, a, vco, pfd, ref] : cases) {
        Harness h("ksy7100-1");
        h.state.muxout_bits = 64;
        h.state.ldp_bits = 262144;
        choose_board(h, option);
        EXPECT_EQ(h.state.device, device);
        EXPECT_EQ(h.state.preset_index, option);
        EXPECT_EQ(std::tuple(h.state.r_counter, h.state.b_counter, h.state.a_counter), std::tuple(r, b, a));
        EXPECT_EQ(std::tuple(h.state.vco_freq, h.state.pfd_freq, h.state.ref_freq), std::tuple(vco, pfd, ref));
        EXPECT_EQ(h.state.muxout_bits, 0);
        EXPECT_EQ(h.state.ldp_bits, 0);
        EXPECT_EQ(h.state.pd_polarity_bits, 256);
        EXPECT_EQ(h.main->ui.eval->text().toStdString(), kBoardPresets[option - 1].caption);
        // The family name is none of the nine: the four sends carry no new word, so the board
        // latches again what its shift register still holds.
        EXPECT_EQ(h.words().size(), 4u);
    }
}

TEST(Presetform, BoardsFourAndFiveKeepThePrescalerAndCurrents) {
    for (int option : {3, 4, 5}) {
        Harness h("ksy7100-1");
        h.state.prescaler_bits = 4194304;
        h.state.cs1_bits = 16384;
        h.state.cs2_bits = 131072;
        choose_board(h, option);
        const bool kept = option >= 4;
        EXPECT_EQ(h.state.prescaler_bits, kept ? 4194304 : 8388608) << option;
        EXPECT_EQ(h.state.cs1_bits, kept ? 16384 : 114688) << option;
        EXPECT_EQ(h.state.cs2_bits, kept ? 131072 : 917504) << option;
    }
}

TEST(Presetform, OkWithNoBoardChangesNothingButStillSendsFourWords) {
    Harness h("ksy7100-1");
    const EvalState before = h.state;
    const QString caption = h.main->ui.eval->text();
    choose_board(h, 0);
    EXPECT_TRUE(only_send_copies_differ(before, h.state));
    EXPECT_EQ(h.main->ui.eval->text(), caption);
    EXPECT_EQ(h.latches(), kFullSequence);  // a variant of the nine: real words, in order
}

TEST(Presetform, ReopeningShowsTheChosenBoardAndNoneAfterAVariant) {
    Harness h("ksy7100-1");
    std::vector<bool> marked;
    auto look = [&](presetform& d) {
        for (auto* o : d.Option) marked.push_back(o->isChecked());
    };
    through_entry<presetform>(h, [&] { click(h.main->ui.eval); }, look);
    choose_board(h, 5);
    through_entry<presetform>(h, [&] { h.main->ui.mnuEval->trigger(); }, look);
    EXPECT_EQ(marked, (std::vector<bool>{false, false, false, false, false, false, false, false, false, true}));
}

TEST(Presetform, AfterABoardEveryWindowSendsNoNewWord) {
    Harness h("ksy7100-1");
    choose_board(h, 2);
    h.words();
    const auto latched = h.board->latches();
    for (Window w : {Window::Synth, Window::Crystal, Window::Current1, Window::Current2, Window::Powerdown,
                     Window::Mux, Window::Prescaler, Window::Fastlock, Window::Bandselect, Window::Resend}) {
        auto dialog = h.main->window_factory(w)(*h.main);
        ASSERT_NE(dialog, nullptr);
        dialog->show();
        if (auto* setting = qobject_cast<SettingDialog*>(dialog.get()))
            click(setting->Command1);
        else
            for (auto* button : dialog->findChildren<QPushButton*>()) click(button);
        EXPECT_TRUE(h.board->latches() == latched) << dialog->objectName().toStdString();
    }
    EXPECT_EQ(h.state.device, "ksy7101");
}

TEST(Fastlockform, StoresTheWidthShowsItAndSendsTheRLatchWithItsBits) {
    const std::tuple<int, int32_t, const char*> cases[] = {
        {1, 0, "3.0ns ABP width"},
        {2, 65536, "1.3ns ABP width"},
        {3, 131072, "6.0ns ABP width"},
        {4, 196608, "3.0ns ABP width"},
    };
    for (const auto& [option, width_bits, caption] : cases) {
        Harness h("ksy7100-4");
        h.state.abp_width_bits = option == 1 ? 65536 : 0;
        through_entry<fastlockform>(h, [&] { click(h.main->ui.abpw2); }, [&](fastlockform& d) {
            click(d.Option[option - 1]);
            click(d.Command3);
        });
        EXPECT_EQ(h.state.abp_width_bits, width_bits);
        EXPECT_EQ(h.main->ui.abpw2->text(), caption);
        auto words = h.words();
        EXPECT_EQ(latches_of(words), kFullSequence);
        EXPECT_EQ(bits(word_of(words, R), 17, 16), uint32_t(option - 1)) << option;
    }
}

TEST(Fastlockform, OpensOnTheOptionOfTheStoredCode) {
    // 196608 opens on the lower of the two "3.0 nsecs" choices: its own code, 11.
    const std::tuple<int32_t, int> cases[] = {{0, 1}, {65536, 2}, {131072, 3}, {196608, 4}};
    for (const auto& [stored, shown] : cases) {
        Harness h("ksy7100-1");
        h.state.abp_width_bits = stored;
        fastlockform d(*h.main);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(d.Option[i]->isChecked(), i + 1 == shown) << stored;
    }
}

TEST(Form1, EachButtonResendsOneWordAssembledFromTheStateAndChangesNoSetting) {
    Harness h("ksy7100-2");
    Form1 d(*h.main);
    const std::tuple<QPushButton*, int> cases[] = {
        {d.Command6, R}, {d.Command6, R}, {d.Command1, T}, {d.Command7, C}, {d.Command2, N},
    };
    for (const auto& [button, latch] : cases) {
        const EvalState before = h.state;
        click(button);
        auto words = h.words();
        ASSERT_EQ(words.size(), 1u);
        EXPECT_EQ(int(words[0] & 3), latch);
        EXPECT_EQ(h.state.latch_select, latch);
        EXPECT_TRUE(only_send_copies_differ(before, h.state)) << latch;
        EXPECT_EQ(int64_t(words[0]), assemble_latch(h.state, uint8_t(latch)));
    }
    EXPECT_TRUE(d.isVisible());
    click(d.Command3);
    EXPECT_FALSE(d.isVisible());
}

TEST(Form1, ResendsANewSettingWithoutTheMainWindowBeingRefreshed) {
    Harness h("ksy7100-1");
    const QString shown = h.main->ui.vcofreq->text();
    h.state.b_counter = 300;  // as if stored by a window that sent nothing yet
    Form1 d(*h.main);
    click(d.Command2);
    EXPECT_EQ(b_of(word_of(h.words(), N)), 300u);
    EXPECT_EQ(h.main->ui.vcofreq->text(), shown);
}

TEST(Revform, ShowsTheFeatureNotesInTheirOrderAndTheRevision) {
    Harness h("ksy7100-1");
    revform d(*h.main);
    EXPECT_EQ(d.windowTitle(), "Help / Information");
    EXPECT_EQ(d.REV->text(), "REV 2.0");
    QStringList names;
    for (auto* o : d.findChildren<QRadioButton*>()) names << o->objectName();
    EXPECT_EQ(names, (QStringList{"Option2", "Option3", "Option4", "Option1", "Option7", "Option8"}));
    // The ampersands show as themselves, not as access keys.
    EXPECT_EQ(d.Option1->text().replace("&&", "&"),
              "This rev allows the software to be used with Windows NT, 95, 98 & 2000 & XP. ");
    click(d.Option7);
    EXPECT_TRUE(h.words().empty());
}

TEST(Conversionform, ConvertsByTheChosenOptionAndFormatsTheAnswer) {
    Harness h("ksy7100-1");
    conversionform d(*h.main);
    EXPECT_TRUE(d.Option1->isChecked());
    const std::tuple<QRadioButton*, const char*, const char*> cases[] = {
        {d.Option1, "0", "0.22361"},     {d.Option1, "10", "0.70711"},  {d.Option2, "1", "13.01030"},
        {d.Option2, "0", "undefined"},   {d.Option2, "-1", "undefined"}, {d.Option3, "20", "10.00000"},
        {d.Option3, "-6", "0.50119"},    {d.Option4, "2", "6.02060"},   {d.Option4, "0", "undefined"},
    };
    for (const auto& [option, input, answer] : cases) {
        click(option);
        d.Text1->setText(input);
        click(d.Command1);
        EXPECT_EQ(d.Text2->text(), answer) << input;
        EXPECT_EQ(d.Text1->text(), input);
    }
    EXPECT_TRUE(h.prompts.messages.empty());
    EXPECT_TRUE(h.words().empty());
}

TEST(Conversionform, ANonNumberOrAnOverflowBeepsEmptiesTheEntryAndKeepsTheAnswer) {
    const std::tuple<int, const char*> cases[] = {{1, "abc"}, {1, ""}, {1, "3100"}, {3, "1e5"}, {2, "1 2"}};
    for (const auto& [option, input] : cases) {
        Harness h("ksy7100-1");
        conversionform d(*h.main);
        d.Text1->setText("10");
        click(d.Command1);
        const QString answer = d.Text2->text();
        click(d.findChild<QRadioButton*>(QString("Option%1").arg(option)));
        d.Text1->setText(input);
        click(d.Command1);
        ASSERT_EQ(h.prompts.texts(), std::vector<QString>{"Invalid entry. This must be a number"}) << input;
        EXPECT_TRUE(h.prompts.messages[0].beep);
        EXPECT_EQ(h.prompts.messages[0].icon, MessageIcon::Exclamation);
        EXPECT_TRUE(d.Text1->text().isEmpty());
        EXPECT_EQ(d.focusWidget(), d.Text1);
        EXPECT_EQ(d.Text2->text(), answer) << input;
    }
}
