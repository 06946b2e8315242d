#pragma once
// A drop-down list whose accessible name is the one the window gives it (what it sets), with
// the selected entry as its value. Qt's own interface for a combo box on Linux reports the
// selected entry as the name, so two lists showing "Normal Operation" could not be told apart
// and the name would change with every choice.
#include <QComboBox>

class NamedComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit NamedComboBox(QWidget* parent = nullptr);
};
