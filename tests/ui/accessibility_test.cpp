// Every window of the tool as a keyboard user and assistive technology meet it: names, values, Tab
// order, and each control doing the same from the mouse, the keyboard and the accessibility
// interface, down to the words the board latched.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <map>
#include <set>

#include "model/latch.h"
#include "model/settings_file.h"
#include "tests/support/window_scene.h"
#include "tests/ui/dialogs/dialog_test_util.h"
#include "ui/plots/plot_panel.h"
#include "ui/widgets/numeric_led.h"
#include "ui/widgets/system_timer.h"

using testing_support::Harness;
using testing_support::kMain;
using testing_support::Scene;
using testing_support::subject_name;

namespace {

QString who(const QObject* o) { return QString("%1 %2").arg(o->metaObject()->className(), o->objectName()); }

const std::set<QAccessible::Role> kControlRoles = {
    QAccessible::Button, QAccessible::CheckBox, QAccessible::RadioButton, QAccessible::Slider, QAccessible::Dial,
    QAccessible::SpinBox, QAccessible::ComboBox, QAccessible::EditableText, QAccessible::MenuItem,
    QAccessible::ButtonMenu, QAccessible::ButtonDropDown, QAccessible::Link, QAccessible::PageTab};

// An action beyond taking the focus: what a client operates the element with.
bool operable(QAccessibleInterface* a) {
    const auto beyond_focus = [](const QString& n) { return n != QAccessibleActionInterface::setFocusAction(); };
    return a->actionInterface() && std::ranges::any_of(a->actionInterface()->actionNames(), beyond_focus);
}

// The elements under `parent` (a widget's own when `visible`), depth first.
std::vector<QAccessibleInterface*> below(QAccessibleInterface* parent, bool visible = true) {
    std::vector<QAccessibleInterface*> all;
    for (int i = 0; i < parent->childCount(); ++i)
        if (QAccessibleInterface* c = parent->child(i); c && !(visible && c->state().invisible)) {
            all.push_back(c);
            std::ranges::copy(below(c, visible), std::back_inserter(all));
        }
    return all;
}

// The elements of a window a user acts on, and its LED readouts.
std::vector<QAccessibleInterface*> elements(QWidget* window) {
    std::vector<QAccessibleInterface*> found;
    for (QAccessibleInterface* c : below(QAccessible::queryAccessibleInterface(window)))
        if (c->state().focusable || kControlRoles.count(c->role()) || operable(c) || qobject_cast<NumericLed*>(c->object()))
            found.push_back(c);
    return found;
}

// What the element says against what its widget shows; the description repeats the value where
// the Linux bridge passes no value text.
void expect_value_shown(QAccessibleInterface* a) {
    QObject* o = a->object();
    SCOPED_TRACE(who(o).toStdString());
    std::optional<QString> shown;
    if (auto* t = qobject_cast<ToggleSwitch*>(o)) {
        shown = t->caption();
        EXPECT_EQ(a->role(), QAccessible::CheckBox);  // what a screen reader calls it
        EXPECT_EQ(bool(a->state().checked), t->isChecked() && !t->isFixed());
    } else if (auto* k = qobject_cast<SelectorKnob*>(o)) {
        shown = k->valueText();
        EXPECT_EQ(a->role(), QAccessible::Slider);
        EXPECT_TRUE(shown->startsWith(k->label(k->position())));
        ASSERT_TRUE(a->valueInterface());
        EXPECT_EQ(a->valueInterface()->currentValue().toInt(), k->position());
    } else if (auto* led = qobject_cast<NumericLed*>(o)) {
        shown = led->text();
        EXPECT_EQ(a->role(), QAccessible::StaticText);
    } else if (auto* l = qobject_cast<ClickLabel*>(o)) {
        shown = l->text();
    } else if (auto* e = qobject_cast<QLineEdit*>(o)) {
        EXPECT_EQ(a->text(QAccessible::Value), e->text());
    } else if (auto* b = qobject_cast<QAbstractButton*>(o); b && b->isCheckable()) {
        EXPECT_EQ(bool(a->state().checked), b->isChecked());
    }
    if (shown) { EXPECT_EQ(std::pair(a->text(QAccessible::Value), a->text(QAccessible::Description)), std::pair(*shown, *shown)); }
}

// Every text a label shows is read as its name or its value, and every list offers its entries
// whether it is open or not.
void expect_every_text_and_entry_readable(QWidget* window) {
    for (QLabel* l : window->findChildren<QLabel*>()) {
        if (!l->isVisibleTo(window) || Qt::mightBeRichText(l->text())) continue;
        // A readout still empty (nothing sent yet) is given a value, as it will be.
        if (l->text().isEmpty()) l->setText("0x123456");
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(l);
        // A field caption draws its dashes as a bracket: what it shows is the name between them.
        const QString shown = QString(l->text()).remove('&').remove(QRegularExpression("^[-\\s]+|[-\\s]+$"));
        EXPECT_TRUE(a->text(QAccessible::Name).contains(shown) || a->text(QAccessible::Value) == l->text())
            << who(l).toStdString() << " shows \"" << shown.toStdString() << "\" but is read as \""
            << a->text(QAccessible::Name).toStdString() << "\" value \"" << a->text(QAccessible::Value).toStdString() << "\"";
    }
    for (QComboBox* c : window->findChildren<QComboBox*>()) {
        if (!c->isVisibleTo(window)) continue;
        QStringList offered;  // the closed list's entries too
        for (QAccessibleInterface* entry : below(QAccessible::queryAccessibleInterface(c), false)) offered << entry->text(QAccessible::Name);
        for (int i = 0; i < c->count(); ++i)
            EXPECT_TRUE(offered.contains(c->itemText(i))) << who(c).toStdString() << " hides \"" << c->itemText(i).toStdString() << '"';
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
    for (auto* r : window->findChildren<QRadioButton*>()) r->setChecked(true);
}

// The controls Tab stops at, in the window's chain, from the one the window opens with (the
// chain is a ring).
std::vector<QWidget*> tab_chain(QWidget* window) {
    std::vector<QWidget*> chain;
    int guard = 0;
    for (QWidget* w = window->nextInFocusChain(); w != window && ++guard < 10000; w = w->nextInFocusChain())
        if (w->window() == window && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
            chain.push_back(w);
    const auto first = std::find(chain.begin(), chain.end(), window->focusWidget());
    if (first != chain.end()) std::rotate(chain.begin(), first, chain.end());
    return chain;
}

// On the chain, or, for an option button, its group is: Tab stops at the checked one of a group
// and the arrow keys move among them.
bool reached(QWidget* control, const std::vector<QWidget*>& chain) {
    auto in_chain = [&](QWidget* w) { return std::find(chain.begin(), chain.end(), w) != chain.end(); };
    auto* option = qobject_cast<QRadioButton*>(control);
    if (in_chain(control) || !option) return in_chain(control);
    if (option->group()) return std::ranges::any_of(option->group()->buttons(), in_chain);
    return option->autoExclusive() && std::ranges::any_of(option->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly),
                               [&](QRadioButton* b) { return b->autoExclusive() && in_chain(b); });
}

// Whether `a` is read before `b`: of the two groups that hold them under their nearest common
// container, the upper one first, and of two side by side the left one.
bool reads_before(QWidget* a, QWidget* b) {
    std::vector<QWidget*> up_a;
    for (QWidget* w = a; w; w = w->isWindow() ? nullptr : w->parentWidget()) up_a.push_back(w);
    QWidget *common = b, *holds_b = nullptr;
    while (std::find(up_a.begin(), up_a.end(), common) == up_a.end()) holds_b = std::exchange(common, common->parentWidget());
    const auto at = std::find(up_a.begin(), up_a.end(), common);
    if (at == up_a.begin() || !holds_b) return at == up_a.begin();  // one holds the other
    const QRect ra = (*(at - 1))->geometry(), rb = holds_b->geometry();
    if (ra.bottom() < rb.top() || rb.bottom() < ra.top()) return ra.top() < rb.top();
    return ra.center().x() < rb.center().x();
}

// ---- One control, acted on in one of the user's ways ----

enum class Way { Mouse, Keyboard, Accessible };

std::vector<QWidget*> controls_of(QWidget* window) {
    std::vector<QWidget*> controls;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->isVisibleTo(window) && w->isEnabled() &&
            (qobject_cast<QAbstractButton*>(w) || qobject_cast<SelectorKnob*>(w) || qobject_cast<ClickLabel*>(w)))
            controls.push_back(w);
    return controls;
}

void act(QWidget* control, Way way) {
    auto* knob = qobject_cast<SelectorKnob*>(control);
    auto* label = qobject_cast<ClickLabel*>(control);
    const int target = knob ? (knob->position() + 1) % knob->positions() : 0;
    if (way == Way::Mouse) {
        if (knob) return QTest::mouseClick(knob, Qt::LeftButton, {}, knob->labelRect(target).center());
        if (label && label->press() == ClickLabel::Press::DoubleClick) return QTest::mouseDClick(label, Qt::LeftButton);
        return dialog_tests::click(control);
    }
    if (way == Way::Keyboard) {
        control->setFocus(Qt::TabFocusReason);
        QTest::keyClick(control, knob ? Qt::Key_Home : Qt::Key_Space);
        for (int i = 0; i < target; ++i) QTest::keyClick(knob, Qt::Key_Right);
        return;
    }
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(control);
    if (knob) return a->valueInterface()->setCurrentValue(target);
    const QStringList actions = a->actionInterface()->actionNames();
    if (actions.contains(QAccessibleActionInterface::toggleAction()))
        return a->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    if (!actions.contains(QAccessibleActionInterface::pressAction())) return;  // the mouse's effect goes missing
    // A press comes from the event loop, as Qt's own do, so the client's call returns first.
    QSignalSpy clicked(control, SIGNAL(clicked()));
    std::optional<QSignalSpy> double_clicked;
    if (label) double_clicked.emplace(control, SIGNAL(doubleClicked()));
    a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !clicked.isEmpty() || (double_clicked && !double_clicked->isEmpty()); })) << "the press never came";
}

