#pragma once
// A run without windows and without a display, for bench scripts: the chosen variant's start-up
// defaults, as the variant dialog's OK loads them (with the supply monitor's set-up, without a
// measurement), then the settings file of --load, then the commands of --exec, in order. Each
// query's answer goes to standard output on a line of its own; a refused command prints its
// refusal (the text the window would show) on standard error, runs nothing after it, and ends
// the run with status 1.
#include "app/options.h"
#include "app/quit_on_signal.h"
#include "link/board_link.h"

int run_headless(const Options& options, boardlink::BoardLink& link, const boardlink::BoardLink::Opened& opened,
                 SignalWatch& signal_watch, int argc, char** argv);
