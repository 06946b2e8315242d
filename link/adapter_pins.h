#pragma once
// Which adapter pin carries which board line. The board's interface cable carries six lines: the
// parallel port's data bits 0..4 (CLK, DATA, LE, the readback clock RBCLK and D4) and status bit 4
// (STATUS, the readback data coming back); a seventh, LD, brings the synthesizer's MUXOUT (lock
// detect) to a spare input when it is wired. A USB bit-bang adapter names its pins D0..D7; a GPIO
// chip numbers its lines from 0.
#include <array>
#include <cstdint>
#include <string>

namespace boardlink {

// The board lines, data bits 0..4 first, in the order of the data register.
enum class BoardLine : uint8_t { Clk, Data, Le, RbClk, D4, Status, Ld };
inline constexpr int kBoardLines = 7;
inline constexpr int kDataLines = 5;  // CLK .. D4: data-register bits 0..4, driven by the adapter
inline constexpr std::array<const char*, kBoardLines> kBoardLineNames = {"CLK", "DATA", "LE", "RBCLK", "D4", "STATUS", "LD"};

enum class AdapterKind { UsbBitbang, Gpio };

struct PinMap {
    static constexpr int kNone = -1;
    // The pin (USB: 0..7 for D0..D7) or line offset (GPIO) of each board line; kNone: not wired.
    std::array<int, kBoardLines> pin{kNone, kNone, kNone, kNone, kNone, kNone, kNone};

    int operator[](BoardLine line) const { return pin[static_cast<size_t>(line)]; }
    int& operator[](BoardLine line) { return pin[static_cast<size_t>(line)]; }
    bool operator==(const PinMap&) const = default;
};

// The USB adapter's wiring when none is given: CLK=D0, DATA=D1, LE=D2, RBCLK=D3, D4=D4, STATUS=D5,
// and no LD (D6 and D7 are spare: LD=D6 wires one).
PinMap default_usb_pins();

// Applies "NAME=PIN,NAME=PIN,..." over `map` (line names in either case; USB pins D0..D7, GPIO
// lines as numbers). A GPIO map must wire CLK, DATA and LE, and RBCLK, D4 and STATUS all or none;
// a USB map keeps its defaults for the lines not named. On a fault returns the reason and leaves
// `map` as it was.
std::string apply_pins(AdapterKind kind, const std::string& text, PinMap& map);

// "CLK=D0,DATA=D1,..." (USB) or "CLK=17,DATA=27,..." (GPIO), the lines not wired left out.
std::string pins_text(AdapterKind kind, const PinMap& map);

}  // namespace boardlink
