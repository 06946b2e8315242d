#pragma once
// A label that shows a value under a name of its own (the register map's "word last sent"): its
// accessible name is that name and its value the text it shows, so a screen reader reads both.
// Qt's own interface for a label gives the name only, and the value is lost.
void install_readout_label_accessible();
