#pragma once
// Small construction helpers the setting dialogs share.
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QString>
#include <initializer_list>
#include <optional>
#include <span>
#include <vector>

class QBoxLayout;
class QHBoxLayout;
class QRadioButton;

class QLineEdit;
class SelectorKnob;

namespace dialog_parts {

// Gives a control the name tests and other windows find it by.
template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

inline QLabel* label(const char* name, const QString& text) { return named(new QLabel(text), name); }
inline QGroupBox* frame(const char* name, const QString& title = {}) { return named(new QGroupBox(title), name); }

// A row of buttons at the right end, in the order given (OK before Cancel).
QHBoxLayout* button_row(std::initializer_list<QWidget*> buttons);

// A number entry wide enough for `sample`.
QLineEdit* entry(const char* name, const QString& sample);

// Option buttons "Option1", "Option2", ... with these captions, one exclusive group owned by
// `owner`, stacked top to bottom in `column`.
std::vector<QRadioButton*> option_column(QObject* owner, QBoxLayout* column, const QStringList& captions);

// The first checked option button, numbered from 1 (Option1), tested top to bottom; empty when
// none is checked.
template <class Options>
std::optional<int> checked_option(const Options& options) {
    int number = 1;
    for (const QRadioButton* option : options) {
        if (option->isChecked()) return number;
        ++number;
    }
    return std::nullopt;
}

// A knob with its design-time labels.
SelectorKnob* knob(const char* name, const QStringList& labels);

// Option buttons whose captions repeat (two codes with one meaning) are told apart for
// assistive technology by their code, the button's index in `code_digits` binary digits:
// "3.0 nsecs, bits 11". The others are named by their captions.
void name_repeated_captions(std::span<QRadioButton* const> options, int code_digits);

}  // namespace dialog_parts
