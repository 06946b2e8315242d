#pragma once
// The register import: the words of a file the export wrote (a hex list or JSON), or what people
// paste (with or without 0x, any case, comments after # or //, blank lines), checked as the
// register map checks a typed word, and the state they describe.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "model/eval_state.h"

struct ImportedRegisters {
    std::array<std::optional<uint32_t>, 4> words;  // by latch: 0 control, 1 R, 2 N, 3 test
    std::array<int, 4> lines{};                    // the line each came from
    std::optional<double> reference_hz;            // a JSON file's; a hex list keeps the present one
    std::optional<std::string> variant;            // the variant a JSON file was exported from ("KSY7100-8")
    int variant_line = 0;
};

struct ImportProblem {
    int line = 0;  // 0: the file as a whole
    std::string problem;
};

std::variant<ImportedRegisters, ImportProblem> parse_register_file(std::string_view text);

// The state the words describe, from `state`: the control, N and R words set every field the
// register map shows (DB19 of the R word the test-mode switch), the test word the Test Modes
// window's fields, a JSON file the reference. Refused, naming the line, when a JSON file was
// exported from another variant (its counters would mean other frequencies), a word sets a
// reserved bit, the test word's core power is not the control word's, R is 0, or the KSY7100-8's
// A counter is not 0; the control, N and R words must all be there.
std::variant<EvalState, ImportProblem> state_from_registers(const EvalState& state, const ImportedRegisters& registers);

// "Line 3 of <file>: <problem>. Nothing was imported."
std::string describe(const ImportProblem& problem, std::string_view file_name);
