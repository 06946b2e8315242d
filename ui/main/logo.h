#pragma once
#include <QPixmap>

// The tool's logo for the main window's picture: a synthesizer's loop drawn as an instrument badge.
QPixmap make_logo(int height);
