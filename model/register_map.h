#pragma once
// The register map: the control, N counter and R counter latches shown bit by bit, one row of
// 24 switches per latch from DB23 down to DB0.
//
// The window keeps the positions of its switches as one 24-bit word per row, a bit per switch
// at the switch's DB position. Opening turns the state into those words (bits_from_state);
// a send button turns them back into the state's fields (rebuild_state). The fixed digits (the
// address bits and the reserved bits) are never read or set: their positions in these words are
// ignored.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/eval_state.h"
#include "model/frequency_plan.h"

namespace regmap {

// The rows, top to bottom.
enum class Row : uint8_t { Control, N, R };
inline constexpr std::array<Row, 3> kRows = {Row::Control, Row::N, Row::R};

// The latch a row shows (latch_select, also its address bits DB1, DB0): 0, 2, 1.
uint8_t latch_of(Row row);
// "Control latch", "N latch", "R latch": how messages and accessible names call a row.
std::string_view latch_name(Row row);

// A group of adjacent bits under one caption. Captions are the window's own texts, padded with
// dashes to the width of the field's columns where the window pads them.
struct Field {
    int high, low;             // DB numbers
    std::string_view caption;
    bool fixed;                // fixed digits: the latch's address bits or reserved bits
};
// The fields of a row, DB23 first.
std::span<const Field> fields(Row row);
// The field a bit belongs to.
const Field& field_at(Row row, int db);
// The caption with its padding taken off ("-----Curr Setting 2-----" -> "Curr Setting 2").
std::string_view caption_core(std::string_view caption);
// The variant without dual-modulus prescaler relabels four fields as it opens; empty when
// the field at `high` keeps its caption.
std::string_view single_modulus_caption(Row row, int high);

// The bits of a row that are switches the user sets.
uint32_t settable_mask(Row row);
// The digit a fixed switch at `db` carries (the address bits are the latch number; reserved
// bits are 0).
bool fixed_digit(Row row, int db);

// Switch positions of the three rows.
struct RegisterBits {
    std::array<uint32_t, 3> row{};
    uint32_t& operator[](Row r) { return row[size_t(r)]; }
    uint32_t operator[](Row r) const { return row[size_t(r)]; }
    bool operator==(const RegisterBits&) const = default;
};

// The switches as the window opens on `state`. A counter is shown greedily from its most
// significant switch down, so a value above its field shows all ones and a negative one none;
// any other field that holds a value outside its legal set leaves its switches off. For the
// variant without dual-modulus prescaler the B switches show n_value. Reads copies only.
RegisterBits bits_from_state(const EvalState& state);

// What a send button stores: every field of the rows it sends rebuilt from their switches, and
// the derived divide ratio and the frequencies the counters make (each rounded to 15 significant
// digits). The other rows' fields and those the window does not show (test_enable_bits,
// r_aux_bits, the test latch) stay as they were. Refused when every R counter switch is off,
// since the PFD frequency divides by R, and for the variant without dual-modulus prescaler when
// an A counter switch is on, since it divides by B alone.
inline constexpr const char* kNoRCounter =
    "The R counter would be 0: every R counter switch (DB15 to DB2 of the R latch) is off, and the "
    "PFD frequency is the reference divided by R. Turn on at least one R counter switch. Nothing was "
    "changed or sent.";
inline constexpr const char* kSingleModulusA =
    "The KSY7100-8 divides by its N counter (DB20 to DB8) alone: the A counter (DB6 to DB2 of the N "
    "latch) is not used and must be 0. Turn the A counter switches off. Nothing was changed or sent.";
Plan<EvalState> rebuild_state(const EvalState& state, const RegisterBits& bits, std::span<const Row> rows);

// Bits the state adds to a row's word that the window does not set: in the R latch,
// test_enable_bits (DB19, set in the Test Modes window) and r_aux_bits (DB23, DB22, only a
// settings file sets them), where they fall on fixed digits. 0 for the other rows. The fixed
// digits show them as they are sent.
uint32_t unshown_bits(const EvalState& state, Row row);
// The word a row describes: its switches, its address bits and the unshown bits.
uint32_t row_word(Row row, uint32_t bits, uint32_t unshown);

// DB23 and DB22 of the R latch: the chip ignores them, and the state keeps them as r_aux_bits. A
// settings file may set them, and a word written whole (REG:WRIT, a register import) sets them
// as it holds them, so the board holds exactly the word written; the register map shows them on
// its fixed digits.
inline constexpr uint32_t kRAuxBits = 0xC00000;
// The bits of a row that a word written whole sets as it holds them besides the switches.
inline constexpr uint32_t whole_word_bits(Row row) { return row == Row::R ? kRAuxBits : 0; }

// A word the user typed for a row, in hexadecimal (blanks around it and a "0x" prefix
// allowed). The address bits must be the row's, and the fixed digits must be those the row
// sends (`unshown`: 1 where the state adds a bit, else 0), so the word sent is the word typed;
// fixed digits among `free_bits` may be anything. The result is the row's switch positions and
// the word's `free_bits`.
Plan<uint32_t> parse_row_word(std::string_view text, Row row, uint32_t unshown, uint32_t free_bits = 0);

// A latch word as the window shows it: upper-case hexadecimal, no prefix, no leading zeros.
std::string hex_word(uint32_t word);

}  // namespace regmap
