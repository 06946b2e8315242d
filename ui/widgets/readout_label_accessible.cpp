#include "ui/widgets/readout_label_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>

namespace {

class ReadoutLabelAccessible : public QAccessibleWidget {
public:
    explicit ReadoutLabelAccessible(QLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name: return widget()->accessibleName();
        case QAccessible::Value: return label()->text();
        // The text goes in the description as well: the Linux bridge passes no value text.
        case QAccessible::Description: return label()->text();
        default: return QAccessibleWidget::text(t);
        }
    }

private:
    QLabel* label() const { return static_cast<QLabel*>(widget()); }
};

// Only a plain label that a window named: others keep Qt's interface (a caption is its own name).
QAccessibleInterface* readout_label_accessible(const QString& class_name, QObject* object) {
    if (class_name != QLatin1String("QLabel")) return nullptr;
    auto* label = qobject_cast<QLabel*>(object);
    if (!label || label->accessibleName().isEmpty() || label->accessibleName() == label->text()) return nullptr;
    return new ReadoutLabelAccessible(label);
}

}  // namespace

void install_readout_label_accessible() {
    static const bool installed = (QAccessible::installFactory(readout_label_accessible), true);
    (void)installed;
}
