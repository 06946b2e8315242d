#pragma once
// What screen readers and automation clients see of a clickable label: a button with a press
// action when the keyboard reaches it, else static text (see click_label.h).
class QAccessibleInterface;
class QObject;
class QString;

// The factory Qt asks for the interface of a ClickLabel (installed by the first label made).
QAccessibleInterface* click_label_accessible(const QString& class_name, QObject* object);
