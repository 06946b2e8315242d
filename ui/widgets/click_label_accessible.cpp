#include "ui/widgets/click_label_accessible.h"

#include <QAccessibleWidget>
#include <QPointer>

#include "ui/widgets/click_label.h"

namespace {

class ClickLabelAccessible : public QAccessibleWidget {
public:
    explicit ClickLabelAccessible(ClickLabel* label) : QAccessibleWidget(label) {}

    QAccessible::Role role() const override {
        return label()->press() == ClickLabel::Press::None ? QAccessible::StaticText : QAccessible::Button;
    }

    QString text(QAccessible::Text t) const override {
        const QString name = widget()->accessibleName();
        switch (t) {
        case QAccessible::Name:
            // Never the caption of the frame around it, which the general rule would take.
            return name.isEmpty() ? label()->text() : name;
        case QAccessible::Value: return label()->text();
        case QAccessible::Description:
            // The text goes in the description as well: the Linux bridge passes no value text.
            if (!name.isEmpty() || label()->press() != ClickLabel::Press::None) return label()->text();
            return QAccessibleWidget::text(t);
        default: return QAccessibleWidget::text(t);
        }
    }

    QStringList actionNames() const override {
        if (!operable()) return QAccessibleWidget::actionNames();
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action == pressAction() && operable()) {
            // Queued: what the label opens is modal, and the client's call returns first, as a
            // button's press action does.
            QPointer<ClickLabel> target = label();
            QMetaObject::invokeMethod(
                target, [target] { if (target) target->activate(); }, Qt::QueuedConnection);
            return;
        }
        QAccessibleWidget::doAction(action);
    }

    QStringList keyBindingsForAction(const QString& action) const override {
        if (action == pressAction()) return {QStringLiteral("Space"), QStringLiteral("Return")};
        return QAccessibleWidget::keyBindingsForAction(action);
    }

private:
    ClickLabel* label() const { return static_cast<ClickLabel*>(widget()); }
    bool operable() const { return widget()->isEnabled() && label()->press() != ClickLabel::Press::None; }
};

}  // namespace

QAccessibleInterface* click_label_accessible(const QString& class_name, QObject* object) {
    if (class_name == QLatin1String("ClickLabel") && object && object->isWidgetType())
        return new ClickLabelAccessible(static_cast<ClickLabel*>(object));
    return nullptr;
}
