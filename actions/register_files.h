#pragma once
// The plan carried to firmware: the register export and import and the channel tables, as
// actions every caller shares (the File menu, the command line, the command server).
#include <string>
#include <string_view>

#include "actions/file_io.h"
#include "actions/outcome.h"
#include "link/port.h"
#include "model/eval_state.h"

namespace actions {

// Writes the words the board must be sent to reproduce the state (test, N, R, control) in the
// format the name's extension asks for (.txt, .h, .csv, .json); the file is replaced whole.
Outcome export_registers(const EvalState& state, const FileStore& files, const std::string& name,
                         const std::string& shown_name, std::string_view version);

// Reads a hex list or the export's JSON, checks every word as the register map checks a typed
// one, sets the state from them and sends test, N, R, control. A refused file names its line and
// changes nothing. Refused (a conflict) outside the nine variants.
Outcome import_registers(EvalState& state, boardlink::Port& port, const FileStore& files, const std::string& name,
                         const std::string& shown_name);

// Writes the N word of every channel from start to stop (MHz) in steps (kHz) at the present R and
// PFD, as a C header (.h) or CSV (.csv).
Outcome export_channels(const EvalState& state, const FileStore& files, const std::string& name,
                        const std::string& shown_name, double start_mhz, double stop_mhz, double step_khz,
                        std::string_view version);

}  // namespace actions
