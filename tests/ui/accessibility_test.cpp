// Every window of the tool as a keyboard user and assistive technology meet it. The walk covers
// the main window, the variant dialog and every window the main window opens; a window that is
// registered later joins it without a change here.
//   - every element a user acts on (and every readout) has a role, a name unique within its
//     window that stays when its value changes, and the value it shows;
//   - Tab goes through the controls in the order the window is read, and reaches each of them;
//   - every control does the same from the mouse, the keyboard and assistive technology, down to
//     the words the simulated board latched, and whatever the mouse does on a window can be
//     done without it.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QButtonGroup>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "model/latch.h"
#include "model/settings_file.h"
#include "tests/support/gui_harness.h"
#include "tests/ui/dialogs/dialog_test_util.h"
#include "ui/dialogs/current_form.h"
#include "ui/dialogs/setting_dialog.h"
#include "ui/dialogs/synthform.h"
#include "ui/main/deviceform.h"
#include "ui/widgets/click_label.h"
#include "ui/widgets/numeric_led.h"
#include "ui/widgets/selector_knob.h"
#include "ui/widgets/system_timer.h"
#include "ui/widgets/toggle_switch.h"

using testing_support::Harness;

namespace {

// The windows walked: the main window, the variant dialog, then each Window by its number.
constexpr int kMain = -2, kDeviceForm = -1;
constexpr int kLastWindow = int(Window::SimulatedBoard);

std::string subject_name(int subject) {
    static const char* const windows[] = {
        "Synth", "Crystal", "Current1", "Current2", "Powerdown", "Mux",     "Prescaler", "Preset",   "Fastlock",
        "Bandselect", "Rev", "Resend", "Conversion", "Registers", "VcoTest", "Locktime", "Sweep", "SimulatedBoard",
    };
    if (subject == kMain) return "Main";
    if (subject == kDeviceForm) return "deviceform";
    if (subject < int(std::size(windows))) return windows[subject];
    return "Window" + std::to_string(subject);
}

// A fresh tool on the simulated board with one window shown; no window when it is not built.
struct Scene {
    explicit Scene(int subject, const std::string& variant = "ksy7100-1") : h(variant) {
        if (subject == kMain) {
            window = h.main.get();
        } else if (subject == kDeviceForm) {
            owned = std::make_unique<deviceform>(*h.main, boardlink::BoardLink::Opened{});
        } else if (h.main->has_window(Window(subject))) {
            owned = h.main->window_factory(Window(subject))(*h.main);
        }
        if (owned) window = owned.get();
        if (!window) return;
        window->show();
        window->activateWindow();
        (void)QTest::qWaitForWindowActive(window);
        h.words();  // only what the test does counts
    }

