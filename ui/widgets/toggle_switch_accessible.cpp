#include "ui/widgets/toggle_switch_accessible.h"

#include <QAccessibleWidget>

#include "ui/widgets/toggle_switch.h"

namespace {

class ToggleSwitchAccessible : public QAccessibleWidget {
public:
    explicit ToggleSwitchAccessible(ToggleSwitch* toggle) : QAccessibleWidget(toggle, QAccessible::CheckBox) {}

    QString text(QAccessible::Text t) const override {
        // The caption goes in the description as well: the Linux bridge passes a check box's
        // state but no value text, and "= 3" / "= 5" is more than checked or not.
        if (t == QAccessible::Value || t == QAccessible::Description) return toggle()->caption();
        if (t == QAccessible::Name) {
            QString name = widget()->accessibleName();
            return name.isEmpty() ? toggle()->caption() : name;
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = !toggle()->isFixed();
        s.checked = toggle()->isChecked() && !toggle()->isFixed();
        s.readOnly = toggle()->isFixed();
        return s;
    }

    QStringList actionNames() const override {
        if (!operable()) return QAccessibleWidget::actionNames();
        return QStringList{toggleAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if ((action == toggleAction() || action == pressAction()) && operable()) {
            toggle()->click();  // the user's path: clicked() runs the handler
            return;
        }
        QAccessibleWidget::doAction(action);
    }

    QStringList keyBindingsForAction(const QString& action) const override {
        if (action == toggleAction() || action == pressAction()) return {QStringLiteral("Space")};
        return QAccessibleWidget::keyBindingsForAction(action);
    }

private:
    ToggleSwitch* toggle() const { return static_cast<ToggleSwitch*>(widget()); }
    bool operable() const { return widget()->isEnabled() && !toggle()->isFixed(); }
};

}  // namespace

QAccessibleInterface* toggle_switch_accessible(const QString& class_name, QObject* object) {
    if (class_name == QLatin1String("ToggleSwitch") && object && object->isWidgetType())
        return new ToggleSwitchAccessible(static_cast<ToggleSwitch*>(object));
    return nullptr;
}
