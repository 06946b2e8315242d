#pragma once
// What screen readers and automation clients see of a selector knob: a slider whose name says
// what the knob sets (its accessible name), whose value is the position (read, and set as a
// user's turn), whose value text and description are the position's label with its unit, and
// whose increase and decrease actions turn it one position as the arrow keys do.
class QAccessibleInterface;
class QObject;
class QString;

// The factory Qt asks for the interface of a SelectorKnob (installed by the first knob made).
QAccessibleInterface* selector_knob_accessible(const QString& class_name, QObject* object);
