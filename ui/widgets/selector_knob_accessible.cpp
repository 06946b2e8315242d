#include "ui/widgets/selector_knob_accessible.h"

#include <QAccessibleWidget>
#include <cmath>

#include "ui/widgets/selector_knob.h"

namespace {

class SelectorKnobAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SelectorKnobAccessible(SelectorKnob* knob) : QAccessibleWidget(knob, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        // The description carries the label too: the Linux bridge passes no value text.
        if (t == QAccessible::Value || t == QAccessible::Description) return knob()->valueText();
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return knob()->position(); }
    QVariant maximumValue() const override { return knob()->positions() - 1; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

    // A value from assistive technology turns the knob as the user would. Clients send
    // doubles; one that names no position (out of range, not a number) changes nothing.
    void setCurrentValue(const QVariant& value) override {
        if (!knob()->isEnabled()) return;
        bool ok = false;
        const double v = value.toDouble(&ok);
        if (!ok || !std::isfinite(v)) return;
        const long position = std::lround(v);
        if (position < 0 || position >= knob()->positions()) return;
        knob()->turnTo(int(position));
    }

    QStringList actionNames() const override {
        if (!knob()->isEnabled()) return QAccessibleWidget::actionNames();
        return QStringList{increaseAction(), decreaseAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (knob()->isEnabled() && action == increaseAction()) return knob()->turnTo(knob()->position() + 1);
        if (knob()->isEnabled() && action == decreaseAction()) return knob()->turnTo(knob()->position() - 1);
        QAccessibleWidget::doAction(action);
    }

    QStringList keyBindingsForAction(const QString& action) const override {
        if (action == increaseAction()) return {QStringLiteral("Right"), QStringLiteral("Up")};
        if (action == decreaseAction()) return {QStringLiteral("Left"), QStringLiteral("Down")};
        return QAccessibleWidget::keyBindingsForAction(action);
    }

private:
    SelectorKnob* knob() const { return static_cast<SelectorKnob*>(widget()); }
};

}  // namespace

QAccessibleInterface* selector_knob_accessible(const QString& class_name, QObject* object) {
    if (class_name == QLatin1String("SelectorKnob") && object && object->isWidgetType())
        return new SelectorKnobAccessible(static_cast<SelectorKnob*>(object));
    return nullptr;
}
