#include "ui/widgets/named_combo_box.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>

namespace {

class NamedComboAccessible : public QAccessibleWidget {
public:
    explicit NamedComboAccessible(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value || t == QAccessible::Description) return combo()->currentText();
        return QAccessibleWidget::text(t);  // the name the window set, or its buddy label
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = combo()->view()->isVisible();
        return s;
    }

    // Its entries, as the list that drops down offers them, whether it is open or not.
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(combo()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == combo()->view() ? 0 : -1;
    }

    QStringList actionNames() const override {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction()) combo()->showPopup();
        else QAccessibleWidget::doAction(action);
    }

private:
    QComboBox* combo() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* named_combo_accessible(const QString& class_name, QObject* object) {
    if (class_name == QLatin1String("NamedComboBox") && object && object->isWidgetType())
        return new NamedComboAccessible(static_cast<QComboBox*>(object));
    return nullptr;
}

}  // namespace

// The combo box itself says each new entry to assistive technology.
NamedComboBox::NamedComboBox(QWidget* parent) : QComboBox(parent) {
    static const bool accessible = (QAccessible::installFactory(named_combo_accessible), true);
    (void)accessible;
}
