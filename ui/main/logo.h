#pragma once
#include <QPixmap>
#include <QSizeF>

class QPainter;

// The tool's logo: a synthesizer's loop drawn as an instrument badge.

// Paints the logo into a rectangle of `size` at the painter's origin: the window's wide badge
// (3:1), or any other shape, such as the square of the desktop icon; the titles shrink to fit.
void paint_logo(QPainter& painter, QSizeF size);

// The main window's picture, `height` logical pixels high and three times as wide, made at the
// screen's device pixel ratio so that it stays sharp on a scaled display.
QPixmap make_logo(int height, qreal device_pixel_ratio = 1.0);
