// Fuzz target of the command language. Any bytes may come in: the first picks the variant, the
// rest are command lines, run on the simulated board as a script or a client would send them.
// Rules: no undefined behaviour (the sanitizers watch every conversion of a number); a refusal
// carries a code and a text; a line refused at its first command changes nothing and sends
// nothing; and after every line the frequencies reported agree with what the board's words make.
// A broken rule ends the program, which libFuzzer reports with the input, and which fails the
// corpus replay of the ordinary test run.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "actions/command_language.h"
#include "link/sim_board.h"
#include "model/number_format.h"
#include "model/variants.h"

namespace {

[[noreturn]] void broken(const char* rule, const std::string& detail) {
    std::fprintf(stderr, "command language: %s\n%s\n", rule, detail.c_str());
    std::abort();
}

// Files kept in memory: MEM:SAVE and MEM:LOAD work without touching the disk.
class MemoryFiles : public actions::FileStore {
public:
    actions::FileText read(const std::string& name, size_t limit) const override {
        auto it = files_.find(name);
        if (it == files_.end()) return {std::nullopt, "No such file or directory"};
        return {it->second.substr(0, limit + 1), {}};
    }
    std::string write(const std::string& name, std::string_view text) const override {
        if (files_.size() > 8 && !files_.count(name)) return "No space left on device";
        files_[name] = std::string(text);
        return {};
    }

private:
    mutable std::map<std::string, std::string> files_;
};

// The frequency in hertz an answer gives in MHz, or none.
std::optional<double> hertz(const std::optional<std::string>& answer, double scale) {
    if (!answer) return std::nullopt;
    auto v = numfmt::parse_entry(*answer, '.');
    if (!v) return std::nullopt;
    return *v * scale;
}

// Equal as the 15-digit figures the tool reports can be: to 1 Hz, or to their last digit.
bool agrees(double reported, double made) { return std::abs(reported - made) < std::max(1.0, std::abs(made) * 1e-14); }

void check_agreement(commands::Interpreter& in, const boardlink::SimBoard& board, const std::string& line) {
    const auto replies = in.run_line("FREQ?;FREQ:PFD?;BOAR:FREQ?");
    if (replies.size() != 3) broken("the frequency queries must be answered", line);
    const auto& l = board.latches();
    const EvalState& s = in.state();
    const bool held = l[1] && l[2] && (board.single_modulus() || l[0]) && ((*l[1] >> 2) & 0x3FFF) != 0;
    if (!held) {
        if (replies[2].answer != "NONE") broken("BOAR:FREQ? must be NONE before the board holds a plan", line);
        return;
    }
    const uint32_t r = (*l[1] >> 2) & 0x3FFF, b = (*l[2] >> 8) & 0x1FFF, a = (*l[2] >> 2) & 0x1F;
    const double ratio = board.single_modulus() ? b : double(*board.prescaler_modulus()) * b + a;
    const double made = ratio * s.ref_freq / r;
    const auto readout = hertz(replies[2].answer, 1e6);
    if (!readout || !agrees(*readout, made)) broken("BOAR:FREQ? must be what the held words make", line);
    if (!variants::is_family_variant(s.device)) return;
    const auto vco = hertz(replies[0].answer, 1e6), pfd = hertz(replies[1].answer, 1e3);
    if (!vco || !agrees(*vco, made) || !pfd || !agrees(*pfd, s.ref_freq / r))
        broken("FREQ? and FREQ:PFD? must be what the board makes", line + "\n" + replies[0].answer.value_or("?"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string variant(variants::kNames[data[0] % variants::kNames.size()]);
    EvalState state = variants::start_state(variant);
    boardlink::SimBoard board;
    board.set_single_modulus(variants::is_single_modulus(variant));
    MemoryFiles files;
    commands::Hooks hooks;
    hooks.files = &files;
    commands::Interpreter in(state, board, "0.0", hooks);

    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string line(text.substr(start, end - start));
        start = end + 1;

        const EvalState before = state;
        const uint64_t words = board.words_loaded();
        const auto replies = in.run_line(line);
        for (const auto& r : replies)
            if (r.error && (r.error->code == 0 || r.error->message.empty()))
                broken("a refusal must carry a code and a text", line);
        if (!replies.empty() && replies.front().error && !(state == before && board.words_loaded() == words))
            broken("a refused command must change nothing and send nothing", line);
        check_agreement(in, board, line);
    }
    return 0;
}
