#pragma once
// A session of the command language on a fresh state and a simulated board, for the tests that
// drive the tool by its commands.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "actions/command_language.h"
#include "link/sim_board.h"
#include "model/variants.h"

namespace testing_support {

struct CommandBench {
    explicit CommandBench(std::string_view variant = "ksy7100-1") : state(variants::start_state(variant)) {}
    EvalState state;
    boardlink::SimBoard board;
    commands::Interpreter in{state, board, "9.9"};

    // The answers of a line, or its first error as "<code>: <message>".
    std::vector<std::string> run(std::string_view line) {
        std::vector<std::string> out;
        for (const commands::Reply& r : in.run_line(line))
            if (r.error || r.answer) out.push_back(r.error ? std::to_string(r.error->code) + ": " + r.error->message : *r.answer);
        return out;
    }
    // The numbers of a line's one answer.
    std::vector<double> numbers(std::string_view line) {
        const auto answers = run(line);
        std::vector<double> values;
        if (answers.size() != 1) return values;
        std::istringstream text(answers[0]);
        for (std::string field; std::getline(text, field, ',');) values.push_back(std::strtod(field.c_str(), nullptr));
        return values;
    }
    // The latches of the words the board received after the first `seen`.
    std::vector<int> latched(uint64_t seen = 0) const {
        std::vector<int> l;
        for (auto w = board.history().end() - long(board.words_loaded() - seen); w != board.history().end(); ++w)
            l.push_back(int(*w & 3));
        return l;
    }
};

}  // namespace testing_support