// All an action may change: the board, the windows opened, the messages, the state, and what
// the window shows.
struct Effect {
    std::vector<uint32_t> words; std::vector<QString> opened, messages; std::string state; QStringList view;
    bool operator==(const Effect&) const = default;
};

void PrintTo(const Effect& e, std::ostream* out) {
    for (uint32_t w : e.words) *out << testing_support::hex(w) << ' ';
    for (const QString& s : e.opened) *out << "opened " << s.toStdString() << ' ';
    for (const QString& s : e.messages) *out << '"' << s.toStdString() << "\" ";
    *out << e.view.join(" | ").toStdString();
}

// A fresh scene, one control acted on in one way (none: untouched), then the dialog's own apply,
// since a dialog's choices reach the board only there.
Effect effect_of(int subject, size_t index, std::optional<Way> way) {
    Scene s(subject);
    if (way) act(controls_of(s.window).at(index), *way);
    QCoreApplication::processEvents();
    if (auto* dialog = qobject_cast<SettingDialog*>(s.window)) dialog->Command3 ? dialog->Command3_Click() : dialog->Command1_Click();
    Effect e{s.h.words(), s.h.prompts.opened, s.h.prompts.texts(), format_settings(s.h.state), {}};
    for (uint8_t latch = 0; latch < 4; ++latch) e.state += std::to_string(assemble_latch(s.h.state, latch)) + '\n';
    e.view << QString("shown %1").arg(s.window->isVisible());
    for (QWidget* w : s.window->findChildren<QWidget*>()) {
        const QString at = w->objectName() + (w->isVisibleTo(s.window) ? " " : " hidden ");
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable()) e.view << at + (b->isChecked() ? "on" : "off");
        else if (auto* k = qobject_cast<SelectorKnob*>(w)) e.view << at + k->valueText();
        else if (auto* l = qobject_cast<QLineEdit*>(w)) e.view << at + l->text();
        else if (auto* l = qobject_cast<QLabel*>(w)) e.view << at + l->text();
        else if (auto* led = qobject_cast<NumericLed*>(w)) e.view << at + led->text();
    }
    for (SystemTimer* t : s.window->findChildren<SystemTimer*>()) e.view << t->objectName() + QString(" %1 %2").arg(t->enabled()).arg(t->interval());
    return e;
}