    Harness h;
    std::unique_ptr<QWidget> owned;
    QWidget* window = nullptr;
};

QString who(const QObject* o) {
    return QString("%1 %2").arg(o->metaObject()->className(), o->objectName());
}

// ---- The accessibility tree -------------------------------------------------------------

const std::set<QAccessible::Role> kControlRoles = {
    QAccessible::Button,     QAccessible::CheckBox,   QAccessible::RadioButton,    QAccessible::Slider,
    QAccessible::Dial,       QAccessible::SpinBox,    QAccessible::ComboBox,       QAccessible::EditableText,
    QAccessible::MenuItem,   QAccessible::ButtonMenu, QAccessible::ButtonDropDown, QAccessible::Link,
    QAccessible::PageTab,
};

// An action beyond taking the focus: what a client uses to operate the element.
bool operable(QAccessibleInterface* a) {
    if (!a->actionInterface()) return false;
    for (const QString& action : a->actionInterface()->actionNames())
        if (action != QAccessibleActionInterface::setFocusAction()) return true;
    return false;
}

bool interactive(QAccessibleInterface* a) {
    return a->state().focusable || kControlRoles.count(a->role()) || operable(a);
}

void collect(QAccessibleInterface* parent, std::vector<QAccessibleInterface*>& found) {
    for (int i = 0; i < parent->childCount(); ++i) {
        QAccessibleInterface* child = parent->child(i);
        if (!child || child->state().invisible) continue;
        if (interactive(child) || qobject_cast<NumericLed*>(child->object())) found.push_back(child);
        collect(child, found);
    }
}

// The elements of a window that a user acts on, and its LED readouts.
std::vector<QAccessibleInterface*> elements(QWidget* window) {
    std::vector<QAccessibleInterface*> found;
    collect(QAccessible::queryAccessibleInterface(window), found);
    return found;
}

// What the element says against what its widget shows.
void expect_value_shown(QAccessibleInterface* a) {
    QObject* o = a->object();
    const QString value = a->text(QAccessible::Value), description = a->text(QAccessible::Description);
    SCOPED_TRACE(who(o).toStdString());
    if (auto* t = qobject_cast<ToggleSwitch*>(o)) {
        EXPECT_EQ(value, t->caption());
        EXPECT_EQ(description, t->caption());
        EXPECT_EQ(bool(a->state().checked), t->isChecked() && !t->isFixed());
    } else if (auto* k = qobject_cast<SelectorKnob*>(o)) {
        EXPECT_TRUE(value.startsWith(k->label(k->position()))) << value.toStdString();
        EXPECT_EQ(description, value);
        ASSERT_TRUE(a->valueInterface());
        EXPECT_EQ(a->valueInterface()->currentValue().toInt(), k->position());
    } else if (auto* led = qobject_cast<NumericLed*>(o)) {
        EXPECT_EQ(value, led->text());
        EXPECT_EQ(description, led->text());
    } else if (auto* l = qobject_cast<ClickLabel*>(o)) {
        EXPECT_EQ(value, l->text());
        EXPECT_EQ(description, l->text());
    } else if (auto* e = qobject_cast<QLineEdit*>(o)) {
        EXPECT_EQ(value, e->text());
    } else if (auto* b = qobject_cast<QAbstractButton*>(o); b && b->isCheckable()) {
        EXPECT_EQ(bool(a->state().checked), b->isChecked());
    }
}

// Every value the window shows set to another one, as the program does.
void change_every_value(QWidget* window) {
    for (auto* t : window->findChildren<ToggleSwitch*>())
        if (!t->isFixed()) t->setChecked(!t->isChecked());
    for (auto* k : window->findChildren<SelectorKnob*>()) k->setPosition((k->position() + 1) % k->positions());
    for (auto* led : window->findChildren<NumericLed*>()) led->setText(led->text() + "8");
    for (auto* l : window->findChildren<ClickLabel*>()) l->setText(l->text() + "0");
    for (auto* e : window->findChildren<QLineEdit*>()) e->setText(e->text() + "1");
    for (auto* r : window->findChildren<QRadioButton*>())
        if (!r->isChecked()) r->setChecked(true);
}

// ---- The Tab chain ----------------------------------------------------------------------

// The controls Tab stops at, in the order of the window's chain, from the one that has the focus
// when the window opens (the chain is a ring).
std::vector<QWidget*> tab_chain(QWidget* window) {
    std::vector<QWidget*> chain;
    int guard = 0;
    for (QWidget* w = window->nextInFocusChain(); w != window && ++guard < 10000; w = w->nextInFocusChain())
        if (w->window() == window && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) &&
            !w->focusProxy())
            chain.push_back(w);
    const auto first = std::find(chain.begin(), chain.end(), window->focusWidget());
    if (first != chain.end()) std::rotate(chain.begin(), first, chain.end());
    return chain;
}

// Whether Tab reaches the control: on it, or, for an option button, on its group, whose one
// stop is the checked button (the arrow keys move among them).
bool reached(QWidget* control, const std::vector<QWidget*>& chain) {
    auto in_chain = [&](QWidget* w) { return std::find(chain.begin(), chain.end(), w) != chain.end(); };
    if (in_chain(control)) return true;
    auto* option = qobject_cast<QRadioButton*>(control);
    if (!option) return false;
    if (QButtonGroup* group = option->group())
        return std::ranges::any_of(group->buttons(), [&](QAbstractButton* b) { return in_chain(b); });
    if (!option->autoExclusive()) return false;
    const auto siblings = option->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
    return std::ranges::any_of(siblings, [&](QRadioButton* b) { return b->autoExclusive() && in_chain(b); });
}

