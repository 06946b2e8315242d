#pragma once
// How the board link answers a script: its name in *IDN? ("SIM", "PARPORT0", the USB adapter's
// serial, "GPIOCHIP0"), its state for SYST:LINK? ("SIM,OK", "PARPORT,/dev/parport0,OK",
// "FTDI,<serial>,FAILED,"<cause>""), and the self-test of *TST?.
#include <optional>
#include <string>

#include "actions/command_language.h"
#include "link/board_link.h"
#include "model/eval_state.h"

std::string link_idn_name(const boardlink::BoardLink& link);
std::string link_status(const boardlink::BoardLink& link);

// *TST?: the cause when the link does not answer. The link must not have failed, and where the
// board's readback lines are wired the supply monitor must answer its set-up (no latch is
// written); a link without them answers while it is open.
std::optional<std::string> link_self_test(boardlink::BoardLink& link, EvalState& state);

// The three as the command language's hooks.
void add_link_hooks(commands::Hooks& hooks, boardlink::BoardLink& link, EvalState& state);

// While an exerciser's run holds the link (BoardLink::hold), nothing else writes it: settings
// commands, the supply measurement and the self-test are refused with the reason (-200). Wraps
// the hooks as they are set, so call it once they are. A supply measurement, which serves other
// clients while it waits between its steps, holds the link itself meanwhile.
void refuse_writers_while_held(commands::Hooks& hooks, boardlink::BoardLink& link);
