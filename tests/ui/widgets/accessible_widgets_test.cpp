// What the window walk (tests/ui/accessibility_test.cpp) does not reach: values and keys that
// must change nothing, and the focus frame a keyboard user follows.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <functional>

#include "ui/widgets/click_label.h"
#include "ui/widgets/selector_knob.h"
#include "ui/widgets/toggle_switch.h"

TEST(KnobAccess, AValueSetThroughAssistiveTechnologyIsAUserTurnAndOneNamingNoPositionChangesNothing) {
    const std::pair<QVariant, int> cases[] = {  // value, position reached from position 1
        {2, 2}, {7.0, 7}, {2.6, 3}, {QString("5"), 5}, {-1, 1}, {8, 1}, {7.6, 1}, {QString("abc"), 1},
        {std::nan(""), 1}, {QVariant(), 1},
    };
    for (const auto& [value, position] : cases) {
        SCOPED_TRACE(value.toString().toStdString());
        SelectorKnob knob({"0.31", "0.62", "0.93", "1.25", "1.56", "1.87", "2.18", "2.50"});
        knob.setUnit("mA");
        knob.setPosition(1);
        QSignalSpy turned(&knob, &SelectorKnob::positionChanged);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&knob);
        a->valueInterface()->setCurrentValue(value);
        EXPECT_EQ(knob.position(), position);
        EXPECT_EQ(turned.count(), position != 1 ? 1 : 0);
        EXPECT_EQ(a->text(QAccessible::Description), knob.label(position) + " mA");
    }
}

TEST(KnobAccess, IncreaseAndDecreaseActionsStepAndStopAtTheEnds) {
    SelectorKnob knob({" 1", " 2", " 4", " 8"});
    QAccessibleActionInterface* actions = QAccessible::queryAccessibleInterface(&knob)->actionInterface();
    const QString up = QAccessibleActionInterface::increaseAction(), down = QAccessibleActionInterface::decreaseAction();
    const std::pair<QString, int> steps[] = {{up, 1}, {up, 2}, {up, 3}, {up, 3}, {down, 2}, {down, 1}, {down, 0}, {down, 0}};
    for (const auto& [action, position] : steps) {
        actions->doAction(action);
        EXPECT_EQ(knob.position(), position);
    }
}

TEST(ClickLabelAccess, EnterReturnAndSpaceActAsTheMouseDoesOnlyOnALabelWithAPress) {
    using Press = ClickLabel::Press;
    const auto keys = [](Qt::Key key, Qt::KeyboardModifiers mods = {}) {
        return [key, mods](ClickLabel& l) { QTest::keyClick(&l, key, mods); };
    };
    const std::tuple<const char*, Press, std::function<void(ClickLabel&)>, int, int> cases[] = {
        {"Return", Press::Click, keys(Qt::Key_Return), 1, 0},
        {"keypad Enter", Press::Click, keys(Qt::Key_Enter, Qt::KeypadModifier), 1, 0},
        {"Space", Press::Click, keys(Qt::Key_Space), 1, 0},
        {"Space on the picture", Press::DoubleClick, keys(Qt::Key_Space), 0, 1},
        {"Return on a title", Press::None, keys(Qt::Key_Return), 0, 0},
        {"Ctrl+Space", Press::Click, keys(Qt::Key_Space, Qt::ControlModifier), 0, 0},
        {"Space held", Press::Click, [](ClickLabel& l) { QTest::keyPress(&l, Qt::Key_Space); }, 0, 0},
        {"Space released, pressed elsewhere", Press::Click,
         [](ClickLabel& l) { QTest::keyRelease(&l, Qt::Key_Space); }, 0, 0},
    };
    for (const auto& [what, press, act, clicks, double_clicks] : cases) {
        SCOPED_TRACE(what);
        ClickLabel label("2400.00000MHz");
        label.setPress(press);
        QSignalSpy clicked(&label, &ClickLabel::clicked), double_clicked(&label, &ClickLabel::doubleClicked);
        act(label);
        EXPECT_EQ(clicked.count(), clicks);
        EXPECT_EQ(double_clicked.count(), double_clicks);
        EXPECT_EQ(label.focusPolicy(), press == Press::None ? Qt::NoFocus : Qt::StrongFocus);
    }
}

TEST(FocusFrames, EveryControlTheKeyboardReachesShowsWhenItHasTheFocus) {
    QWidget window;
    auto* row = new QHBoxLayout(&window);
    auto* text = new ClickLabel("2400.00000MHz");
    text->setPress(ClickLabel::Press::Click);
    auto* picture = new ClickLabel;
    QPixmap pixmap(60, 20);
    pixmap.fill(Qt::darkBlue);
    picture->setPixmap(pixmap);
    picture->setMinimumWidth(120);
    picture->setPress(ClickLabel::Press::DoubleClick);
    auto* knob = new SelectorKnob({"8/9", "16/17", "32/33", "32/33"});
    auto* toggle = new ToggleSwitch("CP Gain = 0", "CP Gain = 1");
    auto* elsewhere = new QPushButton("elsewhere");
    for (QWidget* w : std::initializer_list<QWidget*>{text, picture, knob, toggle, elsewhere}) row->addWidget(w);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    for (QWidget* w : std::initializer_list<QWidget*>{text, picture, knob, toggle}) {
        SCOPED_TRACE(w->metaObject()->className());
        elsewhere->setFocus();
        const QImage without = w->grab().toImage();
        w->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(w->hasFocus());
        EXPECT_NE(w->grab().toImage(), without);
    }
}
