#pragma once
// How every window shows a refused action: the message box (exclamation icon, with the beep
// the action asks for), then the entry at fault emptied when its text is unusable, and focused.
#include "actions/outcome.h"

class Prompts;
class QWidget;

// `window` holds the entry the refusal names (by objectName); nullptr when there is none.
void show_refusal(Prompts& prompts, QWidget* window, const actions::Refusal& refusal);
