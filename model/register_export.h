#pragma once
// The register export: what the board must be sent to reproduce the present state, in the order
// the tool itself sends a full write (test, N, R, control), for a product's firmware: a hex list,
// a C header, one CSV row per field, or JSON. Field names are the register map's captions (the
// Test Modes window's for the test latch).
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/eval_state.h"

enum class ExportFormat { Hex, C, Csv, Json };

// The format a file name asks for: .txt, .h, .csv or .json (in any case); none for another.
std::optional<ExportFormat> export_format_of(std::string_view path);

struct ExportWord {
    uint8_t latch;      // 0 control, 1 R, 2 N, 3 test
    const char* name;   // "test", "N", "R", "control"
    uint32_t word;
};
// The four words the state assembles, in the order of the full write sequence.
std::array<ExportWord, 4> words_to_send(const EvalState& state);

struct ExportField {
    const char* latch;   // "control", ...
    std::string field;   // the register map's caption, "Prescaler"
    int high, low;       // DB numbers
    uint32_t value;
    std::string meaning; // "32/33", "R 50", "3.0 ns"
};
// Every field of the four words, in send order and from DB23 down.
std::vector<ExportField> export_fields(const EvalState& state);

// The whole file in a format; `version` is the tool's.
std::string export_text(const EvalState& state, ExportFormat format, std::string_view version);
