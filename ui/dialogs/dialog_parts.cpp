#include "ui/dialogs/dialog_parts.h"

#include <QLineEdit>

#include "ui/widgets/selector_knob.h"

namespace dialog_parts {

QLineEdit* entry(const char* name, const QString& sample) {
    auto* e = named(new QLineEdit, name);
    e->setAlignment(Qt::AlignRight);
    e->setMinimumWidth(e->fontMetrics().horizontalAdvance(sample + "00"));
    return e;
}

SelectorKnob* knob(const char* name, const QStringList& labels) {
    return named(new SelectorKnob(labels), name);
}

}  // namespace dialog_parts