// Whether `a` is read before `b`: of the two groups that hold them under their nearest common
// container, the upper one first, and of two side by side the left one.
bool reads_before(QWidget* a, QWidget* b) {
    std::vector<QWidget*> up_a;
    for (QWidget* w = a; w; w = w->isWindow() ? nullptr : w->parentWidget()) up_a.push_back(w);
    QWidget* from_b = b;
    QWidget* below = nullptr;  // the child of the common container that holds b
    while (std::find(up_a.begin(), up_a.end(), from_b) == up_a.end()) {
        below = from_b;
        from_b = from_b->parentWidget();
    }
    const auto at = std::find(up_a.begin(), up_a.end(), from_b);
    if (at == up_a.begin()) return true;  // a holds b
    if (!below) return false;              // b holds a
    const QRect ra = (*(at - 1))->geometry(), rb = below->geometry();
    if (ra.y() + ra.height() <= rb.y()) return true;
    if (rb.y() + rb.height() <= ra.y()) return false;
    return ra.center().x() < rb.center().x();
}

// ---- Acting on a control in each way a user has -----------------------------------------

enum class Way { Mouse, Keyboard, Accessible };

const char* name_of(Way way) {
    return way == Way::Mouse ? "mouse" : way == Way::Keyboard ? "keyboard" : "assistive technology";
}

// The controls of a window a user may act on, in a fixed order.
std::vector<QWidget*> controls_of(QWidget* window) {
    std::vector<QWidget*> controls;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->isVisibleTo(window) && w->isEnabled() &&
            (qobject_cast<QAbstractButton*>(w) || qobject_cast<SelectorKnob*>(w) || qobject_cast<ClickLabel*>(w)))
            controls.push_back(w);
    return controls;
}

// A label the mouse alone acts on (a title beside a value, or a readout).
bool mouse_only(QWidget* control) {
    auto* l = qobject_cast<ClickLabel*>(control);
    return l && l->press() == ClickLabel::Press::None;
}

void wait_for_click(QWidget* control, const std::function<void()>& press) {
    QSignalSpy clicked(control, SIGNAL(clicked()));
    std::unique_ptr<QSignalSpy> double_clicked;
    if (qobject_cast<ClickLabel*>(control)) double_clicked = std::make_unique<QSignalSpy>(control, SIGNAL(doubleClicked()));
    press();
    // A press through assistive technology is delivered from the event loop, as Qt's are.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !clicked.isEmpty() || (double_clicked && !double_clicked->isEmpty()); }))
        << "the press never came: " << who(control).toStdString();
}

void act(QWidget* control, Way way) {
    auto* knob = qobject_cast<SelectorKnob*>(control);
    const int target = knob ? (knob->position() + 1) % knob->positions() : 0;
    switch (way) {
    case Way::Mouse:
        if (knob) return QTest::mouseClick(knob, Qt::LeftButton, {}, knob->labelRect(target).center());
        if (auto* l = qobject_cast<ClickLabel*>(control); l && l->press() == ClickLabel::Press::DoubleClick)
            return QTest::mouseDClick(l, Qt::LeftButton);
        return dialog_tests::click(control);
    case Way::Keyboard:
        control->setFocus(Qt::TabFocusReason);
        if (knob) {
            QTest::keyClick(knob, Qt::Key_Home);
            for (int i = 0; i < target; ++i) QTest::keyClick(knob, Qt::Key_Right);
            return;
        }
        return QTest::keyClick(control, Qt::Key_Space);
    case Way::Accessible: {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(control);
        if (knob) {
            ASSERT_TRUE(a->valueInterface()) << who(control).toStdString();
            return a->valueInterface()->setCurrentValue(target);
        }
        ASSERT_TRUE(a->actionInterface());
        const QStringList actions = a->actionInterface()->actionNames();
        if (actions.contains(QAccessibleActionInterface::toggleAction()))
            return a->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        if (actions.contains(QAccessibleActionInterface::pressAction()))
            return wait_for_click(control, [&] { a->actionInterface()->doAction(QAccessibleActionInterface::pressAction()); });
        return;  // nothing to act with: whatever the mouse did is then missing
    }
    }
}