class Walk : public ::testing::TestWithParam<int> {};

}  // namespace

// Tab goes through the controls in the order the window is read and reaches every one the user
// operates; each element has a role, a name of its own that stays when its value changes, and
// the value it shows.
TEST_P(Walk, EveryElementIsReachedInReadingOrderHasARoleAUniqueNameThatStaysAndTheValueItShows) {
    for (const char* variant : {"ksy7100-1", "ksy7100-8"}) {
        SCOPED_TRACE(variant);
        Scene s(GetParam(), variant);
        if (!s.window) GTEST_SKIP() << "not built yet";
        const std::vector<QWidget*> chain = tab_chain(s.window);
        for (size_t i = 0; i + 1 < chain.size(); ++i)
            EXPECT_TRUE(reads_before(chain[i], chain[i + 1]))
                << who(chain[i]).toStdString() << " comes on Tab before " << who(chain[i + 1]).toStdString();
        std::map<QString, QString> holder;  // name -> the element that has it
        std::map<QObject*, QString> names;
        for (QAccessibleInterface* a : elements(s.window)) {
            const std::string element = who(a->object()).toStdString();
            const QString name = a->text(QAccessible::Name);
            // A plot's parts (the plot the arrow keys move a cursor on, its readout) tell their
            // figures through their description instead.
            const bool plot_part = a->object()->parent() && qobject_cast<PlotPanel*>(a->object()->parent());
            EXPECT_TRUE(kControlRoles.count(a->role()) || qobject_cast<NumericLed*>(a->object()) || plot_part) << element;
            EXPECT_FALSE(name.trimmed().isEmpty()) << element << " has no name";
            const auto [at, fresh] = holder.emplace(name, who(a->object()));
            EXPECT_TRUE(fresh) << element << " and " << at->second.toStdString() << " are both \"" << name.toStdString() << '"';
            names[a->object()] = name;
            expect_value_shown(a);
            auto* w = qobject_cast<QWidget*>(a->object());  // menu entries have their access keys
            if (w && (operable(a) || (a->role() == QAccessible::EditableText && !a->state().readOnly))) {
                EXPECT_TRUE(reached(w, chain)) << element << " is never reached by Tab";
            }
        }
        change_every_value(s.window);
        for (QAccessibleInterface* a : elements(s.window)) {
            if (names.count(a->object())) { EXPECT_EQ(a->text(QAccessible::Name), names[a->object()]) << who(a->object()).toStdString(); }
            expect_value_shown(a);
        }
        expect_every_text_and_entry_readable(s.window);
    }
}

