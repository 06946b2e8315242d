#pragma once
// What screen readers and automation clients see of a toggle switch: a check box whose name says
// what it sets (its accessible name; the present caption when it has none), whose value and
// description are the caption it shows, and whose toggle and press actions are a user's click. A flip through the
// accessibility interface therefore runs the same click handler as the mouse and the Space key;
// a position set by the program still runs none.
class QAccessibleInterface;
class QObject;
class QString;

// The factory Qt asks for the interface of a ToggleSwitch (installed by the first switch made).
QAccessibleInterface* toggle_switch_accessible(const QString& class_name, QObject* object);
