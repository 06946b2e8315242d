#include "actions/settings_files.h"

#include <variant>

#include "actions/transfer.h"
#include "model/latch.h"
#include "model/settings_file.h"
#include "model/variants.h"

namespace actions {
namespace {

Outcome refused_with_title(std::string title, std::string message, std::string detail = {}) {
    Outcome out = refused(std::move(message), {}, false, true);
    out.refusal->title = std::move(title);
    out.refusal->detail = std::move(detail);
    return out;
}

const char* const kGetTitle = "Get Settings";
const char* const kSaveTitle = "Save Settings";

}  // namespace

Outcome load_settings_file(EvalState& s, boardlink::Port& port, const FileStore& files, const std::string& name,
                           const std::string& shown, bool quote_content) {
    const FileText file = files.read(name, kMaxSettingsFileBytes);
    if (!file.text) return refused_with_title(kGetTitle, "The settings could not be read from " + shown + ": " + file.cause);
    return load_settings_text(s, port, *file.text, shown, quote_content);
}

Outcome load_settings_file(EvalState& s, boardlink::Port& port, const std::string& path, const std::string& shown,
                           bool quote_content) {
    return load_settings_file(s, port, PathStore(), path, shown, quote_content);
}

Outcome load_settings_text(EvalState& s, boardlink::Port& port, std::string_view text, const std::string& shown,
                           bool quote_content) {
    auto parsed = parse_settings(text);
    if (auto* problem = std::get_if<SettingsProblem>(&parsed)) {
        if (problem->wrong_marker) return refused_with_title("Invalid file!", " File does not contain valid settings ");
        if (quote_content) return refused_with_title(kGetTitle, describe(*problem, shown));
        SettingsProblem brief = *problem;
        brief.problem = problem->line > 0 ? "not a valid settings line" : "not a valid settings file";
        return refused_with_title(kGetTitle, describe(brief, shown));
    }
    // The stored fields, the prescaler of the single-modulus variant, VCO and reference.
    const uint16_t core_power = s.core_power;
    apply_settings(s, std::get<SettingsRecord>(parsed));
    Outcome out;
    // A file may hold another variant than the session's: the window follows the device it sets.
    if (variants::is_family_variant(s.device)) out.display.device = variants::display_name(s.device);
    out.display.eval = eval_caption_after_load(s.preset_index);
    out.display.configure = true;
    out.display.refresh = true;
    // The gain switch is set by the program: it raises no handler, so nothing more is sent.
    out.display.cp_gain = cp_gain_toggle_after_load(s.cp_gain_bits);

    Transfer wire(s, port, "GetSettings");
    // With test modes enabled the R word switches the chip into the test mode its test latch
    // holds: the test latch goes first, so that mode is the one the Test Modes window shows.
    const bool test_first = s.test_enable_bits != 0;
    if (test_first) wire.send(kTestLatch);
    wire.send({kRLatch, kControlLatch});
    // Core power is held in the control and the test latch: a new level goes to both.
    if (!test_first && s.core_power != core_power) wire.send(kTestLatch);
    wire.send(kNLatch);
    return out;
}

Outcome save_settings_file(const EvalState& s, const std::string& path, const std::string& shown, bool replacing) {
    return save_settings_file(s, PathStore(), path, shown, replacing);
}

Outcome save_settings_file(const EvalState& s, const FileStore& files, const std::string& name, const std::string& shown,
                           bool replacing) {
    const std::string cause = files.write(name, format_settings(s));
    if (cause.empty()) return {};
    return refused_with_title(kSaveTitle, "The settings could not be saved to " + shown + ": " + cause,
                              replacing ? "The previous file is unchanged." : "");
}

}  // namespace actions