TEST_P(Walk, EveryControlDoesTheSameFromTheMouseTheKeyboardAndAssistiveTechnology) {
    std::vector<std::pair<QString, bool>> controls;  // who, mouse only
    {
        Scene probe(GetParam());
        if (!probe.window) GTEST_SKIP() << "not built yet";
        for (QWidget* c : controls_of(probe.window)) {  // a title beside a value, or a readout: the mouse alone acts on it
            auto* l = qobject_cast<ClickLabel*>(c);
            controls.emplace_back(who(c), l && l->press() == ClickLabel::Press::None);
        }
    }
    std::vector<Effect> without_mouse{effect_of(GetParam(), 0, std::nullopt)};
    std::vector<std::pair<QString, Effect>> by_mouse_only;
    for (size_t i = 0; i < controls.size(); ++i) {
        SCOPED_TRACE(controls[i].first.toStdString());
        const Effect by_mouse = effect_of(GetParam(), i, Way::Mouse);
        if (controls[i].second) {
            by_mouse_only.emplace_back(controls[i].first, by_mouse);
            continue;
        }
        EXPECT_EQ(effect_of(GetParam(), i, Way::Keyboard), by_mouse) << "by keyboard";
        EXPECT_EQ(effect_of(GetParam(), i, Way::Accessible), by_mouse) << "by assistive technology";
        without_mouse.push_back(by_mouse);
    }
    // A title that opens a window on a click opens one the keyboard opens from its value.
    for (const auto& [name, effect] : by_mouse_only)
        EXPECT_TRUE(std::ranges::find(without_mouse, effect) != without_mouse.end())
            << name.toStdString() << " does on a click what no control does from the keyboard";
}

INSTANTIATE_TEST_SUITE_P(EveryWindow, Walk, ::testing::Range(kMain, testing_support::kLastWindow + 1),
                         [](const ::testing::TestParamInfo<int>& info) { return subject_name(info.param); });
