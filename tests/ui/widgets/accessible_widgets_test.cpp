// The knob, the LED readout and the clickable label as the keyboard and assistive technology
// reach them: what they say, what they do, and the focus frame a keyboard user follows.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QHBoxLayout>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <functional>

#include "ui/widgets/click_label.h"
#include "ui/widgets/numeric_led.h"
#include "ui/widgets/selector_knob.h"
#include "ui/widgets/toggle_switch.h"

namespace {

QAccessibleInterface* accessible(QObject* o) { return QAccessible::queryAccessibleInterface(o); }

QString said(QObject* o, QAccessible::Text t) { return accessible(o)->text(t); }

}  // namespace

TEST(KnobAccess, KeysTurnItAsTheUserDoesAndAssistiveTechnologyReadsTheLabelOfEachPosition) {
    SelectorKnob knob({"8/9", "16/17", "32/33", "32/33"});
    knob.setAccessibleName("RF Prescaler");
    knob.setPosition(1);
    QSignalSpy turned(&knob, &SelectorKnob::positionChanged);
    struct Step {
        Qt::Key key;
        int position;
        bool turns;  // raises positionChanged
    };
    const Step steps[] = {
        {Qt::Key_Right, 2, true}, {Qt::Key_End, 3, true},  {Qt::Key_Up, 3, false},  {Qt::Key_Home, 0, true},
        {Qt::Key_Left, 0, false}, {Qt::Key_Up, 1, true},   {Qt::Key_Down, 0, true},
    };
    for (const Step& s : steps) {
        const qsizetype before = turned.count();
        QTest::keyClick(&knob, s.key);
        SCOPED_TRACE(QTest::toString(s.key));
        EXPECT_EQ(knob.position(), s.position);
        EXPECT_EQ(turned.count() - before, s.turns ? 1 : 0);
        QAccessibleInterface* a = accessible(&knob);
        EXPECT_EQ(a->role(), QAccessible::Slider);
        EXPECT_EQ(a->text(QAccessible::Name), "RF Prescaler");
        EXPECT_EQ(a->text(QAccessible::Value), knob.label(s.position));
        EXPECT_EQ(a->text(QAccessible::Description), knob.label(s.position));
        EXPECT_EQ(a->valueInterface()->currentValue().toInt(), s.position);
    }
    QAccessibleValueInterface* value = accessible(&knob)->valueInterface();
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), 3);
    EXPECT_EQ(value->minimumStepSize().toInt(), 1);
}

TEST(KnobAccess, AValueSetThroughAssistiveTechnologyIsAUserTurnAndOneNamingNoPositionChangesNothing) {
    struct Case {
        QVariant value;
        int position;  // from position 1
    };
    const Case cases[] = {
        {2, 2}, {7.0, 7}, {2.6, 3}, {0.4, 0}, {QString("5"), 5},
        {-1, 1}, {8, 1}, {7.6, 1}, {QString("abc"), 1}, {std::nan(""), 1}, {QVariant(), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.toString().toStdString());
        SelectorKnob knob({"0.31", "0.62", "0.93", "1.25", "1.56", "1.87", "2.18", "2.50"});
        knob.setUnit("mA");
        knob.setPosition(1);
        QSignalSpy turned(&knob, &SelectorKnob::positionChanged);
        accessible(&knob)->valueInterface()->setCurrentValue(c.value);
        EXPECT_EQ(knob.position(), c.position);
        EXPECT_EQ(turned.count(), c.position != 1 ? 1 : 0);
        EXPECT_EQ(said(&knob, QAccessible::Description), knob.label(c.position) + " mA");
    }
}

TEST(KnobAccess, IncreaseAndDecreaseActionsStepAndStopAtTheEnds) {
    SelectorKnob knob({" 1", " 2", " 4", " 8"});
    QAccessibleActionInterface* actions = accessible(&knob)->actionInterface();
    ASSERT_TRUE(actions);
    const std::pair<QString, int> steps[] = {
        {QAccessibleActionInterface::increaseAction(), 1}, {QAccessibleActionInterface::increaseAction(), 2},
        {QAccessibleActionInterface::increaseAction(), 3}, {QAccessibleActionInterface::increaseAction(), 3},
        {QAccessibleActionInterface::decreaseAction(), 2},
    };
    for (const auto& [action, position] : steps) {
        actions->doAction(action);
        EXPECT_EQ(knob.position(), position);
    }
    EXPECT_EQ(said(&knob, QAccessible::Value), " 4");
}

TEST(KnobAccess, RelabellingThePresentPositionChangesWhatIsSaidAndSettingItFromTheProgramRaisesNoTurn) {
    SelectorKnob knob({"0.31", ".62"});
    knob.setUnit("mA");
    QSignalSpy turned(&knob, &SelectorKnob::positionChanged);
    knob.setPosition(1);
    EXPECT_EQ(said(&knob, QAccessible::Description), ".62 mA");
    knob.setLabel(1, "0.63");
    EXPECT_EQ(said(&knob, QAccessible::Description), "0.63 mA");
    EXPECT_EQ(said(&knob, QAccessible::Value), "0.63 mA");
    EXPECT_EQ(turned.count(), 0);
}

