#pragma once
// What screen readers and automation clients see of a numeric LED readout: a static text named
// by its accessible name (the quantity it shows), whose value and description are the reading.
class QAccessibleInterface;
class QObject;
class QString;

// The factory Qt asks for the interface of a NumericLed (installed by the first readout made).
QAccessibleInterface* numeric_led_accessible(const QString& class_name, QObject* object);
