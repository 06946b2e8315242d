#pragma once
// The tool's own colours: the grey plates, the value fields, the power levels, the register
// map's sheet and field bands, the LEDs and the red of a warning. Each comes with the colour of
// the text drawn on it, and both follow the desktop: a light desktop keeps the classic panel look,
// a dark or high-contrast one gets dark plates under its own light text. Every text colour made
// here stands out from its background by 4.5:1 at least (the WCAG 2 minimum for body text).
#include <QColor>
#include <QPalette>

class QWidget;

namespace tool_colours {

struct Pair {
    QColor background, text;
};

constexpr double kMinimumContrast = 4.5;

// The WCAG 2 contrast ratio of two colours, from 1 to 21; a translucent text colour counts as
// laid over the background.
double contrast(const QColor& text, const QColor& background);
// `preferred` where it reads on `background`; otherwise that colour moved toward black or white,
// keeping its hue as long as it can, until it does.
QColor readable_on(const QColor& background, const QColor& preferred);
// A palette whose texts are lighter than their window: a dark or high-contrast desktop.
bool is_dark(const QPalette& palette);

// The palette of every window of the tool, made from the desktop's. The other roles below take
// this palette (any window's or control's palette inside the tool will do).
QPalette plate(const QPalette& desktop);

// A value the user clicks to change: a sunken white field on a light desktop, the desktop's
// own field colour on a dark one.
Pair value_field(const QPalette& plate);
// A power level, 0 (lowest) to 3, warmer as it rises.
Pair power_level(int level, const QPalette& plate);
// The sheet the register map's rows lie on.
Pair sheet(const QPalette& plate);
// The band behind the register map's field `index` and the colour of its caption and digits:
// neighbouring indices differ in hue. A fixed field (address and reserved bits) is grey.
Pair field_band(int index, const QPalette& plate);
Pair fixed_band(const QPalette& plate);
// Small print on a background, such as a band's bit numbers: quieter than the text, still read.
QColor quiet_text(const QColor& background, const QPalette& plate);
// A text that must stand out on `background`: a warning, the position a knob points at.
QColor alert_text(const QColor& background);
// A numeric LED: lit red segments on its dark face, whatever the desktop.
Pair led();

// Fills the widget with the pair's background and draws its text in the pair's text colour.
void fill(QWidget* widget, const Pair& pair);
// Draws the widget's text in the alert colour, or again in the colour it inherits. The alert
// colour is chosen against the widget's window colour, so the widget must lie where it is shown.
void mark_alert(QWidget* widget, bool alert);

}  // namespace tool_colours