// All that an action may change: the board, the windows opened, the messages, the state, and
// what the window under test shows.
struct Effect {
    std::vector<uint32_t> words;
    std::vector<QString> opened, messages;
    std::string state;
    QStringList view;
    bool operator==(const Effect&) const = default;
};

void PrintTo(const Effect& e, std::ostream* out) {
    *out << "\n  words:";
    for (uint32_t w : e.words) *out << ' ' << testing_support::hex(w);
    *out << "\n  opened: ";
    for (const QString& o : e.opened) *out << o.toStdString() << ' ';
    *out << "\n  messages: ";
    for (const QString& m : e.messages) *out << '"' << m.toStdString() << "\" ";
    *out << "\n  view: " << e.view.join(" | ").toStdString().substr(0, 2000);
}

Effect effect_of(Scene& s) {
    Effect e;
    e.words = s.h.words();
    e.opened = s.h.prompts.opened;
    e.messages = s.h.prompts.texts();
    std::ostringstream state;
    state << format_settings(s.h.state);
    for (uint8_t latch = 0; latch < 4; ++latch) state << assemble_latch(s.h.state, latch) << '\n';
    e.state = state.str();
    e.view << QString("shown %1").arg(s.window->isVisible());
    for (QWidget* w : s.window->findChildren<QWidget*>()) {
        const QString at = w->objectName() + (w->isVisibleTo(s.window) ? "" : " hidden");
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable())
            e.view << at + (b->isChecked() ? " on" : " off");
        else if (auto* k = qobject_cast<SelectorKnob*>(w))
            e.view << at + QString(" at %1 %2").arg(k->position()).arg(k->valueText());
        else if (auto* l = qobject_cast<QLineEdit*>(w))
            e.view << at + " " + l->text();
        else if (auto* l = qobject_cast<QLabel*>(w))
            e.view << at + " " + l->text();
        else if (auto* led = qobject_cast<NumericLed*>(w))
            e.view << at + " " + led->text();
    }
    for (SystemTimer* t : s.window->findChildren<SystemTimer*>())
        e.view << t->objectName() + QString(" %1 %2").arg(t->enabled()).arg(t->interval());
    return e;
}

// A fresh scene, one control acted on in one way, then the dialog's own apply (its choices
// reach the board only there), and what came of it.
Effect effect_of(int subject, size_t index, std::optional<Way> way) {
    Scene s(subject);
    if (way) {
        const std::vector<QWidget*> controls = controls_of(s.window);
        EXPECT_LT(index, controls.size());
        if (index < controls.size()) act(controls[index], *way);
    }
    QCoreApplication::processEvents();
    if (auto* dialog = qobject_cast<SettingDialog*>(s.window)) {
        if (dialog->Command3) dialog->Command3_Click();
        else dialog->Command1_Click();
    }
    return effect_of(s);
}

class Walk : public ::testing::TestWithParam<int> {};

}  // namespace

