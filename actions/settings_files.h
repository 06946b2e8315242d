#pragma once
// The File menu's settings files as actions: a file read into the state and sent to the board
// (R, control, N; the test latch first when the file enables test modes, else after the control
// latch when the file changes the core power level), or the state written to a file. The file's checks are the reader's
// (model/settings_file.h): a file it refuses changes nothing and sends nothing. `shown_name`
// is the file's name as the messages show it.
#include <string>
#include <string_view>

#include "actions/file_io.h"
#include "actions/outcome.h"
#include "link/port.h"
#include "model/eval_state.h"

namespace actions {

// `quote_content`: a refusal may quote a short piece of the bad line; without it the refusal
// names the line only (for a remote client, who is never told a file's content).
Outcome load_settings_file(EvalState& state, boardlink::Port& port, const FileStore& files, const std::string& name,
                           const std::string& shown_name, bool quote_content = true);
// The same for a path.
Outcome load_settings_file(EvalState& state, boardlink::Port& port, const std::string& path,
                           const std::string& shown_name, bool quote_content = true);
// The same for a file's text already read.
Outcome load_settings_text(EvalState& state, boardlink::Port& port, std::string_view text,
                           const std::string& shown_name, bool quote_content = true);

// Writes the settings, replacing the file whole or not at all. `replacing`: a file is there,
// which a failure leaves as it was.
Outcome save_settings_file(const EvalState& state, const FileStore& files, const std::string& name,
                           const std::string& shown_name, bool replacing);
Outcome save_settings_file(const EvalState& state, const std::string& path, const std::string& shown_name,
                           bool replacing);

}  // namespace actions
