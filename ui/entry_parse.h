#pragma once
// The number typed into an entry: the user's decimal separator, or a point, which is always
// accepted. Empty when the text is not a number.
#include <QLineEdit>
#include <QLocale>
#include <optional>

#include "model/number_format.h"

inline std::optional<double> parse_entry(const QLineEdit* entry) {
    const QString point = QLocale().decimalPoint();
    return numfmt::parse_entry(entry->text().toStdString(), point.isEmpty() ? '.' : point.at(0).toLatin1());
}