TEST_P(Walk, EveryElementHasARoleAUniqueNameThatStaysWhenItsValueChangesAndTheValueItShows) {
    for (const char* variant : {"ksy7100-1", "ksy7100-8"}) {
        SCOPED_TRACE(variant);
        Scene s(GetParam(), variant);
        if (!s.window) GTEST_SKIP() << "not built yet";
        std::map<QString, QString> named;  // name -> the element that has it
        std::map<QObject*, QString> names;
        for (QAccessibleInterface* a : elements(s.window)) {
            const QString element = who(a->object());
            const QString name = a->text(QAccessible::Name);
            EXPECT_TRUE(kControlRoles.count(a->role()) || qobject_cast<NumericLed*>(a->object()))
                << element.toStdString() << " has role " << a->role();
            EXPECT_FALSE(name.trimmed().isEmpty()) << element.toStdString() << " has no name";
            const auto [at, fresh] = named.emplace(name, element);
            EXPECT_TRUE(fresh || name.isEmpty()) << element.toStdString() << " and " << at->second.toStdString()
                                                 << " are both called \"" << name.toStdString() << '"';
            names[a->object()] = name;
            expect_value_shown(a);
        }

        change_every_value(s.window);
        for (QAccessibleInterface* a : elements(s.window)) {
            if (names.count(a->object())) {
                EXPECT_EQ(a->text(QAccessible::Name), names[a->object()])
                    << who(a->object()).toStdString() << ": the name followed the value";
            }
            expect_value_shown(a);
        }
    }
}

TEST_P(Walk, TabGoesThroughTheControlsInTheOrderTheWindowIsReadAndReachesEveryOneTheUserOperates) {
    for (const char* variant : {"ksy7100-1", "ksy7100-8"}) {
        SCOPED_TRACE(variant);
        Scene s(GetParam(), variant);
        if (!s.window) GTEST_SKIP() << "not built yet";
        const std::vector<QWidget*> chain = tab_chain(s.window);
        for (size_t i = 0; i + 1 < chain.size(); ++i)
            EXPECT_TRUE(reads_before(chain[i], chain[i + 1]))
                << who(chain[i]).toStdString() << " is read after " << who(chain[i + 1]).toStdString()
                << " but comes before it on Tab";

        for (QAccessibleInterface* a : elements(s.window)) {
            auto* w = qobject_cast<QWidget*>(a->object());
            const bool editable = a->role() == QAccessible::EditableText && !a->state().readOnly;
            if (!w || !(operable(a) || editable)) continue;  // menu entries have their access keys
            EXPECT_TRUE(reached(w, chain))
                << who(w).toStdString() << " is operated through assistive technology but Tab never reaches it";
        }
    }
}

TEST_P(Walk, EveryControlDoesTheSameFromTheMouseTheKeyboardAndAssistiveTechnology) {
    std::vector<QString> names;
    std::vector<bool> only_mouse;
    {
        Scene probe(GetParam());
        if (!probe.window) GTEST_SKIP() << "not built yet";
        for (QWidget* c : controls_of(probe.window)) {
            names.push_back(who(c));
            only_mouse.push_back(mouse_only(c));
        }
    }
    const Effect untouched = effect_of(GetParam(), 0, std::nullopt);
    std::vector<Effect> without_mouse;  // what the keyboard and assistive technology can do
    std::vector<std::pair<QString, Effect>> mouse_only_effects;
    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i].toStdString());
        const Effect by_mouse = effect_of(GetParam(), i, Way::Mouse);
        if (only_mouse[i]) {
            mouse_only_effects.emplace_back(names[i], by_mouse);
            continue;
        }
        for (Way way : {Way::Keyboard, Way::Accessible}) {
            SCOPED_TRACE(name_of(way));
            EXPECT_EQ(effect_of(GetParam(), i, way), by_mouse);
        }
        without_mouse.push_back(by_mouse);
    }
    // A title that opens a window by a click opens one the keyboard opens from its value.
    for (const auto& [name, effect] : mouse_only_effects)
        EXPECT_TRUE(effect == untouched || std::find(without_mouse.begin(), without_mouse.end(), effect) !=
                                               without_mouse.end())
            << name.toStdString() << " does by a click what no control does from the keyboard";
}

INSTANTIATE_TEST_SUITE_P(EveryWindow, Walk, ::testing::Range(kMain, kLastWindow + 1),
                         [](const ::testing::TestParamInfo<int>& info) { return subject_name(info.param); });

// ---- Keyboard-only work -----------------------------------------------------------------

namespace {

QWidget* focused() { return QApplication::focusWidget(); }

void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QWidget* target = focused();
    ASSERT_NE(target, nullptr) << "nothing has the focus";
    QTest::keyClick(target, key, modifiers);
}

