// Fuzz target of the settings-file reader. Any bytes may come in. A refused file must say why
// in a short message; an accepted file must give latch words that stay in their own latch, and
// must save back (through the writer) into a file that loads into exactly the same state and
// saves into the same text again. A broken rule ends the program, which libFuzzer reports with
// the input, and which fails the corpus replay of the ordinary test run.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>

#include "model/latch.h"
#include "model/settings_file.h"
#include "model/variants.h"

namespace {

[[noreturn]] void broken(const char* rule, const std::string& detail) {
    std::fprintf(stderr, "settings reader: %s\n%s\n", rule, detail.c_str());
    std::abort();
}

// The state a load starts from: the tool after start-up with a variant chosen.
EvalState started() { return variants::start_state("ksy7100-1"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto parsed = parse_settings(text);
    if (auto* problem = std::get_if<SettingsProblem>(&parsed)) {
        if (problem->wrong_marker) return 0;
        const std::string message = describe(*problem, "settings.txt");
        if (problem->problem.empty() || problem->line < 0 || problem->line > kSettingsLines || message.size() > 200)
            broken("a refusal must name its line and a short problem", message);
        return 0;
    }

    EvalState loaded = started();
    apply_settings(loaded, std::get<SettingsRecord>(parsed));
    for (uint8_t latch : {kControlLatch, kRLatch, kNLatch}) {
        const int64_t word = assemble_latch(loaded, latch);
        if (word < 0 || word >= (int64_t{1} << 24) || (word & 3) != latch)
            broken("a loaded file must give 24-bit words that stay in their latch", std::to_string(word));
    }

    const std::string saved = format_settings(loaded);
    auto again = parse_settings(saved);
    if (auto* problem = std::get_if<SettingsProblem>(&again))
        broken("a loaded file must save into one that loads", describe(*problem, "saved.txt") + "\n" + saved);
    EvalState reloaded = started();
    apply_settings(reloaded, std::get<SettingsRecord>(again));
    if (!(reloaded == loaded)) broken("load, save, load must find the same state", saved);
    if (format_settings(reloaded) != saved) broken("a reloaded file must save into the same text", saved);
    return 0;
}