TEST(LedAccess, TheReadingIsTheValueAndTheDescriptionUnderAStableName) {
    NumericLed led;
    led.setAccessibleName("Vdd Voltage /Volts");
    for (const QString& reading : {QString(), QString("0"), QString("3.3"), QString("-1.25")}) {
        led.setText(reading);
        QAccessibleInterface* a = accessible(&led);
        EXPECT_EQ(a->role(), QAccessible::StaticText);
        EXPECT_EQ(a->text(QAccessible::Name), "Vdd Voltage /Volts");
        EXPECT_EQ(a->text(QAccessible::Value), reading);
        EXPECT_EQ(a->text(QAccessible::Description), reading);
        EXPECT_TRUE(a->state().readOnly);
    }
}

TEST(ClickLabelAccess, EnterReturnAndSpaceActAsTheMouseDoesOnlyOnALabelWithAPress) {
    using Press = ClickLabel::Press;
    struct Case {
        Press press;
        std::function<void(ClickLabel&)> keys;
        const char* what;
        int clicks, double_clicks;
    };
    const auto click = [](Qt::Key key, Qt::KeyboardModifiers mods = {}) {
        return [key, mods](ClickLabel& l) { QTest::keyClick(&l, key, mods); };
    };
    const Case cases[] = {
        {Press::Click, click(Qt::Key_Return), "Return", 1, 0},
        {Press::Click, click(Qt::Key_Enter, Qt::KeypadModifier), "keypad Enter", 1, 0},
        {Press::Click, click(Qt::Key_Space), "Space", 1, 0},
        {Press::DoubleClick, click(Qt::Key_Space), "Space on the picture", 0, 1},
        {Press::DoubleClick, click(Qt::Key_Return), "Return on the picture", 0, 1},
        {Press::None, click(Qt::Key_Return), "Return on a title", 0, 0},
        {Press::None, click(Qt::Key_Space), "Space on a title", 0, 0},
        {Press::Click, click(Qt::Key_Space, Qt::ControlModifier), "Ctrl+Space", 0, 0},
        {Press::Click, click(Qt::Key_A), "a letter", 0, 0},
        {Press::Click, [](ClickLabel& l) { QTest::keyPress(&l, Qt::Key_Space); }, "Space held", 0, 0},
        {Press::Click, [](ClickLabel& l) { QTest::keyRelease(&l, Qt::Key_Space); },
         "a Space released that was pressed elsewhere", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClickLabel label("2400.00000MHz");
        label.setPress(c.press);
        QSignalSpy clicked(&label, &ClickLabel::clicked), double_clicked(&label, &ClickLabel::doubleClicked);
        c.keys(label);
        EXPECT_EQ(clicked.count(), c.clicks);
        EXPECT_EQ(double_clicked.count(), c.double_clicks);
        EXPECT_EQ(label.focusPolicy(), c.press == Press::None ? Qt::NoFocus : Qt::StrongFocus);
    }
}

TEST(ClickLabelAccess, AssistiveTechnologySeesAButtonWithAPressOrStaticTextWithNone) {
    using Press = ClickLabel::Press;
    struct Case {
        Press press;
        const char* name;  // accessible name, may be empty
        QAccessible::Role role;
        const char* said_name;
        const char* said_description;
        int clicks, double_clicks;
    };
    const Case cases[] = {
        {Press::Click, "RF VCO Output Frequency", QAccessible::Button, "RF VCO Output Frequency", "2400.00000MHz", 1, 0},
        {Press::DoubleClick, "VCO test modes", QAccessible::Button, "VCO test modes", "2400.00000MHz", 0, 1},
        {Press::None, "Output power level", QAccessible::StaticText, "Output power level", "2400.00000MHz", 0, 0},
        {Press::None, "", QAccessible::StaticText, "2400.00000MHz", "Click here", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QGroupBox frame("Frequency Settings");  // never the name of what is in it
        auto* label = new ClickLabel("2400.00000MHz", &frame);
        label->setToolTip("Click here");
        label->setPress(c.press);
        label->setAccessibleName(c.name);
        QSignalSpy clicked(label, &ClickLabel::clicked), double_clicked(label, &ClickLabel::doubleClicked);
        QAccessibleInterface* a = accessible(label);
        EXPECT_EQ(a->role(), c.role);
        EXPECT_EQ(a->text(QAccessible::Name), c.said_name);
        EXPECT_EQ(a->text(QAccessible::Value), "2400.00000MHz");
        EXPECT_EQ(a->text(QAccessible::Description), c.said_description);
        const bool pressable = a->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(pressable, c.press != Press::None);
        a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        // The press is queued, so a client's call returns before a modal window opens.
        EXPECT_EQ(clicked.count() + double_clicked.count(), 0);
        QCoreApplication::processEvents();
        EXPECT_EQ(clicked.count(), c.clicks);
        EXPECT_EQ(double_clicked.count(), c.double_clicks);

        label->setEnabled(false);
        EXPECT_FALSE(a->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
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
    picture->setAlignment(Qt::AlignCenter);
    picture->setMinimumWidth(120);
    picture->setPress(ClickLabel::Press::DoubleClick);
    auto* knob = new SelectorKnob({"8/9", "16/17", "32/33", "32/33"});
    auto* toggle = new ToggleSwitch("CP Gain = 0", "CP Gain = 1");
    auto* stop = new QPushButton("elsewhere");
    for (QWidget* w : std::initializer_list<QWidget*>{text, picture, knob, toggle, stop}) row->addWidget(w);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    for (QWidget* w : std::initializer_list<QWidget*>{text, picture, knob, toggle}) {
        SCOPED_TRACE(w->metaObject()->className());
        stop->setFocus();
        const QImage without = w->grab().toImage();
        w->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(w->hasFocus());
        EXPECT_NE(w->grab().toImage(), without);
    }
}