// Tabs until `target` has the focus; false when a whole round of the chain never reaches it.
bool tab_to(QWidget* target) {
    for (int i = 0; i < 100 && focused() != target; ++i) press(Qt::Key_Tab);
    return focused() == target;
}

void activate(QWidget* window) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == window; }));
}

}  // namespace

TEST(KeyboardOnly, TheFrequencyDialogIsOpenedFilledInLoadedAndSteppedWithoutAMouse) {
    using namespace dialog_tests;
    Harness h("ksy7100-1");
    activate(h.main.get());
    ASSERT_TRUE(tab_to(h.main->ui.vcofreq));

    // Return on the frequency opens the dialog; a new frequency typed and Return (OK) loads it.
    h.prompts.on_modal = [&](QDialog& d) {
        auto& synth = dynamic_cast<synthform&>(d);
        activate(&d);
        ASSERT_EQ(focused(), synth.Text1) << "the first entry has the focus when the dialog opens";
        press(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(focused(), "2400.2");
        press(Qt::Key_Return);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !d.isVisible(); })) << "Return did not press OK";
    };
    press(Qt::Key_Return);
    std::vector<uint32_t> words = h.words();
    ASSERT_EQ(latches_of(words), std::vector<int>{N});
    EXPECT_EQ(b_of(words[0]), 375u);
    EXPECT_EQ(a_of(words[0]), 1u);

    // Space opens it again; Tab, Tab and Space step one channel up; Escape closes it.
    activate(h.main.get());
    ASSERT_EQ(focused(), h.main->ui.vcofreq);
    h.prompts.on_modal = [&](QDialog& d) {
        auto& synth = dynamic_cast<synthform&>(d);
        activate(&d);
        press(Qt::Key_Tab);
        press(Qt::Key_Tab);
        ASSERT_EQ(focused(), synth.Command4);
        press(Qt::Key_Space);
        press(Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
    };
    press(Qt::Key_Space);
    h.prompts.on_modal = nullptr;
    words = h.words();
    ASSERT_EQ(latches_of(words), std::vector<int>{N});
    EXPECT_EQ(b_of(words[0]), 375u);
    EXPECT_EQ(a_of(words[0]), 2u);
    EXPECT_DOUBLE_EQ(h.state.vco_freq, 2400.4);
    EXPECT_EQ(h.prompts.opened, (std::vector<QString>{"synthform", "synthform"}));
}

TEST(KeyboardOnly, ACurrentSettingIsChosenOnItsKnobWithTheArrowKeysAndLoadedWithReturn) {
    using namespace dialog_tests;
    Harness h("ksy7100-1");
    activate(h.main.get());
    ASSERT_TRUE(tab_to(h.main->ui.currentsetting1));
    h.prompts.on_modal = [&](QDialog& d) {
        auto& form = dynamic_cast<CurrentForm&>(d);
        activate(&d);
        EXPECT_EQ(focused(), form.Text2);
        press(Qt::Key_Tab);
        ASSERT_EQ(focused(), form.Selector1);
        press(Qt::Key_Home);
        press(Qt::Key_Right);
        press(Qt::Key_Right);
        QAccessibleInterface* knob = QAccessible::queryAccessibleInterface(form.Selector1);
        EXPECT_EQ(knob->text(QAccessible::Name), "Charge pump current setting 1");
        EXPECT_EQ(knob->text(QAccessible::Description), "0.94 mA");
        EXPECT_TRUE(h.words().empty()) << "turning the knob sends nothing before OK";
        press(Qt::Key_Return);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !d.isVisible(); })) << "Return did not press OK";
    };
    press(Qt::Key_Space);
    h.prompts.on_modal = nullptr;
    const std::vector<uint32_t> words = h.words();
    ASSERT_EQ(latches_of(words), (std::vector<int>{T, N, R, C}));
    EXPECT_EQ(bits(word_of(words, C), 16, 14), 2u);
    EXPECT_EQ(h.main->ui.currentsetting1->text(), "0.9300");
}
