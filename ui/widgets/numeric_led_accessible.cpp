#include "ui/widgets/numeric_led_accessible.h"

#include <QAccessibleWidget>

#include "ui/widgets/numeric_led.h"

namespace {

class NumericLedAccessible : public QAccessibleWidget {
public:
    explicit NumericLedAccessible(NumericLed* led) : QAccessibleWidget(led, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        // The reading goes in the description as well: the Linux bridge passes no value text.
        if (t == QAccessible::Value || t == QAccessible::Description)
            return static_cast<NumericLed*>(widget())->text();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        return s;
    }
};

}  // namespace

QAccessibleInterface* numeric_led_accessible(const QString& class_name, QObject* object) {
    if (class_name == QLatin1String("NumericLed") && object && object->isWidgetType())
        return new NumericLedAccessible(static_cast<NumericLed*>(object));
    return nullptr;
}
