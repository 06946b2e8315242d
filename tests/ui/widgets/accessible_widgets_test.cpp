// What the window walk (tests/ui/accessibility_test.cpp) does not reach: values and keys that
// must change nothing, and the focus frame a keyboard user follows.
#include <gtest/gtest.h>

#include <QtWidgets>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <functional>

#include "ui/widgets/click_label.h"
#include "ui/widgets/selector_knob.h"
#include "ui/widgets/toggle_switch.h"

TEST(KnobAccess, ValuesAndStepsFromAssistiveTechnologyAreUserTurnsAndOnesNamingNoPositionChangeNothing) {
    SelectorKnob knob({"0.31", "0.62", "0.93", "1.25", "1.56", "1.87", "2.18", "2.50"});
    knob.setUnit("mA");
    knob.setPosition(1);
    QSignalSpy turned(&knob, &SelectorKnob::positionChanged);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&knob);
    const QString up = QAccessibleActionInterface::increaseAction(), down = QAccessibleActionInterface::decreaseAction();
    // An action, or else a value set; the position reached from the one before.
    const std::tuple<QString, QVariant, int> steps[] = {
        {{}, 2, 2}, {{}, 7.0, 7}, {up, {}, 7}, {{}, 2.6, 3}, {{}, QString("5"), 5}, {down, {}, 4}, {{}, -1, 4},
        {{}, 8, 4}, {{}, 7.6, 4}, {{}, QString("abc"), 4}, {{}, std::nan(""), 4}, {{}, QVariant(), 4}, {{}, 0, 0}, {down, {}, 0}, {up, {}, 1}};
    int position = 1;
    for (const auto& [action, value, reached] : steps) {
        SCOPED_TRACE((action + value.toString()).toStdString());
        turned.clear();
        if (!action.isEmpty()) a->actionInterface()->doAction(action);
        else a->valueInterface()->setCurrentValue(value);
        EXPECT_EQ(knob.position(), reached);
        EXPECT_EQ(turned.count(), reached != position ? 1 : 0);
        EXPECT_EQ(a->text(QAccessible::Description), knob.label(reached) + " mA");
        position = reached;
    }
}

TEST(ClickLabelAccess, EnterReturnAndSpaceActAsTheMouseDoesOnlyOnALabelWithAPress) {
    using Press = ClickLabel::Press;
    const auto keys = [](Qt::Key key, Qt::KeyboardModifiers mods = {}) { return [key, mods](ClickLabel& l) { QTest::keyClick(&l, key, mods); }; };
    const std::tuple<const char*, Press, std::function<void(ClickLabel&)>, int, int> cases[] = {
        {"Return", Press::Click, keys(Qt::Key_Return), 1, 0}, {"keypad Enter", Press::Click, keys(Qt::Key_Enter, Qt::KeypadModifier), 1, 0},
        {"Space", Press::Click, keys(Qt::Key_Space), 1, 0}, {"Space on the picture", Press::DoubleClick, keys(Qt::Key_Space), 0, 1},
        {"Return on a title", Press::None, keys(Qt::Key_Return), 0, 0}, {"Ctrl+Space", Press::Click, keys(Qt::Key_Space, Qt::ControlModifier), 0, 0},
        {"Space held", Press::Click, [](ClickLabel& l) { QTest::keyPress(&l, Qt::Key_Space); }, 0, 0},
        {"Space released, pressed elsewhere", Press::Click, [](ClickLabel& l) { QTest::keyRelease(&l, Qt::Key_Space); }, 0, 0}};
    for (const auto& [what, press, act, clicks, double_clicks] : cases) {
        SCOPED_TRACE(what);
        ClickLabel label("2400.00000MHz");
        label.setPress(press);
        QSignalSpy clicked(&label, &ClickLabel::clicked), double_clicked(&label, &ClickLabel::doubleClicked);
        act(label);
        EXPECT_EQ(std::pair(int(clicked.count()), int(double_clicked.count())), std::pair(clicks, double_clicks));
        EXPECT_EQ(label.focusPolicy(), press == Press::None ? Qt::NoFocus : Qt::StrongFocus);
    }
}

// The focus frames of a text label, a knob and a switch show in the window pictures (the main
// window's board label, the prescaler's knob, the register map's first switch); here the frame
// round a picture.
TEST(FocusFrames, APictureTheKeyboardReachesShowsWhenItHasTheFocus) {
    ClickLabel picture;
    QPixmap pixmap(60, 20);
    pixmap.fill(Qt::darkBlue);
    picture.setPixmap(pixmap);
    picture.setMinimumWidth(120);
    picture.setPress(ClickLabel::Press::DoubleClick);
    picture.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&picture));
    picture.clearFocus();
    const QImage without = picture.grab().toImage();
    picture.setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(picture.hasFocus());
    EXPECT_NE(picture.grab().toImage(), without);
}
