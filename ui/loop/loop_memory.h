#pragma once
// The loop designer's inputs kept between runs of the windowed tool (in the desktop's settings
// store, never in the settings file): the loop record and the questions the window last asked.
// Headless runs and *RST never read them, so a script's results never depend on an earlier
// session.
#include "model/loop_settings.h"
#include "model/loop_views.h"

#include <string>

class Main;

// Kept when the loop designer closes, for the variant: another variant's VCO and board differ.
void remember_loop(const std::string& device, const LoopSettings& loop, const LoopQuestions& questions);
// Once in a run, the first time the loop designer opens: the record kept, if any, in place of the
// start-up one.
void recall_loop_once(Main& main, EvalState& state);
// The questions kept, or a 10 MHz step up to the present frequency with a 1 kHz band and jitter
// from 1 kHz to 1 MHz.
LoopQuestions recalled_questions(const EvalState& state);
