#include "ui/dialogs/dialog_parts.h"

#include <algorithm>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QLineEdit>
#include <QRadioButton>

#include "ui/widgets/selector_knob.h"

namespace dialog_parts {

QHBoxLayout* button_row(std::initializer_list<QWidget*> buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QWidget* button : buttons) row->addWidget(button);
    return row;
}

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

void name_repeated_captions(std::span<QRadioButton* const> options, int code_digits) {
    for (size_t i = 0; i < options.size(); ++i) {
        const QString caption = options[i]->text();
        const auto same = std::count_if(options.begin(), options.end(),
                                        [&](const QRadioButton* o) { return o->text() == caption; });
        options[i]->setAccessibleName(
            same > 1 ? QString("%1, bits %2").arg(caption).arg(qulonglong(i), code_digits, 2, QChar('0')) : QString());
    }
}

}  // namespace dialog_parts
