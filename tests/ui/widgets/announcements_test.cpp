// What a screen reader hears: each control the tool draws itself says its new value (and the
// description that carries it) when a key or the program changes it, and says nothing when nothing
// changed. Widgets announce only while assistive technology is on, so the test turns it on as the
// platform does when a screen reader connects, and listens to every event.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QHBoxLayout>
#include <QTest>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>
#include <functional>

#include "ui/widgets/click_label.h"
#include "ui/widgets/named_combo_box.h"
#include "ui/widgets/numeric_led.h"
#include "ui/widgets/selector_knob.h"
#include "ui/widgets/toggle_switch.h"

namespace {

QStringList heard;  // "ValueChanged 3", "DescriptionChanged": what the control under test said
QObject* listened = nullptr;

void listen(QAccessibleEvent* event) {
    if (event->object() != listened) return;
    if (event->type() == QAccessible::ValueChanged)
        heard << "ValueChanged " + static_cast<QAccessibleValueChangeEvent*>(event)->value().toString();
    if (event->type() == QAccessible::DescriptionChanged) heard << "DescriptionChanged";
}

void assistive_technology(bool on) {
    QAccessible::installUpdateHandler(on ? listen : nullptr);
    QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(on);
}

}  // namespace

TEST(Announcements, EveryDrawnControlSaysItsNewValueOnceAndNothingWhenUnchanged) {
    QWidget panel;
    auto* knob = new SelectorKnob({"0.31", "0.62", "0.93"});
    auto* lever = new ToggleSwitch("Off", "On");
    auto* led = new NumericLed;
    auto* label = new ClickLabel("1");
    label->setAccessibleName("N counter");
    auto* combo = new NamedComboBox;
    combo->addItems({"4/5", "8/9"});
    auto* row = new QHBoxLayout(&panel);
    for (QWidget* w : std::initializer_list<QWidget*>{knob, lever, led, label, combo}) row->addWidget(w);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    assistive_technology(true);
    const auto key = [](QWidget* w, Qt::Key k) { return [w, k] { QTest::keyClick(w, k); }; };
    const struct {
        QWidget* control;
        std::function<void()> change;
        QStringList expected;
    } rows[] = {
        {knob, key(knob, Qt::Key_Up), {"ValueChanged 1", "DescriptionChanged"}},
        {knob, [&] { knob->setPosition(1); }, {}},
        {lever, key(lever, Qt::Key_Space), {"ValueChanged On", "DescriptionChanged"}},
        {led, [&] { led->setText("12.5"); }, {"ValueChanged 12.5", "DescriptionChanged"}},
        {led, [&] { led->setText("12.5"); }, {}},
        {label, [&] { label->setText("2"); label->repaint(); }, {"ValueChanged 2", "DescriptionChanged"}},
        {combo, key(combo, Qt::Key_Down), {"ValueChanged 8/9"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.control->metaObject()->className());
        listened = r.control;
        heard.clear();
        r.change();
        QCoreApplication::processEvents();
        EXPECT_EQ(heard.join(", ").toStdString(), r.expected.join(", ").toStdString());
    }
    // A combo box is heard as one that opens: "collapsed" until its list shows.
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(combo)->state().expandable);
    assistive_technology(false);
}
