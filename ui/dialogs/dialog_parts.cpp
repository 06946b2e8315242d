#include "ui/dialogs/dialog_parts.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QLineEdit>
#include <QRadioButton>

#include "ui/widgets/selector_knob.h"

namespace dialog_parts {

QLineEdit* entry(const char* name, const QString& sample) {
    auto* e = named(new QLineEdit, name);
    e->setAlignment(Qt::AlignRight);
    e->setMinimumWidth(e->fontMetrics().horizontalAdvance(sample + "00"));
    return e;
}

std::vector<QRadioButton*> option_column(QObject* owner, QBoxLayout* column, const QStringList& captions) {
    auto* group = new QButtonGroup(owner);
    std::vector<QRadioButton*> options;
    for (const QString& caption : captions) {
        auto* option = new QRadioButton(caption);
        option->setObjectName(QString("Option%1").arg(options.size() + 1));
        group->addButton(option);
        column->addWidget(option);
        options.push_back(option);
    }
    return options;
}

SelectorKnob* knob(const char* name, const QStringList& labels) {
    return named(new SelectorKnob(labels), name);
}

}  // namespace dialog_parts
